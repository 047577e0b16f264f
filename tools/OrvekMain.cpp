#include "tools/OrvekCommandLine.h"

#include <QCoreApplication>

#include <cerrno>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// What is there on standard input, without waiting for a full buffer, so a pipe from a live
// link is decoded as it comes.
std::size_t ReadStandardInput(char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t count = ::read(STDIN_FILENO, buffer, size);
        if (count >= 0) return static_cast<std::size_t>(count);
        if (errno != EINTR) return 0;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    QCoreApplication application(argc, argv);
    orvek::ToolStreams io{ReadStandardInput, std::cout, std::cerr};
    return orvek::RunOrvek(args, io);
}
