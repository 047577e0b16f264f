#include "console/Settings.h"

#include <array>

namespace orvek {

namespace {

constexpr const char* kIpAddressKey = "IPAddr";
constexpr const char* kCommKey = "comm";
constexpr const char* kPlacementGroup = "Form1";

std::optional<int> ReadInteger(const QSettings& store, const char* key)
{
    bool ok = false;
    const int value = store.value(key).toString().toInt(&ok);
    if (!ok) return std::nullopt;
    return value;
}

}  // namespace

Settings::Settings() : m_store(QSettings::NativeFormat, QSettings::UserScope, "Orvek", "Pontivo") {}

QString Settings::ipAddress() const { return m_store.value(kIpAddressKey, kDefaultIpAddress).toString(); }

void Settings::setIpAddress(const QString& address) { m_store.setValue(kIpAddressKey, address); }

QString Settings::comm() const { return m_store.value(kCommKey, QString()).toString(); }

void Settings::setComm(const QString& port) { m_store.setValue(kCommKey, port); }

std::optional<WindowPlacement> Settings::placement() const
{
    m_store.beginGroup(kPlacementGroup);
    const std::array edges{ReadInteger(m_store, "Left"), ReadInteger(m_store, "Top"), ReadInteger(m_store, "Right"),
                           ReadInteger(m_store, "Bottom")};
    const QString maximized = m_store.value("Maximized", "0").toString();
    m_store.endGroup();
    for (const auto& edge : edges) {
        if (!edge) return std::nullopt;
    }
    return WindowPlacement{*edges[0], *edges[1], *edges[2], *edges[3], maximized == "1"};
}

void Settings::setPlacement(const WindowPlacement& placement)
{
    m_store.beginGroup(kPlacementGroup);
    m_store.setValue("Left", QString::number(placement.left));
    m_store.setValue("Top", QString::number(placement.top));
    m_store.setValue("Right", QString::number(placement.right));
    m_store.setValue("Bottom", QString::number(placement.bottom));
    m_store.setValue("Maximized", placement.maximized ? "1" : "0");
    m_store.endGroup();
}

}  // namespace orvek
