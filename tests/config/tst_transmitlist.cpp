#include "transmitlist.h"

#include <QtTest>

class TransmitListTest : public QObject
{
    Q_OBJECT

private slots:
    void canAddField_data()
    {
        QTest::addColumn<QStringList>("transmitList");
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("empty list") << QStringList() << "Apellido" << true;
        QTest::newRow("already chosen") << QStringList{"Nombre", "Apellido"} << "Apellido" << false;
        QTest::newRow("accented, chosen") << QStringList{"Género"} << "Género" << false;
        QTest::newRow("other fields only") << QStringList{"Nombre", "TAB"} << "Género" << true;
        QTest::newRow("case differs") << QStringList{"apellido"} << "Apellido" << true;
    }

    void canAddField()
    {
        QFETCH(QStringList, transmitList);
        QFETCH(QString, fieldName);
        QFETCH(bool, allowed);
        QCOMPARE(::canAddField(transmitList, fieldName), allowed);
    }
};

QTEST_GUILESS_MAIN(TransmitListTest)
#include "tst_transmitlist.moc"
