#include "console/TrafficLogModel.h"

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orvek {
namespace {

using Bytes = std::vector<std::uint8_t>;

const QDateTime kWhen(QDate(2026, 3, 4), QTime(5, 6, 7, 89));

std::string ExpectedTimeStamp()
{
    const QLocale locale = QLocale::system();
    return (locale.toString(kWhen.date(), locale.dateFormat(QLocale::ShortFormat)) + QStringLiteral(" 05:06:07.089"))
        .toStdString();
}

ReceivedFrame Received(Bytes bytes)
{
    ReceivedFrame frame;
    frame.bytes = std::move(bytes);
    return frame;
}

std::string Line(const TrafficLogModel& model, int row, int role = Qt::DisplayRole)
{
    return model.data(model.index(row), role).toString().toStdString();
}

struct LineCase {
    const char* name;
    TrafficLogModel::Kind kind;
    Bytes frame;
    std::string frameLineAfterTimeStamp;  // the frame line from the "</B></FONT>" after the time stamp on
    std::string childLine;                // empty: the frame has no child line
};

class TrafficLogLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(TrafficLogLineTest, MakesTheLinesOfTheFrame)
{
    const LineCase& param = GetParam();
    TrafficLogModel model;
    if (param.kind == TrafficLogModel::Kind::Received)
        model.appendReceived(kWhen.toMSecsSinceEpoch(), Received(param.frame));
    else
        model.appendSent(kWhen.toMSecsSinceEpoch(), param.frame, param.kind == TrafficLogModel::Kind::Sent);
    model.flush();

    const bool hasChild = !param.childLine.empty();
    ASSERT_EQ(model.rowCount(), hasChild ? 2 : 1);
    EXPECT_EQ(Line(model, 0), "<FONT color=\"clBlue\"><B>" + ExpectedTimeStamp() + param.frameLineAfterTimeStamp);
    EXPECT_EQ(model.data(model.index(0), TrafficLogModel::LevelRole).toInt(), 0);
    EXPECT_EQ(model.data(model.index(0), TrafficLogModel::HasChildRole).toBool(), hasChild);
    if (!hasChild) return;
    EXPECT_EQ(Line(model, 1), param.childLine);
    EXPECT_EQ(model.data(model.index(1), TrafficLogModel::LevelRole).toInt(), 1);
    EXPECT_FALSE(model.data(model.index(1), TrafficLogModel::HasChildRole).toBool());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TrafficLogLineTest,
    ::testing::Values(LineCase{"Sent",
                               TrafficLogModel::Kind::Sent,
                               {0x00, 0x05, 0x01, 0x00, 0x00, 0x00, 0x03, 0x0D, 0x0A},
                               "</B></FONT> <FONT color=\"clRed\">Inviato: </FONT> 000501000000030D0A CK(6)",
                               ""},
                      LineCase{"NotSent",
                               TrafficLogModel::Kind::NotSent,
                               {0x00, 0x05, 0x01, 0x00, 0x00, 0x00, 0x03, 0x0D, 0x0A},
                               "</B></FONT> <FONT color=\"clRed\">Non inviato: </FONT> 000501000000030D0A CK(6)",
                               ""},
                      LineCase{
                          "ReceivedWithDecodedLine",
                          TrafficLogModel::Kind::Received,
                          {0x00, 0xFF, 0x07, 0x03, 0x01, 0x00, 0x00, 0x00, 0x01, 0x0A, 0x0D, 0x0A},
                          "</B></FONT> <FONT color=\"clGreen\">Ricevuto: </FONT> 00FF070301000000010A0D0A "
                          "<FONT color=\"clGreen\">CK(266)</FONT>",
                          "ERRORE!!  ID(7)  Comando:<B>\"3\"</B>  Tipo:<B>1 Checksum errato</B>  Parametro:<B>0</B> "
                          "<FONT color=\"clGreen\">CK(266)</FONT>"},
                      LineCase{"ReceivedUnknownCodeHasOnlyTheSuffix",
                               TrafficLogModel::Kind::Received,
                               {0x00, 0x8F, 0x01, 0x00, 0x00, 0x00, 0x90, 0x0D, 0x0A},
                               "</B></FONT> <FONT color=\"clGreen\">Ricevuto: </FONT> 008F01000000900D0A "
                               "<FONT color=\"clGreen\">CK(144)</FONT>",
                               " <FONT color=\"clGreen\">CK(144)</FONT>"},
                      LineCase{"ReceivedChecksumMismatchIsRed",
                               TrafficLogModel::Kind::Received,
                               {0x00, 0x8F, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x0D, 0x0A},
                               "</B></FONT> <FONT color=\"clGreen\">Ricevuto: </FONT> 008F01FFFFFFFF0D0A "
                               "<FONT color=\"clRed\">CK(-1)</FONT>",
                               " <FONT color=\"clRed\">CK(144)</FONT>"},
                      // Nothing hands the log such a frame, but it must not read outside it.
                      LineCase{"SentTooShortForAChecksum",
                               TrafficLogModel::Kind::Sent,
                               {0x00, 0x05, 0x01},
                               "</B></FONT> <FONT color=\"clRed\">Inviato: </FONT> 000501 CK(0)",
                               ""}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(TrafficLogModelTest, PlainTextHasNoTags)
{
    TrafficLogModel model;
    model.appendReceived(kWhen.toMSecsSinceEpoch(),
                         Received({0x00, 0xFF, 0x07, 0x03, 0x01, 0x00, 0x00, 0x00, 0x01, 0x0A, 0x0D, 0x0A}));
    model.flush();
    EXPECT_EQ(Line(model, 0, TrafficLogModel::PlainTextRole),
              ExpectedTimeStamp() + " Ricevuto:  00FF070301000000010A0D0A CK(266)");
    EXPECT_EQ(Line(model, 1, TrafficLogModel::PlainTextRole),
              "ERRORE!!  ID(7)  Comando:\"3\"  Tipo:1 Checksum errato  Parametro:0 CK(266)");
}

// Sent and received frames interleaved: every row must find its own frame.
TEST(TrafficLogModelTest, MixedFramesKeepTheirOrder)
{
    TrafficLogModel model;
    const Bytes sent{0x00, 0x05, 0x01, 0x00, 0x00, 0x00, 0x03, 0x0D, 0x0A};
    for (int i = 0; i < 3; ++i) {
        model.appendSent(kWhen.toMSecsSinceEpoch() + i, sent, true);
        model.appendReceived(kWhen.toMSecsSinceEpoch() + i, Received({0x00, 0x8F, std::uint8_t(i), 0x00, 0x00, 0x00,
                                                                      std::uint8_t(0x8F + i), 0x0D, 0x0A}));
    }
    model.flush();
    ASSERT_EQ(model.rowCount(), 9);
    EXPECT_EQ(model.frameCount(), 6u);
    const std::vector<int> levels{0, 0, 1, 0, 0, 1, 0, 0, 1};
    for (int row = 0; row < 9; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(model.data(model.index(row), TrafficLogModel::LevelRole).toInt(), levels[row]);
        const std::string line = Line(model, row, TrafficLogModel::PlainTextRole);
        switch (row % 3) {
            case 0:
                EXPECT_NE(line.find("Inviato"), std::string::npos);
                break;
            case 1:
                EXPECT_NE(line.find("008F0" + std::to_string(row / 3)), std::string::npos);
                break;
            default:
                EXPECT_EQ(line, " CK(" + std::to_string(0x8F + row / 3) + ")");
        }
    }
}

class TrafficLogBatchTest : public ::testing::Test {
protected:
    void appendFrames(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_model.appendReceived(i, Received({0x00, 0x8F, 0x01, 0x00, 0x00, 0x00, 0x90, 0x0D, 0x0A}));
            m_model.appendSent(i, Bytes{0x00, 0x05, 0x01, 0x00, 0x00, 0x00, 0x03, 0x0D, 0x0A}, false);
        }
    }

    TrafficLogModel m_model;
    QSignalSpy m_inserted{&m_model, &QAbstractItemModel::rowsInserted};
    QSignalSpy m_reset{&m_model, &QAbstractItemModel::modelReset};
};

TEST_F(TrafficLogBatchTest, ManyAppendsInOneTurnAreOneInsertion)
{
    appendFrames(500);
    EXPECT_EQ(m_model.rowCount(), 0);
    EXPECT_EQ(m_model.frameCount(), 1000u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_inserted.count() == 1; })) << m_inserted.count();
    EXPECT_EQ(m_inserted[0][1].toInt(), 0);
    EXPECT_EQ(m_inserted[0][2].toInt(), 1499);
    EXPECT_EQ(m_model.rowCount(), 1500);

    appendFrames(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_inserted.count() == 2; })) << m_inserted.count();
    EXPECT_EQ(m_inserted[1][1].toInt(), 1500);
    EXPECT_EQ(m_inserted[1][2].toInt(), 1502);
}

