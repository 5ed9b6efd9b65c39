// The byte layer of the scanner protocol: hex command texts to bytes, the
// recognisers that end a reply read, and the payload of a ResponseFrame.
#include "frames.h"
#include "hexcodec.h"

#include <QtTest>

namespace {
QByteArray bytes(const char *hex) { return QByteArray::fromHex(hex); }
QString hexOf(const QByteArray &block) { return QString::fromLatin1(block.toHex(' ')); }
} // namespace

class FramesTest : public QObject
{
    Q_OBJECT

private slots:
    void hexTextConverts_data();
    void hexTextConverts();
    void responseFrameRecognised_data();
    void responseFrameRecognised();
    void auxiliaryReplyRecognised_data();
    void auxiliaryReplyRecognised();
    void replyCompleteness_data();
    void replyCompleteness();
    void noiseBeforeTheReply_data();
    void noiseBeforeTheReply();
    void payloadClampedToReceivedBytes_data();
    void payloadClampedToReceivedBytes();
};

void FramesTest::hexTextConverts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("start decoding") << QByteArray("5700 18 00 5500") << bytes("570018005500");
    QTest::newRow("set with flag") << QByteArray("5700 17 0030 0000 01 005500") << bytes("5700170030000001005500");
    QTest::newRow("model query") << QByteArray("5700 16 0085 00 5500") << bytes("5700160085005500");
    QTest::newRow("lower-case digits") << QByteArray("5700 16 0a0b 00 5500") << bytes("5700160a0b005500");
    QTest::newRow("two spaces shift the pairs")
        << QByteArray("5700 16  0430 00 5500") << bytes("570016004300005500");
    QTest::newRow("single character") << QByteArray("5") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("not hex becomes zero") << QByteArray("57ZZ55") << bytes("570055");
    QTest::newRow("odd tail is dropped") << QByteArray("57005") << bytes("5700");
    QTest::newRow("lone digit after a space") << QByteArray("57 0") << bytes("5700");
    QTest::newRow("trailing space") << QByteArray("5700 ") << bytes("5700");
}

void FramesTest::hexTextConverts()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(hexOf(hexTextToBytes(text)), hexOf(expected));
}

void FramesTest::responseFrameRecognised_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("frame");
    QTest::newRow("version reply AB") << bytes("310016038502004142005500") << true;
    QTest::newRow("six bytes") << bytes("310000005500") << true;
    QTest::newRow("five bytes") << bytes("3100005500") << false;
    QTest::newRow("second header byte 01") << bytes("31010000005500") << false;
    QTest::newRow("first header byte 32") << bytes("32000000005500") << false;
    QTest::newRow("trailer 00 55 01") << bytes("31000000005501") << false;
    QTest::newRow("trailer 01 55 00") << bytes("31000000015500") << false;
    QTest::newRow("text line") << bytes("4b52310d0a") << false;
}

void FramesTest::responseFrameRecognised()
{
    QFETCH(QByteArray, block);
    QFETCH(bool, frame);
    QVERIFY2(isResponseFrame(block.constData(), block.size()) == frame, qPrintable(hexOf(block)));
}

void FramesTest::auxiliaryReplyRecognised_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("auxiliary");
    QTest::newRow("escape alone") << bytes("1b") << false;
    QTest::newRow("escape 1B 00") << bytes("1b00") << true;
    QTest::newRow("w/x reply") << bytes("77010278") << true;
    QTest::newRow("w without x") << bytes("77010279") << false;
    QTest::newRow("33 06 ... 66 99") << bytes("3306016699") << true;
    QTest::newRow("33 09 ... 66 99") << bytes("3309016699") << false;
    QTest::newRow("33 06 ... 99 66") << bytes("3306019966") << false;
    QTest::newRow("other first byte") << bytes("31000000005500") << false;
}

void FramesTest::auxiliaryReplyRecognised()
{
    QFETCH(QByteArray, block);
    QFETCH(bool, auxiliary);
    QVERIFY2(isAuxiliaryReply(block.constData(), block.size()) == auxiliary, qPrintable(hexOf(block)));
}

