#pragma once

#include <QSettings>
#include <QString>

#include <optional>

namespace orvek {

// The window's placement as stored: edges in pixels at 96 dpi (Right = Left + width,
// Bottom = Top + height).
struct WindowPlacement {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool maximized = false;

    bool operator==(const WindowPlacement&) const = default;
};

// Every per-user setting of the console: organization "Orvek", application "Pontivo".
class Settings {
public:
    static constexpr const char* kDefaultIpAddress = "192.168.0.100";

    Settings();

    // "IPAddr"; the default when missing.
    QString ipAddress() const;
    void setIpAddress(const QString& address);

    // "comm": the port as the list shows it; empty when none was chosen.
    QString comm() const;
    void setComm(const QString& port);

    // Group "Form1"; nullopt when no complete placement is stored.
    std::optional<WindowPlacement> placement() const;
    void setPlacement(const WindowPlacement& placement);

private:
    mutable QSettings m_store;
};

}  // namespace orvek
