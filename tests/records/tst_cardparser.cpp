#include "cardblocks.h"
#include "cardparser.h"
#include "carddate.h"

#include <QtTest>

namespace {

const QDate kToday(2026, 6, 1);

// Every message the parsers write, with its category.
QStringList loggedLines;

void collectLine(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    loggedLines << QStringLiteral("%1: %2").arg(QString::fromLatin1(context.category), message);
}

} // namespace

class CardParserTest : public QObject
{
    Q_OBJECT

private slots:
    void formatCardDate_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("formatted");
        QTest::newRow("aa/mm/dd") << "19850312" << 0 << "85/03/12";
        QTest::newRow("aaaa/mm/dd") << "19850312" << 1 << "1985/03/12";
        QTest::newRow("dd/mm/aa") << "19850312" << 2 << "12/03/85";
        QTest::newRow("dd/mm/aaaa") << "19850312" << 3 << "12/03/1985";
        QTest::newRow("unknown index") << "19850312" << 4 << "19850312";
        QTest::newRow("negative index") << "19850312" << -1 << "19850312";
        QTest::newRow("short text") << "1985" << 3 << "//1985";
        QTest::newRow("empty text") << "" << 0 << "//";
    }

    void formatCardDate()
    {
        QFETCH(QString, date);
        QFETCH(int, index);
        QFETCH(QString, formatted);
        QCOMPARE(::formatCardDate(date, index), formatted);
    }

    // The two-digit birth year takes its century from today's date.
    void mrzBirthCentury_data()
    {
        QTest::addColumn<QByteArray>("birthYear");
        QTest::addColumn<QString>("birthDate");
        QTest::newRow("30 is last century") << QByteArray("30") << "1930/03/12";
        QTest::newRow("26 is this year") << QByteArray("26") << "2026/03/12";
        QTest::newRow("05 is this century") << QByteArray("05") << "2005/03/12";
        QTest::newRow("not a number") << QByteArray("AB") << "20AB/03/12";
    }

    void mrzBirthCentury()
    {
        QFETCH(QByteArray, birthYear);
        QFETCH(QString, birthDate);
        QByteArray block = mrzBlock("PEREZ<<JUAN");
        putBytes(block, 30, birthYear);
        QCOMPARE(parseMrzRecord(block, kDateYyyyMmDd, kToday).value().birthDate, birthDate);
    }

    void mrzNames_data()
    {
        QTest::addColumn<QByteArray>("nameLine");
        QTest::addColumn<QString>("surnames");
        QTest::addColumn<QString>("givenNames");
        QTest::newRow("two and two") << QByteArray("PEREZ<GOMEZ<<JUAN<CARLOS") << "PEREZ GOMEZ"
                                     << "JUAN CARLOS";
        QTest::newRow("three fillers") << QByteArray("PEREZ<<<JUAN") << "PEREZ" << "JUAN";
        QTest::newRow("lower-case s dropped") << QByteArray("PEsREZ<<JUAsN") << "PEREZ" << "JUAN";
        QTest::newRow("zero ends the line") << QByteArray("PEREZ<<JU\0AN<<", 14) << "PEREZ" << "JU";
    }

    void mrzNames()
    {
        QFETCH(QByteArray, nameLine);
        QFETCH(QString, surnames);
        QFETCH(QString, givenNames);
        const IdRecord record = parseMrzRecord(mrzBlock(nameLine), kDateDdMmYyyy, kToday).value();
        QCOMPARE(record.surnames, surnames);
        QCOMPARE(record.givenNames, givenNames);
    }

    // Fields the zone does not carry are empty; the expiry is the raw YYMMDD.
    void mrzRecord()
    {
        IdRecord expected;
        expected.idNumber = "12345678";
        expected.surnames = "PEREZ";
        expected.givenNames = "JUAN";
        expected.gender = "M";
        expected.birthDate = "12/03/1985";
        expected.expiryDate = "300101";
        QVERIFY(parseMrzRecord(mrzBlock("PEREZ<<JUAN"), kDateDdMmYyyy, kToday) == expected);
    }

    // A cardholder's name must not reach the session's log unless the
    // operator asked for it with a logging rule.
    void mrzNamesLoggedOnlyWhenAsked_data()
    {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("by default") << QString() << QStringList();
        QTest::newRow("other categories on") << QStringLiteral("quillon.link.debug=true") << QStringList();
        // The name line split at its "<<" marks, fillers and all.
        QTest::newRow("turned on") << QStringLiteral("quillon.card.debug=true")
                                   << QStringList{QStringLiteral("quillon.card: (\"PEREZ\", \"JUAN\", \"\", \"\", \"\", "
                                                                 "\"\", \"\", \"\", \"\", \"\", \"<\")")};
    }

    void mrzNamesLoggedOnlyWhenAsked()
    {
        QFETCH(QString, rules);
        QFETCH(QStringList, lines);
        QLoggingCategory::setFilterRules(rules);
        loggedLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectLine);
        const bool parsed = parseMrzRecord(mrzBlock("PEREZ<<JUAN"), kDateDdMmYyyy, kToday).has_value();
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        QVERIFY(parsed);
        QCOMPARE(loggedLines, lines);
    }

    void mrzRejected_data()
    {
        QTest::addColumn<QByteArray>("block");
        QByteArray inLine1 = mrzBlock("PEREZ");
        putBytes(inLine1, 60, QByteArray(30, ' '));
        QTest::newRow("<< only in lines 1 and 2") << inLine1;
        QTest::newRow("<< after a zero") << mrzBlock(QByteArray("PEREZ\0<<JUAN", 12));
        QTest::newRow("12 bytes") << QByteArray("AB<<CDEFGHIJ");
    }

    void mrzRejected()
    {
        QFETCH(QByteArray, block);
        QVERIFY(!parseMrzRecord(block, kDateYyMmDd, kToday).has_value());
    }

    // A zone cut short is judged by the name line bytes that arrived.
    void mrzShortBlocks()
    {
        constexpr int kFirstAcceptedSize = 67; // "PEREZ<<" ends at byte 66
        const QByteArray block = mrzBlock("PEREZ<<JUAN");
        for (int size = 11; size < block.size(); ++size) {
            const auto record = parseMrzRecord(block.left(size), kDateYyMmDd, kToday);
            QCOMPARE(record.has_value(), size >= kFirstAcceptedSize);
            if (record)
                QCOMPARE(record->givenNames, QString("JUAN").left(size - kFirstAcceptedSize));
        }
    }

    void longRecord()
    {
        IdRecord expected{"A12345678", "H7654321", "1020304050", "PEREZ GOMEZ", "JUAN CARLOS",
                          "M", "85/03/12", "05", "01", "O+", "NULL"};
        QVERIFY(parseLongRecord(longRecordBlock(), kDateYyMmDd) == expected);
    }

    void longRecordNames_data()
    {
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QString>("surnames");
        QTest::newRow("zero-padded") << QByteArray("GOMEZ") + QByteArray(18, '\0') << "PEREZ GOMEZ";
        QTest::newRow("zeros first") << QByteArray(3, '\0') + "GOMEZ" << "PEREZ GOMEZ";
        QTest::newRow("space-padded") << QByteArray("  GOMEZ") << "PEREZ GOMEZ";
        QTest::newRow("empty") << QByteArray(23, ' ') << "PEREZ";
        QTest::newRow("zeros only") << QByteArray(23, '\0') << "PEREZ";
    }

    void longRecordNames()
    {
        QFETCH(QByteArray, second);
        QFETCH(QString, surnames);
        QByteArray block = longRecordBlock();
        putBytes(block, 81, QByteArray(23, ' '));
        putBytes(block, 81, second);
        QCOMPARE(parseLongRecord(block, kDateYyMmDd).surnames, surnames);
    }

    // Only names lose their zero characters.
    void longRecordAfisKeepsZeros()
    {
        QByteArray block = longRecordBlock();
        putBytes(block, 1, QByteArray("A1234\0\0\0\0", 9));
        QCOMPARE(parseLongRecord(block, kDateYyMmDd).afisCode, QString::fromLatin1("A1234\0\0\0\0", 9));
    }

    // A record of 151 to 167 bytes keeps the part of each late field that
    // arrived.
    void longRecordShortBlocks()
    {
        for (int size = 151; size < 168; ++size) {
            const auto late = [size](int position, int length) {
                return QString::fromLatin1(longRecordBlock().mid(position, length))
                    .left(qMax(0, size - position));
            };
            const IdRecord record = parseLongRecord(longRecordBlock(size), kDateYyyyMmDd);
            QCOMPARE(record.gender, late(151, 1));
            QCOMPARE(record.birthDate,
                     ::formatCardDate(late(152, 4) + late(156, 2) + late(158, 2), kDateYyyyMmDd));
            QCOMPARE(record.department, late(160, 2));
            QCOMPARE(record.municipalityCode, late(162, 2));
            QCOMPARE(record.bloodType, late(166, 2));
            QCOMPARE(record.expiryDate, QString("NULL"));
        }
    }
};

QTEST_GUILESS_MAIN(CardParserTest)
#include "tst_cardparser.moc"
