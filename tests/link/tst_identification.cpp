// Identifying the scanner from its replies: the version and model texts,
// the DeviceType of each model name, the result text under the panel; and
// the ports an operator names on the command line, how a port is described
// and where it stands in the list, and what Windows' device instance id
// tells of a USB adapter.
#include "devicetype.h"
#include "portlist.h"
#include "replytext.h"

#include <QtTest>

#include <algorithm>

class IdentificationTest : public QObject
{
    Q_OBJECT

private slots:
    void deviceTypeOfModel_data();
    void deviceTypeOfModel();
    void resultText_data();
    void resultText();
    void replyTexts_data();
    void replyTexts();
    void portDescribed_data();
    void portDescribed();
    void portsInOrder_data();
    void portsInOrder();
    void usbAdapterFromInstanceId_data();
    void usbAdapterFromInstanceId();
};

void IdentificationTest::deviceTypeOfModel_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("deviceType");
    const QList<QPair<const char *, int>> table{
        {"KR1", 2}, {"KR2", 1}, {"KR3", 3}, {"KR4", 11}, {"KR5", 5}, {"KR6", 4}, {"KR7", 6},
        {"KR8", 7}, {"KR9", 8}, {"KR10", 9}, {"kr4", 11}, {"generic_scanner", 10},
        {"Kr4", 0}, {"KR1\r", 0}, {"KR11", 0}, {" KR1", 0}, {"", 0}, {"GENERIC_SCANNER", 0},
    };
    for (const auto &entry : table)
        QTest::newRow(QByteArray(entry.first).toPercentEncoding().constData()) << QString::fromLatin1(entry.first)
                                                                                << entry.second;
}

void IdentificationTest::deviceTypeOfModel()
{
    QFETCH(QString, model);
    QFETCH(int, deviceType);
    QCOMPARE(deviceTypeForModel(model), deviceType);
}

void IdentificationTest::resultText_data()
{
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("expected");
    QTest::newRow("KR1") << 2 << "KR1" << "V2.3" << "115200" << QString::fromUtf8("Conexión KR1_V2.3 exitosa, COM3_115200");
    QTest::newRow("empty version") << 2 << "KR1" << "" << "115200" << QString::fromUtf8("Conexión KR1_ exitosa, COM3_115200");
    QTest::newRow("kr4") << 11 << "kr4" << "1.0" << "9600" << QString::fromUtf8("Conexión kr4_1.0 exitosa, COM3_9600");
    QTest::newRow("generic scanner shows no model")
        << 10 << "generic_scanner" << "V9" << "921600" << QString::fromUtf8("Conexión V9 exitosa, COM3_921600");
    QTest::newRow("speed printed as read") << 2 << "KR1" << "V2.3" << "0019200"
                                           << QString::fromUtf8("Conexión KR1_V2.3 exitosa, COM3_19200");
    QTest::newRow("version with a %") << 2 << "KR1" << "%2" << "9600" << QString::fromUtf8("Conexión KR1_%2 exitosa, COM3_9600");
}

void IdentificationTest::resultText()
{
    QFETCH(int, deviceType);
    QFETCH(QString, model);
    QFETCH(QString, version);
    QFETCH(QString, baud);
    QFETCH(QString, expected);
    QCOMPARE(connectionResultText(deviceType, model, version, QStringLiteral("COM3"), baud), expected);
}

void IdentificationTest::replyTexts_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("model");
    QTest::newRow("plain") << QByteArray("KR1") << "KR1" << "KR1";
    QTest::newRow("LF") << QByteArray("KR1\n") << "KR1" << "KR1";
    QTest::newRow("CR LF") << QByteArray("KR1\r\n") << "KR1" << "KR1\r";
    QTest::newRow("CR inside") << QByteArray("V2\r.3") << "V2.3" << "V2\r.3";
    QTest::newRow("Latin-1 byte") << QByteArray("V\xE9") << QString::fromUtf8("Vé") << QString::fromUtf8("Vé");
    QTest::newRow("empty") << QByteArray() << "" << "";
}

void IdentificationTest::replyTexts()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, version);
    QFETCH(QString, model);
    QCOMPARE(versionTextFromPayload(payload), version);
    QCOMPARE(modelTextFromPayload(payload), model);
}

void IdentificationTest::portDescribed_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("maker");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("both") << "CP2102 USB to UART" << "Silicon Labs" << "CP2102 USB to UART (Silicon Labs)";
    QTest::newRow("description only") << "ttyS0" << "" << "ttyS0";
    QTest::newRow("maker only") << "" << "FTDI" << "FTDI";
    QTest::newRow("neither") << "" << "" << "";
}

void IdentificationTest::portDescribed()
{
    QFETCH(QString, description);
    QFETCH(QString, maker);
    QFETCH(QString, toolTip);
    QCOMPARE(portToolTip({QStringLiteral("ttyUSB0"), description, maker, {}, std::nullopt, std::nullopt}), toolTip);
}

void IdentificationTest::portsInOrder_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("ordered");
    QTest::newRow("by number, not by text") << QStringList{"COM10", "COM2", "COM1"} << QStringList{"COM1", "COM2", "COM10"};
    QTest::newRow("names before numbers") << QStringList{"COM3", "CNCA0", "COM12"} << QStringList{"CNCA0", "COM3", "COM12"};
    QTest::newRow("case does not part a name") << QStringList{"com4", "COM3"} << QStringList{"COM3", "com4"};
}

void IdentificationTest::portsInOrder()
{
    QFETCH(QStringList, listed);
    QFETCH(QStringList, ordered);
    std::sort(listed.begin(), listed.end(), portNameBefore);
    QCOMPARE(listed, ordered);
}

void IdentificationTest::usbAdapterFromInstanceId_data()
{
    QTest::addColumn<QString>("instanceId");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("vendor"); // -1: none
    QTest::addColumn<int>("product");
    QTest::newRow("with a serial number") << "USB\\VID_10C4&PID_EA60\\0001A2B3" << "0001A2B3" << 0x10C4 << 0xEA60;
    QTest::newRow("without one, a made-up instance")
        << "USB\\VID_1A86&PID_7523\\5&2F1E3A&0&2" << "" << 0x1A86 << 0x7523;
    QTest::newRow("one function of a composite device")
        << "USB\\VID_2341&PID_0043&MI_00\\6&3B1F0A2&0&0000" << "" << 0x2341 << 0x0043;
    QTest::newRow("FTDI's bus driver") << "FTDIBUS\\VID_0403+PID_6001+A600XYZA\\0000" << "A600XYZA" << 0x0403 << 0x6001;
    QTest::newRow("a port on the mainboard") << "ACPI\\PNP0501\\1" << "" << -1 << -1;
    QTest::newRow("nothing") << "" << "" << -1 << -1;
}

void IdentificationTest::usbAdapterFromInstanceId()
{
    QFETCH(QString, instanceId);
    QFETCH(QString, serial);
    QFETCH(int, vendor);
    QFETCH(int, product);
    const UsbIdentity usb = usbIdentityFromInstanceId(instanceId);
    QCOMPARE(usb.serialNumber, serial);
    QCOMPARE(usb.vendorId.has_value() ? int(*usb.vendorId) : -1, vendor);
    QCOMPARE(usb.productId.has_value() ? int(*usb.productId) : -1, product);
}

QTEST_GUILESS_MAIN(IdentificationTest)
#include "tst_identification.moc"