TEST_F(TrafficLogBatchTest, FlushInsertsAtOnceAndTheQueuedTurnAddsNothing)
{
    appendFrames(3);
    m_model.flush();
    EXPECT_EQ(m_inserted.count(), 1);
    EXPECT_EQ(m_model.rowCount(), 9);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_inserted.count(), 1);
}

TEST_F(TrafficLogBatchTest, ClearIsOneResetAndLaterLinesStartAtTheTop)
{
    appendFrames(10);
    m_model.flush();
    m_model.clear();
    EXPECT_EQ(m_reset.count(), 1);
    EXPECT_EQ(m_model.rowCount(), 0);
    EXPECT_EQ(m_model.frameCount(), 0u);

    m_model.appendSent(kWhen.toMSecsSinceEpoch(), Bytes{0x00, 0x07, 0x01, 0x00, 0x00, 0x00, 0x04, 0x0D, 0x0A}, true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_model.rowCount() == 1; })) << m_model.rowCount();
    EXPECT_NE(Line(m_model, 0).find("000701000000040D0A"), std::string::npos);
}

TEST_F(TrafficLogBatchTest, ClearDropsQueuedLines)
{
    appendFrames(10);
    m_model.clear();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_inserted.count(), 0);
    EXPECT_EQ(m_model.rowCount(), 0);
    EXPECT_EQ(m_model.frameCount(), 0u);
}

