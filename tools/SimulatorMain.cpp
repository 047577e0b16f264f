#include "tools/SimulatorHost.h"
#include "tools/SimulatorOptions.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

int g_stopPipe[2] = {-1, -1};

void RequestStop(int)
{
    const char byte = 0;
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] const ssize_t written = ::write(g_stopPipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    auto parsed = orvek::ParseSimulatorOptions(args);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "orvek-reader-sim: " << *error << "; orvek-reader-sim --help lists the options\n";
        return 2;
    }
    const orvek::SimulatorOptions& options = std::get<orvek::SimulatorOptions>(parsed);
    if (options.help) {
        std::cout << orvek::SimulatorUsage();
        return 0;
    }

    QCoreApplication application(argc, argv);
    if (::pipe(g_stopPipe) != 0) {
        std::cerr << "orvek-reader-sim: cannot set up signal handling\n";
        return 2;
    }
    QSocketNotifier stopNotifier(g_stopPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &application, &QCoreApplication::quit);
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    std::signal(SIGPIPE, SIG_IGN);

    orvek::SimulatorHost host(options, std::cout);
    if (const std::optional<std::string> error = host.start()) {
        std::cerr << "orvek-reader-sim: " << *error << '\n';
        return 2;
    }
    return application.exec();
}
