#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

namespace orvek::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kGenerous = 20s;

// The built program, reading a pipe that stays open: each frame is printed when its bytes
// arrive, not at the end of input.
TEST(OrvekExecutable, DecodesAPipeAsItComes)
{
    QProcess decode;
    decode.start(QStringLiteral(ORVEK_TOOL_PATH), {QStringLiteral("decode")});
    ASSERT_TRUE(decode.waitForStarted(static_cast<int>(std::chrono::milliseconds(kGenerous).count())));

    decode.write("00 FF 01 05 01 00 00 00 01 06 0D 0A\n");
    QByteArray out;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (out += decode.readAllStandardOutput()).contains("CK ok (sum 262)\n"); },
                                std::chrono::milliseconds(kGenerous).count()));
    EXPECT_EQ(decode.state(), QProcess::Running);

    decode.write("00 8F 01 00 00 00 00 90 0D");
    decode.write(" 0A\n");
    decode.closeWriteChannel();
    ASSERT_TRUE(decode.waitForFinished(static_cast<int>(std::chrono::milliseconds(kGenerous).count())));
    out += decode.readAllStandardOutput();
    EXPECT_EQ(out.toStdString(),
              "ERRORE!!  ID(1)  Comando:\"5\"  Tipo:1 Checksum errato  Parametro:0 CK ok (sum 262)\n"
              "code 143: no decoded line CK ok (sum 144)\n");
    EXPECT_EQ(decode.exitCode(), 0);
    EXPECT_EQ(decode.readAllStandardError().toStdString(), "");
}

TEST(OrvekExecutable, BadInputExitsTwoWithOneLine)
{
    QProcess encode;
    encode.start(QStringLiteral(ORVEK_TOOL_PATH),
                 {QStringLiteral("encode"), QStringLiteral("52"), QStringLiteral("x=1")});
    ASSERT_TRUE(encode.waitForFinished(static_cast<int>(std::chrono::milliseconds(kGenerous).count())));
    EXPECT_EQ(encode.exitCode(), 2);
    EXPECT_EQ(encode.readAllStandardOutput().toStdString(), "");
    EXPECT_EQ(encode.readAllStandardError().toStdString(),
              "orvek encode: command 52 takes no NAME=VALUE (it has no dialog): 'x=1'\n");
}

}  // namespace
}  // namespace orvek::test
