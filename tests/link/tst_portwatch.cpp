// Recognising a device that went away when it comes back: the same name
// once it was gone or made anew, or a new name with the same USB serial
// number or, without one, the same vendor and product ids. Device nodes are
// files in a temporary folder; the system's listing is handed in.
#include "portwatch.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(QList<SerialPortEntry>)

namespace {

constexpr quint16 kVendor = 0x10C4;
constexpr quint16 kProduct = 0xEA60;
// A bare name whose node under /dev is never there.
const QString kGoneName = QStringLiteral("ttyQuillonGone0");
const QString kNodeName = QStringLiteral("@node");
// Past the seconds after a change in which the system is still describing a
// new device and the watch lists the ports at every look.
constexpr int kListingSettledMs = 4000;

SerialPortEntry usbPort(const QString &name, const QString &serial, quint16 product = kProduct)
{
    return {name, QStringLiteral("CP2102 USB to UART"), QStringLiteral("Silicon Labs"), serial, kVendor, product};
}

} // namespace

class PortWatchTest : public QObject
{
    Q_OBJECT

private slots:
    void recognisesTheDeviceComingBack_data();
    void recognisesTheDeviceComingBack();
    void identityComesFromTheListing();
    void nodeMadeAnewBeforeTheWatchBegan_data();
    void nodeMadeAnewBeforeTheWatchBegan();
    void listingTakenAgainWhenDevicesChange();
};

void PortWatchTest::recognisesTheDeviceComingBack_data()
{
    QTest::addColumn<QString>("lostName");  // kNodeName: a device node in the temporary folder
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("usbIds");
    QTest::addColumn<QString>("nodeAtStart"); // "", or the target the node leads to
    QTest::addColumn<QString>("nodeLater");
    QTest::addColumn<QList<SerialPortEntry>>("listedAtStart");
    QTest::addColumn<QList<SerialPortEntry>>("listedLater");
    QTest::addColumn<QString>("backAs"); // empty: not back

    const QList<SerialPortEntry> none;
    QTest::newRow("same node, gone and back") << kNodeName << "" << false << "" << "a" << none << none << kNodeName;
    QTest::newRow("same node, still gone") << kNodeName << "" << false << "" << "" << none << none << "";
    QTest::newRow("same node, never gone") << kNodeName << "" << false << "a" << "a" << none << none << "";
    QTest::newRow("same node, made anew") << kNodeName << "" << false << "a" << "b" << none << none << kNodeName;
    QTest::newRow("serial number under a new name")
        << kGoneName << "A1" << true << "" << "" << QList<SerialPortEntry>{usbPort("ttyUSB1", "B2")}
        << QList<SerialPortEntry>{usbPort("ttyUSB1", "B2"), usbPort("ttyUSB4", "A1")} << "ttyUSB4";
    QTest::newRow("another serial number, same ids")
        << kGoneName << "A1" << true << "" << "" << none << QList<SerialPortEntry>{usbPort("ttyUSB4", "Z9")} << "";
    QTest::newRow("no serial number, same ids under a new name")
        << kGoneName << "" << true << "" << "" << none << QList<SerialPortEntry>{usbPort("ttyUSB4", "")} << "ttyUSB4";
    QTest::newRow("no serial number, other product")
        << kGoneName << "" << true << "" << "" << none << QList<SerialPortEntry>{usbPort("ttyUSB4", "", 0x7523)} << "";
    QTest::newRow("same ids on an adapter that was there all along")
        << kGoneName << "" << true << "" << "" << QList<SerialPortEntry>{usbPort("ttyUSB0", "")}
        << QList<SerialPortEntry>{usbPort("ttyUSB0", "")} << "";
    QTest::newRow("no ids known, new adapter") << kGoneName << "" << false << "" << ""
                                               << none << QList<SerialPortEntry>{usbPort("ttyUSB4", "")} << "";
}

