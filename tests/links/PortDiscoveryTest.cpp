#include "links/PortDiscovery.h"

#include <QDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace orvek {
namespace {

struct NameCase {
    const char* name;
    QString friendlyName;
    QString displayName;
};

class DisplayNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(DisplayNameTest, MovesTheLastGroupToTheFront)
{
    EXPECT_EQ(DisplayName(GetParam().friendlyName), GetParam().displayName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayNameTest,
    ::testing::Values(NameCase{"UsbAdapter", "USB Serial Port (COM3)", "(COM3) USB Serial Port"},
                      NameCase{"CommunicationsPort", "Communications Port (COM1)", "(COM1) Communications Port"},
                      NameCase{"TextAfterGroupKeepsBothBlanks", "Virtual port (COM7) A", "(COM7) Virtual port  A"},
                      NameCase{"NoParentheses", "Serial Adapter", "Serial Adapter"},
                      NameCase{"GroupTwice", "Port (COM4) (COM4)", "(COM4) Port"},
                      NameCase{"LastGroupOnly", "Bridge (USB) (COM9)", "(COM9) Bridge (USB)"},
                      NameCase{"OnlyOpening", "Port (COM5", "Port (COM5"},
                      NameCase{"OnlyClosing", "Port COM5)", "Port COM5)"},
                      NameCase{"ClosingBeforeOpening", "Port ) x (COM5", "Port ) x (COM5"},
                      NameCase{"NestedUsesLastOfEach", "A (b (c) d) e", "(c) d) A (b  e"},
                      NameCase{"TrimsControlsAndBlanks", "\t Port \r\n(COM2)\x01 ", "(COM2) Port"},
                      NameCase{"GroupAlone", "(COM6)", "(COM6) "},
                      NameCase{"CaseSensitiveRemoval", "(com8) Port (COM8)", "(COM8) (com8) Port"},
                      NameCase{"Empty", "", ""},
                      NameCase{"VirtualPath", "Porta virtuale (/tmp/orvek-a)", "(/tmp/orvek-a) Porta virtuale"}),
    [](const auto& info) { return std::string(info.param.name); });

struct NumberCase {
    const char* name;
    QString portName;
    int number;
};

class ComPortNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ComPortNumberTest, ReadsTheDigitsAfterCom) { EXPECT_EQ(ComPortNumber(GetParam().portName), GetParam().number); }

INSTANTIATE_TEST_SUITE_P(Cases, ComPortNumberTest,
                         ::testing::Values(NumberCase{"OneDigit", "COM3", 3}, NumberCase{"TwoDigits", "COM12", 12},
                                           NumberCase{"ThreeDigits", "COM256", 256}, NumberCase{"LowerCase", "com4", 4},
                                           NumberCase{"NoDigits", "COM", 0}, NumberCase{"LeadingBlanks", "COM  7", 7},
                                           NumberCase{"Plus", "COM+9", 9}, NumberCase{"Minus", "COM-2", -2},
                                           NumberCase{"StopsAtNonDigit", "COM10a5", 10},
                                           NumberCase{"NotCom", "LPT1", 0},
                                           NumberCase{"Huge", "COM99999999999999999999", 2147483647}),
                         [](const auto& info) { return std::string(info.param.name); });

// Runs each case with ORVEK_SERIAL_PORTS under its control and puts the old value back.
class ExtraPortsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hadValue = qEnvironmentVariableIsSet("ORVEK_SERIAL_PORTS");
        m_oldValue = qgetenv("ORVEK_SERIAL_PORTS");
        qunsetenv("ORVEK_SERIAL_PORTS");
        m_systemPorts = EnumComPorts();
    }

    void TearDown() override
    {
        if (m_hadValue)
            qputenv("ORVEK_SERIAL_PORTS", m_oldValue);
        else
            qunsetenv("ORVEK_SERIAL_PORTS");
    }

    static void setExtraPorts(const QStringList& paths)
    {
        qputenv("ORVEK_SERIAL_PORTS", paths.join(QDir::listSeparator()).toLocal8Bit());
    }

    int highestSystemNumber() const
    {
        int highest = 0;
        for (const ComPortInfo& port : m_systemPorts) highest = std::max(highest, port.number);
        return highest;
    }

    bool m_hadValue = false;
    QByteArray m_oldValue;
    QList<ComPortInfo> m_systemPorts;
};

TEST_F(ExtraPortsTest, SystemPortsComeInStableOrderWithUsableNumbers)
{
    const QList<ComPortInfo> again = EnumComPorts();
    ASSERT_EQ(again.size(), m_systemPorts.size());
    for (qsizetype i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].location, m_systemPorts[i].location);
        EXPECT_EQ(again[i].number, m_systemPorts[i].number);
        EXPECT_TRUE(again[i].friendlyName.endsWith(QStringLiteral(" (%1)").arg(again[i].portName)))
            << again[i].friendlyName.toStdString();
#ifndef Q_OS_WIN
        EXPECT_EQ(again[i].number, i + 1);
        if (i > 0) {
            EXPECT_LT(again[i - 1].location, again[i].location);
        }
#endif
    }
}

TEST_F(ExtraPortsTest, NamedPathsFollowTheSystemPortsWithContinuingNumbers)
{
    setExtraPorts({"/tmp/orvek-a", "", "/tmp/orvek-b", "/tmp/orvek-a"});
    const QList<ComPortInfo> ports = EnumComPorts();
    ASSERT_EQ(ports.size(), m_systemPorts.size() + 2) << "empty or repeated entries were listed";
    for (qsizetype i = 0; i < m_systemPorts.size(); ++i) EXPECT_EQ(ports[i].location, m_systemPorts[i].location);

    const ComPortInfo& first = ports[m_systemPorts.size()];
    const ComPortInfo& second = ports[m_systemPorts.size() + 1];
    EXPECT_EQ(first.location, QStringLiteral("/tmp/orvek-a"));
    EXPECT_EQ(first.friendlyName, QStringLiteral("Porta virtuale (/tmp/orvek-a)"));
    EXPECT_EQ(first.number, highestSystemNumber() + 1);
    EXPECT_EQ(second.location, QStringLiteral("/tmp/orvek-b"));
    EXPECT_EQ(second.number, highestSystemNumber() + 2);

    const QList<ComPortInfo> again = EnumComPorts();
    ASSERT_EQ(again.size(), ports.size());
    EXPECT_EQ(again.back().number, second.number);
}

TEST_F(ExtraPortsTest, ListAppendsNumberedDisplayNames)
{
    // A "%" in a path must reach the list as it is.
    setExtraPorts({"/tmp/orvek-%1"});
    QStringList list{"kept"};
    const QList<ComPortInfo> records = ListComPorts(list);

    ASSERT_EQ(list.size(), records.size() + 1);
    EXPECT_EQ(list.front(), QStringLiteral("kept"));
    for (qsizetype i = 0; i < records.size(); ++i)
        EXPECT_EQ(list[i + 1], QStringLiteral("%1;%2").arg(QString::number(records[i].number),
                                                           DisplayName(records[i].friendlyName)));
    EXPECT_EQ(list.back(),
              QString::number(highestSystemNumber() + 1) + QStringLiteral(";(/tmp/orvek-%1) Porta virtuale"));
    EXPECT_EQ(records.back().location, QStringLiteral("/tmp/orvek-%1"));
}

}  // namespace
}  // namespace orvek