// The length of the complete reply in the gathered bytes; 0 while incomplete.
void FramesTest::replyCompleteness_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("complete");
    QTest::newRow("CR LF line") << QByteArray("KR1\r\n") << 5;
    QTest::newRow("bare CR LF") << QByteArray("\r\n") << 2;
    QTest::newRow("LF CR") << QByteArray("KR1\n\r") << 0;
    QTest::newRow("ResponseFrame") << bytes("310016008503004b5231005500") << 13;
    QTest::newRow("first piece of a frame") << bytes("31001600") << 0;
    QTest::newRow("three bytes 31 00 00") << bytes("310000") << 0;
    QTest::newRow("six-byte frame, no length yet") << bytes("310000005500") << 6;
    QTest::newRow("three-byte escape reply") << bytes("1b0000") << 0;
    QTest::newRow("four-byte escape reply") << bytes("1b000000") << 4;
    QTest::newRow("w/x reply") << bytes("77000078") << 4;

    // A frame whose length has arrived ends where it says, and only there.
    const QByteArray version = bytes("31001603850600") + "V2.3\r\n" + bytes("005500");
    QTest::newRow("version cut after its CR LF") << version.left(13) << 0;
    QTest::newRow("version whole") << version << 16;
    QTest::newRow("version and the next bytes") << version + "77" << 16;
    const QByteArray trailerInside = bytes("31001603850500") + bytes("41005500") + "B" + bytes("005500");
    QTest::newRow("00 55 00 inside the payload") << trailerInside.left(11) << 0;
    QTest::newRow("00 55 00 inside, whole") << trailerInside << 15;
    QTest::newRow("payload that looks like 33 06 .. 66 99") << bytes("31001603850400") + bytes("33066699") << 0;
    QTest::newRow("empty payload") << bytes("31001603850000005500") << 10;
    QTest::newRow("length reached, trailer wrong") << bytes("31001603850100") + "A" + bytes("010203") << 11;
}

void FramesTest::replyCompleteness()
{
    QFETCH(QByteArray, block);
    QFETCH(int, complete);
    QVERIFY2(completeReplyLength(block.constData(), block.size()) == complete, qPrintable(hexOf(block)));
}

void FramesTest::noiseBeforeTheReply_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("noise");
    const QByteArray frame = bytes("310016038502004142005500");
    QTest::newRow("frame alone") << frame << 0;
    QTest::newRow("noise, then the frame") << bytes("ff136e6f697365a5") + frame << 8;
    QTest::newRow("barcode line, then the frame") << QByteArray("7501234567890\r\n") + frame << 15;
    QTest::newRow("noise, then the header's first byte") << bytes("ff1331") << 0;
    QTest::newRow("noise, then the header") << bytes("ff133100") << 2;
    QTest::newRow("a line alone stays a reply") << QByteArray("KR1\r\n") << 0;
    QTest::newRow("escape reply alone") << bytes("1b414243") << 0;
    QTest::newRow("31 00 inside a frame's payload") << bytes("3100160385020031005500") << 0;
}

void FramesTest::noiseBeforeTheReply()
{
    QFETCH(QByteArray, block);
    QFETCH(int, noise);
    QCOMPARE(bytesBeforeReplyHeader(block.constData(), block.size()), noise);
}

void FramesTest::payloadClampedToReceivedBytes_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("AB") << bytes("310016038502004142005500") << QByteArray("AB");
    QTest::newRow("length zero") << bytes("3100160385000000 5500") << QByteArray();
    QTest::newRow("length as 16 bits") << (bytes("31001600850001") + QByteArray(256, 'x') + bytes("005500"))
                                       << QByteArray(256, 'x');
    QTest::newRow("length past the end") << bytes("3100160385ff00414200 5500") << QByteArray("AB");
    QTest::newRow("no payload bytes at all") << bytes("310016038509") << QByteArray();
}

void FramesTest::payloadClampedToReceivedBytes()
{
    QFETCH(QByteArray, block);
    QFETCH(QByteArray, payload);
    QCOMPARE(hexOf(responsePayload(block.constData(), block.size())), hexOf(payload));
}

QTEST_GUILESS_MAIN(FramesTest)
#include "tst_frames.moc"