void PortWatchTest::recognisesTheDeviceComingBack()
{
    QFETCH(QString, lostName);
    QFETCH(QString, serial);
    QFETCH(bool, usbIds);
    QFETCH(QString, nodeAtStart);
    QFETCH(QString, nodeLater);
    QFETCH(QList<SerialPortEntry>, listedAtStart);
    QFETCH(QList<SerialPortEntry>, listedLater);
    QFETCH(QString, backAs);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString node = folder.filePath(QStringLiteral("scanner"));
    // The node as a link to a target file, as a --link path to a pseudo-terminal.
    const auto placeNode = [&](const QString &target) {
        const QString targetPath = folder.filePath(target);
        if (!target.isEmpty() && QFile::symLinkTarget(node) == targetPath)
            return true;
        QFile::remove(node);
        if (target.isEmpty())
            return true;
        QFile(targetPath).open(QIODevice::WriteOnly);
        return QFile::link(targetPath, node);
    };
    const QString name = lostName == kNodeName ? node : lostName;
    if (backAs == kNodeName)
        backAs = node;

    QList<SerialPortEntry> listed = listedAtStart;
    PortWatch watch([&listed] { return listed; }, QString()); // lists at every look
    QVERIFY(placeNode(nodeAtStart));
    PortIdentity lost{name, serial, std::nullopt, std::nullopt, {}};
    if (usbIds) {
        lost.vendorId = kVendor;
        lost.productId = kProduct;
    }
    watch.start(lost);
    QCOMPARE(watch.lookOnce(), std::optional<QString>()); // nothing has happened yet

    QVERIFY(placeNode(nodeLater));
    listed = listedLater;
    QCOMPARE(watch.lookOnce().value_or(QString()), backAs);
    watch.stop();
}

void PortWatchTest::identityComesFromTheListing()
{
    const QList<SerialPortEntry> ports{usbPort("ttyUSB0", "A1"), usbPort("ttyUSB1", "B2")};
    const PortIdentity listed = identityOf(QStringLiteral("/dev/ttyUSB1"), ports);
    QCOMPARE(listed.name, QStringLiteral("/dev/ttyUSB1"));
    QCOMPARE(listed.serialNumber, QStringLiteral("B2"));
    QCOMPARE(listed.vendorId, std::optional<quint16>(kVendor));
    const PortIdentity unlisted = identityOf(QStringLiteral("/tmp/scanner"), ports);
    QVERIFY(unlisted.serialNumber.isEmpty());
    QVERIFY(!unlisted.vendorId && !unlisted.productId);
}

// Typing holds events up for seconds: the cable may be pulled and plugged in
// again before the watch can begin. The node the link had still tells.
void PortWatchTest::nodeMadeAnewBeforeTheWatchBegan_data()
{
    QTest::addColumn<QString>("nodeAtStart"); // the target the node leads to once the watch begins
    QTest::addColumn<bool>("back");
    QTest::newRow("made anew") << "b" << true;
    QTest::newRow("the same node") << "a" << false;
}

void PortWatchTest::nodeMadeAnewBeforeTheWatchBegan()
{
    QFETCH(QString, nodeAtStart);
    QFETCH(bool, back);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString node = folder.filePath(QStringLiteral("scanner"));
    for (const QString &target : {QStringLiteral("a"), QStringLiteral("b")})
        QVERIFY(QFile(folder.filePath(target)).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(folder.filePath(QStringLiteral("a")), node));
    const PortIdentity linked = identityOf(node, {});

    QVERIFY(QFile::remove(node));
    QVERIFY(QFile::link(folder.filePath(nodeAtStart), node));
    PortWatch watch([] { return QList<SerialPortEntry>(); }, QString());
    watch.start(linked);
    QCOMPARE(watch.lookOnce(), back ? std::optional<QString>(node) : std::nullopt);
    watch.stop();
}

// Listing the ports is dear, so it waits for a device node to come or go;
// an adapter that comes back is still found.
void PortWatchTest::listingTakenAgainWhenDevicesChange()
{
    QTemporaryDir devices;
    QVERIFY(devices.isValid());
    int listings = 0;
    QList<SerialPortEntry> listed;
    PortWatch watch(
        [&] {
            ++listings;
            return listed;
        },
        devices.path());
    watch.start({kGoneName, QStringLiteral("A1"), kVendor, kProduct, {}});
    QTest::qSleep(kListingSettledMs);
    QCOMPARE(watch.lookOnce(), std::optional<QString>());
    const int listingsBefore = listings;
    listed << usbPort(QStringLiteral("ttyUSB4"), QStringLiteral("A1")); // described, but no node yet
    QCOMPARE(watch.lookOnce(), std::optional<QString>());
    QCOMPARE(listings, listingsBefore);

    QVERIFY(QFile(devices.filePath(QStringLiteral("ttyUSB4"))).open(QIODevice::WriteOnly));
    QCOMPARE(watch.lookOnce(), std::optional<QString>(QStringLiteral("ttyUSB4")));
    watch.stop();
}

QTEST_GUILESS_MAIN(PortWatchTest)
#include "tst_portwatch.moc"
