// The link's Windows port, its port list and the remembered port, under Wine
// with COM ports that run-windows-link.sh maps to the scanner simulator's
// pseudo-terminals: one with a scanner, one that another program holds, one
// whose cable the simulator pulls and plugs in again, and one that is not
// there. The runner names them in the environment.
#include "openfailure.h"
#include "portlist.h"
#include "portwatch.h"
#include "rememberedport.h"
#include "scannerlink.h"
#include "scannersamples.h"

#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <windows.h>

#include <dbt.h>

namespace {

constexpr int kArrivesWithinMs = 10000;
constexpr int kNoticeRepeatMs = 500;
const QString kSpeed = QStringLiteral("115200");
constexpr DWORD kRegistryTextCapacity = 64;

QString port(const char *role) { return qEnvironmentVariable(role); }

} // namespace

class WindowsLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void identifiesAndReads();
    void openRefused_data();
    void openRefused();
    void unpluggedAndBack();
    void portsListedInOrder();
    void portPresence_data();
    void portPresence();
    void portRememberedInTheRegistry();
};

void WindowsLinkTest::initTestCase()
{
    if (port("QUILLON_COM_SCANNER").isEmpty())
        QSKIP("needs COM ports mapped to the simulator: run it through run-windows-link.sh");
}

void WindowsLinkTest::identifiesAndReads()
{
    ScannerLink link;
    QStringList warnings;
    link.setWarningHandler([&warnings](const QString &message) { warnings << message; });
    QSignalSpy connected(&link, &ScannerLink::linkConnected);
    link.openLink(port("QUILLON_COM_SCANNER"), kSpeed);
    QCOMPARE(warnings, QStringList());
    QCOMPARE(connected.count(), 1);
    QVERIFY2(connected.first().first().toString().contains(QStringLiteral("KR1_V2.3")),
             qPrintable(connected.first().first().toString()));

    // The simulator sends a barcode once identified.
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    while (!received.endsWith('\r') && !clock.hasExpired(kArrivesWithinMs)) {
        link.waitForMoreBytes(kNoticeRepeatMs);
        received += link.readAll();
    }
    QCOMPARE(received, ScannerSamples::barcode());
    link.closePort();
}

void WindowsLinkTest::openRefused_data()
{
    QTest::addColumn<QString>("portName");
    QTest::addColumn<int>("failure");
    QTest::newRow("no such port") << port("QUILLON_COM_MISSING") << int(OpenFailure::NoSuchDevice);
    QTest::newRow("held by another program") << port("QUILLON_COM_HELD") << int(OpenFailure::Busy);
}

void WindowsLinkTest::openRefused()
{
    QFETCH(QString, portName);
    QFETCH(int, failure);
    if (portName.isEmpty())
        QSKIP("the runner could not set this port up (see its output)");
    ScannerLink link;
    QStringList warnings;
    link.setWarningHandler([&warnings](const QString &message) { warnings << message; });
    link.openLink(portName, kSpeed);
    QVERIFY(!link.portOpen());
    QCOMPARE(warnings, QStringList{openFailureMessage(OpenFailure(failure), deviceGroup(QString()))});
}

// The cable is pulled under the open link: the link ends and says so. Plugged
// in again, the device is found when Windows tells of the change.
void WindowsLinkTest::unpluggedAndBack()
{
    const QString portName = port("QUILLON_COM_UNPLUGGED");
    ScannerLink link;
    QStringList warnings;
    link.setWarningHandler([&warnings](const QString &message) { warnings << message; });
    QSignalSpy lost(&link, &ScannerLink::deviceLost);
    link.openLink(portName, kSpeed);
    QVERIFY(link.portOpen());
    const PortIdentity linked = identityOf(portName, systemPorts());
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, kArrivesWithinMs);
    QCOMPARE(lost.first().first().toString(), portName);
    QVERIFY(!link.portOpen());
    QCOMPARE(warnings.size(), 1);

    PortWatch watch(systemPorts);
    QSignalSpy back(&watch, &PortWatch::deviceReturned);
    watch.start(linked);
    QElapsedTimer clock;
    clock.start();
    // As Windows broadcasts it to every top-level window when the device
    // tree changes.
    while (back.isEmpty() && !clock.hasExpired(kArrivesWithinMs)) {
        PostMessageW(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
        back.wait(kNoticeRepeatMs);
    }
    QCOMPARE(back.count(), 1);
    QCOMPARE(back.first().first().toString(), portName);
    QVERIFY(!watch.watching());
}

// Wine lists only the ports it made itself (the machine's own serial
// devices); the ones linked here are reached as --port reaches them.
void WindowsLinkTest::portsListedInOrder()
{
    QStringList names;
    for (const SerialPortEntry &entry : systemPorts())
        names << entry.name;
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), portNameBefore);
    QCOMPARE(names, sorted);
    for (const QString &name : names)
        QVERIFY2(portNamePresent(name), qPrintable(name));
}

void WindowsLinkTest::portPresence_data()
{
    QTest::addColumn<QString>("portName");
    QTest::addColumn<bool>("present");
    QTest::newRow("a scanner") << port("QUILLON_COM_SCANNER") << true;
    QTest::newRow("held by another program") << port("QUILLON_COM_HELD") << true;
    QTest::newRow("not there") << port("QUILLON_COM_MISSING") << false;
}

void WindowsLinkTest::portPresence()
{
    QFETCH(QString, portName);
    QFETCH(bool, present);
    QCOMPARE(portNamePresent(portName), present);
}

// Where the program keeps it: per user, under its own name, in the registry.
void WindowsLinkTest::portRememberedInTheRegistry()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    {
        QSettings settings;
        rememberPort(settings, port("QUILLON_COM_SCANNER"));
    }
    wchar_t value[kRegistryTextCapacity] = {};
    DWORD bytes = sizeof value;
    QCOMPARE(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Quillon\\Quillon\\link", L"lastPort", RRF_RT_REG_SZ, nullptr,
                          value, &bytes),
             LSTATUS(ERROR_SUCCESS));
    QCOMPARE(QString::fromWCharArray(value), port("QUILLON_COM_SCANNER"));
    QCOMPARE(rememberedPort(QSettings()), port("QUILLON_COM_SCANNER"));
}

QTEST_GUILESS_MAIN(WindowsLinkTest)
#include "tst_windowslink.moc"