TEST_F(TrafficLogBatchTest, ClearingAnEmptyLogDoesNothing)
{
    m_model.clear();
    EXPECT_EQ(m_reset.count(), 0);
}

// The tester reports through qWarning; any warning fails the test.
class ModelWarnings {
public:
    ModelWarnings() { s_count = 0, m_previous = qInstallMessageHandler(&Count); }
    ~ModelWarnings() { qInstallMessageHandler(m_previous); }
    int count() const { return s_count; }

private:
    static void Count(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type == QtDebugMsg || type == QtInfoMsg) return;
        ++s_count;
        ADD_FAILURE() << message.toStdString();
    }
    static inline int s_count = 0;
    QtMessageHandler m_previous;
};

TEST_F(TrafficLogBatchTest, PassesTheModelTesterWhileAppendingAndClearing)
{
    const ModelWarnings warnings;
    QAbstractItemModelTester tester(&m_model, QAbstractItemModelTester::FailureReportingMode::Warning);
    for (int turn = 0; turn < 5; ++turn) {
        appendFrames(20 + turn);
        QCoreApplication::processEvents();
    }
    m_model.clear();
    m_model.clear();
    appendFrames(2);
    m_model.flush();
    m_model.clear();
    EXPECT_EQ(warnings.count(), 0);
}

}  // namespace
}  // namespace orvek
