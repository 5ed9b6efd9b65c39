#include "cardblocks.h"
#include "cardparser.h"
#include "composer.h"
#include "fieldnames.h"

#include <QtTest>

namespace {

IdRecord sampleRecord()
{
    return {"A1", "H2", "12345678", "PEREZ GOMEZ", "JUAN", "M", "85/03/12", "05", "01", "O+",
            "NULL"};
}

} // namespace

Q_DECLARE_METATYPE(IdRecord)

class ComposerTest : public QObject
{
    Q_OBJECT

private slots:
    void composeOutput_data()
    {
        QTest::addColumn<QStringList>("transmitList");
        QTest::addColumn<IdRecord>("record");
        QTest::addColumn<QByteArray>("bytes");
        const IdRecord sample = sampleRecord();
        IdRecord noNumber = sample;
        noNumber.idNumber.clear();
        const QStringList cardList{"Número de Cedula", "TAB", "Apellido", "Enter"};
        QStringList everyField = fieldNameList();
        std::reverse(everyField.begin(), everyField.end());

        QTest::newRow("number and surnames") << cardList << sample
                                             << QByteArray("12345678\tPEREZ GOMEZ\r");
        QTest::newRow("empty field keeps separator") << cardList << noNumber
                                                     << QByteArray("\tPEREZ GOMEZ\r");
        QTest::newRow("three spaces") << QStringList{"Space", "Space", "Space"} << sample
                                      << QByteArray("   ");
        QTest::newRow("separators only") << QStringList{"Enter", "TAB"} << IdRecord()
                                         << QByteArray("\r\t");
        QTest::newRow("every field in reverse") << everyField << sample
                                                << QByteArray("NULLO+010585/03/12MJUANPEREZ "
                                                              "GOMEZA1H212345678");
        QTest::newRow("entry matching nothing") << QStringList{"Nombre", "Apellidos", "Nombre"}
                                                << sample << QByteArray("JUANJUAN");
        QTest::newRow("separator inside an entry") << QStringList{"Spaces", "xTABx"} << sample
                                                   << QByteArray(" \t");
        QTest::newRow("empty list") << QStringList() << sample << QByteArray();
        // Written into Config.ini by hand in UTF-8, read by QSettings as Latin-1.
        QTest::newRow("names written in UTF-8")
            << QStringList{QString::fromLatin1("N\xc3\xbamero de Cedula"), "TAB", QString::fromLatin1("G\xc3\xa9nero")}
            << sample << QByteArray("12345678\tM");
    }

    void entriesMatchingNothing_data()
    {
        QTest::addColumn<QStringList>("transmitList");
        QTest::addColumn<QStringList>("unmatched");
        QTest::newRow("every entry matches")
            << QStringList{"Número de Cedula", "xTABx", QString::fromLatin1("G\xc3\xa9nero"), "Enter"} << QStringList();
        QTest::newRow("each named once, in order")
            << QStringList{"Numero de Cedula", "Nombre", "Apellidos", "Numero de Cedula"}
            << QStringList{"Numero de Cedula", "Apellidos"};
        QTest::newRow("empty entries left out") << QStringList{"", "TAB", ""} << QStringList();
        QTest::newRow("UTF-8 of no field name") << QStringList{QString::fromLatin1("N\xc3\xbamero")}
                                                << QStringList{QString::fromLatin1("N\xc3\xbamero")};
    }

    void entriesMatchingNothing()
    {
        QFETCH(QStringList, transmitList);
        QFETCH(QStringList, unmatched);
        QCOMPARE(::entriesMatchingNothing(transmitList), unmatched);
    }

    void composeOutput()
    {
        QFETCH(QStringList, transmitList);
        QFETCH(IdRecord, record);
        QFETCH(QByteArray, bytes);
        QCOMPARE(::composeOutput(transmitList, record).toHex(' '), bytes.toHex(' '));
    }

    // Card bytes 128 to 255 come out as the same bytes to type.
    void latin1Survives()
    {
        for (int byte = 128; byte < 256; ++byte) {
            QByteArray block = longRecordBlock();
            const QByteArray afis = QByteArray("A") + char(byte) + "B";
            putBytes(block, 1, afis + QByteArray(6, ' '));
            const IdRecord record = parseLongRecord(block, 0);
            QCOMPARE(::composeOutput({"Código AFIS"}, record).toHex(' '), afis.toHex(' '));
        }
    }

    void composerSuppressed_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("suppressed");
        QTest::newRow("form tab") << "Campos a Transmitir" << false;
        QTest::newRow("no tab") << "" << false;
        QTest::newRow("Fixed") << "Fixed" << true;
        QTest::newRow("Fixed inside") << "Campos Fixed 2" << true;
        QTest::newRow("lower case") << "fixed" << false;
    }

    void composerSuppressed()
    {
        QFETCH(QString, title);
        QFETCH(bool, suppressed);
        QCOMPARE(::composerSuppressed(title), suppressed);
    }
};

QTEST_GUILESS_MAIN(ComposerTest)
#include "tst_composer.moc"
