#include "receivedblock.h"

#include <QtTest>

Q_DECLARE_METATYPE(BlockKind)

class ReceivedBlockTest : public QObject
{
    Q_OBJECT

private slots:
    void classifyBlock_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<BlockKind>("kind");
        const auto withMarkerAt = [](int size, int position) {
            return QByteArray(size, 'A').replace(position, 2, "<<");
        };
        QTest::newRow("empty") << QByteArray() << BlockKind::Nothing;
        QTest::newRow("barcode") << QByteArray("12345\r") << BlockKind::Raw;
        QTest::newRow("10 bytes with <<") << withMarkerAt(10, 4) << BlockKind::Raw;
        QTest::newRow("11 bytes with <<") << withMarkerAt(11, 9) << BlockKind::MachineReadableZone;
        QTest::newRow("100 bytes, << at 70") << withMarkerAt(100, 70)
                                            << BlockKind::MachineReadableZone;
        QTest::newRow("40 bytes") << QByteArray(40, 'A') << BlockKind::Raw;
        QTest::newRow("150 bytes") << QByteArray(150, 'A') << BlockKind::Raw;
        QTest::newRow("151 bytes") << QByteArray(151, 'A') << BlockKind::LongRecord;
        QTest::newRow("zero first, 151 bytes") << withMarkerAt(151, 70).replace(0, 1, "\0", 1)
                                               << BlockKind::LongRecord;
        QTest::newRow("zero first, 100 bytes") << withMarkerAt(100, 70).replace(0, 1, "\0", 1)
                                               << BlockKind::Raw;
        QTest::newRow("invalid UTF-8 before <<") << withMarkerAt(20, 10).replace(9, 1, "\xC3")
                                                 << BlockKind::MachineReadableZone;
    }

    void classifyBlock()
    {
        QFETCH(QByteArray, block);
        QFETCH(BlockKind, kind);
        QCOMPARE(int(::classifyBlock(block)), int(kind));
    }

    void receiveLogEntry_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("entry");
        QTest::newRow("three bytes") << QByteArray("AB\r") << "[14:05:09]Receive 3 bytes data:\r\n41 42 0D";
        QTest::newRow("high bytes") << QByteArray("\x57\x00\xff\x80", 4)
                                    << "[14:05:09]Receive 4 bytes data:\r\n57 00 FF 80";
        QTest::newRow("empty") << QByteArray() << "[14:05:09]Receive 0 bytes data:\r\n";
    }

    void receiveLogEntry()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, entry);
        QCOMPARE(::receiveLogEntry(QTime(14, 5, 9), block), entry);
    }
};

QTEST_GUILESS_MAIN(ReceivedBlockTest)
#include "tst_receivedblock.moc"
