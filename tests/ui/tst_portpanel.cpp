// The port panel of the main window over time: the port that identified a
// scanner is offered first at the next start and after "Actualizar", ports
// carry their description, and a scanner whose cable was pulled is
// identified again by itself when it comes back (the simulator program
// pulls and plugs its cable), so a card read afterwards is typed as before.
#include "tools.h"

#include "expectedtyping.h"
#include "fakescanner.h"
#include "modalcloser.h"
#include "recordingkeyboard.h"

#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kStartMs = 5000;
// The cable goes a second after the port was opened; back, when asked, a
// second later; the watch looks once a second and lets a new device settle.
constexpr int kUnplugNoticedMs = 5000;
constexpr int kBackAndIdentifiedMs = 8000;
// A device that never answers is tried again for ten seconds.
constexpr int kGivenUpMs = kBackAndIdentifiedMs + 14000;
constexpr int kTypedMs = 5000;
const QString kResultText = QStringLiteral("Conexión KR1_V2.3 exitosa, %1_115200");
const QString kDisconnected = QStringLiteral("The serial port was disconnected.");
const QString kNoAnswer = QStringLiteral("The scanner did not answer. Check the speed, the port and the cable.");
const QString kOccupied = QStringLiteral("Check whether the serial port is occupied.");

// The simulator program behind a path of the test's choosing.
class Simulator
{
public:
    ~Simulator()
    {
        process.terminate();
        if (!process.waitForFinished(kStartMs))
            process.kill();
    }
    bool start(const QString &linkPath, const QStringList &arguments)
    {
        process.start(QStringLiteral(QUILLON_SIM_BINARY), QStringList{"--link", linkPath} + arguments);
        return process.waitForStarted(kStartMs) && process.waitForReadyRead(kStartMs)
               && process.readLine().startsWith("/dev/");
    }
    QProcess process;
};

} // namespace

class PortPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void portRememberedAcrossStartsAndRefresh();
    void scannerBackAfterReplugTypesAgain_data();
    void scannerBackAfterReplugTypesAgain();
    void failedIdentificationAfterReplugStopsWatching();
    void refusedOpenAfterReplugToldInTheStatusLine();
    void operatorStopsTheWatch_data();
    void operatorStopsTheWatch();

private:
    std::unique_ptr<tools> makeWindow(QStringList extraPorts = {});
    // The window linked to a simulator that pulls its cable a second later,
    // once the operator has been told of it in a notice.
    void linkThenLoseTheCable(Simulator &simulator, const QStringList &arguments, std::unique_ptr<tools> &window);
    template <typename T> T *child(tools &window, const char *name)
    {
        T *found = window.findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

    QTemporaryDir userSettings;
    std::unique_ptr<QTemporaryDir> work;
    QList<SerialPortEntry> listedPorts;
    RecordingKeyboard *keyboard = nullptr;
    std::unique_ptr<ModalCloser> closer;
};

void PortPanelTest::initTestCase()
{
    QVERIFY(userSettings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userSettings.path());
}

void PortPanelTest::init()
{
    QSettings().clear();
    work = std::make_unique<QTemporaryDir>();
    listedPorts = {{QStringLiteral("ttyS0"), QStringLiteral("ttyS0"), {}, {}, std::nullopt, std::nullopt}};
    closer = std::make_unique<ModalCloser>();
}

std::unique_ptr<tools> PortPanelTest::makeWindow(QStringList extraPorts)
{
    ToolsOptions options;
    auto recording = std::make_unique<RecordingKeyboard>();
    keyboard = recording.get();
    options.keyboard = std::move(recording);
    options.settingsPath = work->filePath(QStringLiteral("Config.ini"));
    options.extraPorts = std::move(extraPorts);
    options.portLister = [this] { return listedPorts; };
    return std::make_unique<tools>(nullptr, std::move(options));
}

void PortPanelTest::linkThenLoseTheCable(Simulator &simulator, const QStringList &arguments,
                                         std::unique_ptr<tools> &window)
{
    const QString link = work->filePath(QStringLiteral("scanner"));
    QVERIFY(simulator.start(link, QStringList{"--unplug-after", "1"} + arguments));
    window = makeWindow({link});
    QTest::mouseClick(child<QPushButton>(*window, "pBcomOpen"), Qt::LeftButton);
    QCOMPARE(child<QLabel>(*window, "lBdeviceVer")->text(), kResultText.arg(link));
    QTRY_COMPARE_WITH_TIMEOUT(window->noticeShown(NoticeKind::Link), kDisconnected, kUnplugNoticedMs);
    QCOMPARE(closer->seen.size(), 0);
    QVERIFY(window->watchingForDevice());
}

void PortPanelTest::portRememberedAcrossStartsAndRefresh()
{
    FakeScanner scanner;
    QString error;
    QVERIFY2(scanner.start(&error), qPrintable(error));
    listedPorts << SerialPortEntry{scanner.portPath(), QStringLiteral("CP2102 USB to UART"),
                                   QStringLiteral("Silicon Labs"), {}, std::nullopt, std::nullopt};
    {
        auto window = makeWindow();
        auto *ports = child<QComboBox>(*window, "cBcomPort");
        QCOMPARE(ports->currentIndex(), 0); // nothing remembered yet
        QCOMPARE(ports->itemText(1), scanner.portPath());
        QCOMPARE(ports->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("CP2102 USB to UART (Silicon Labs)"));
        ports->setCurrentIndex(1);
        QTest::mouseClick(child<QPushButton>(*window, "pBcomOpen"), Qt::LeftButton);
        QCOMPARE(child<QLabel>(*window, "lBdeviceVer")->text(), kResultText.arg(scanner.portPath()));
    }
    auto window = makeWindow();
    auto *ports = child<QComboBox>(*window, "cBcomPort");
    QCOMPARE(ports->currentText(), scanner.portPath());
    ports->setCurrentIndex(0);
    QTest::mouseClick(child<QPushButton>(*window, "pBprefreshPort"), Qt::LeftButton);
    QCOMPARE(ports->currentText(), scanner.portPath());

    QCOMPARE(child<QComboBox>(*makeWindow({"/tmp/given"}), "cBcomPort")->currentText(), QStringLiteral("/tmp/given"));
    listedPorts.removeLast(); // the remembered port is gone
    QCOMPARE(child<QComboBox>(*makeWindow(), "cBcomPort")->currentText(), QStringLiteral("ttyS0"));
    QVERIFY(!QFile::exists(work->filePath(QStringLiteral("Config.ini"))));
    QCOMPARE(closer->seen.size(), 0);
}

void PortPanelTest::scannerBackAfterReplugTypesAgain_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("answers at once") << QStringList();
    QTest::newRow("starts 1.5 s after replugging") << QStringList{"--start-after-replug", "1.5"};
}

void PortPanelTest::scannerBackAfterReplugTypesAgain()
{
    QFETCH(QStringList, arguments);
    {
        QSettings config(work->filePath(QStringLiteral("Config.ini")), QSettings::IniFormat);
        config.beginWriteArray(QStringLiteral("Transmit"));
        config.setArrayIndex(0);
        config.setValue(QStringLiteral("Field"), QStringLiteral("Número de Cedula"));
        config.setArrayIndex(1);
        config.setValue(QStringLiteral("Field"), QStringLiteral("Enter"));
        config.endArray();
    }
    Simulator simulator;
    std::unique_ptr<tools> window;
    linkThenLoseTheCable(simulator, QStringList{"--replug-after", "1", "--send", "mrz"} + arguments, window);
    if (QTest::currentTestFailed())
        return;
    auto *label = child<QLabel>(*window, "lBdeviceVer");
    const QString link = work->filePath(QStringLiteral("scanner"));
    QVERIFY2(label->toolTip().contains(QStringLiteral("waiting for it to come back")), qPrintable(label->toolTip()));

    // No click: the watch finds it and identifies it again.
    QTRY_VERIFY_WITH_TIMEOUT(label->text().startsWith(kResultText.arg(link) + QStringLiteral(" (reconnected at ")),
                             kBackAndIdentifiedMs);
    QVERIFY(window->scannerLink().portOpen());
    QCOMPARE(child<QPushButton>(*window, "pBcomOpen")->text(), QStringLiteral("Cierre"));
    QVERIFY(!window->watchingForDevice());
    QVERIFY(!window->identifyingAgain());
    QCOMPARE(window->noticeShown(NoticeKind::Link), QString()); // it closed itself

    keyboard->clear();
    simulator.process.write("\n"); // a card read
    QTRY_COMPARE_WITH_TIMEOUT(keyboard->events(), expectedTyping("87654321\r"), kTypedMs);
    QCOMPARE(closer->seen.size(), 0);
}

void PortPanelTest::failedIdentificationAfterReplugStopsWatching()
{
    Simulator first;
    std::unique_ptr<tools> window;
    linkThenLoseTheCable(first, {}, window);
    if (QTest::currentTestFailed())
        return;
    // Another scanner, one that does not answer, behind the same path.
    Simulator silent;
    QVERIFY(silent.start(work->filePath(QStringLiteral("scanner")), {"--silent"}));

    QTRY_COMPARE_WITH_TIMEOUT(window->noticeShown(NoticeKind::Link), kNoAnswer, kGivenUpMs);
    QCOMPARE(closer->seen.size(), 0);
    QVERIFY(!window->watchingForDevice());
    QVERIFY(!window->identifyingAgain());
    QVERIFY(!window->scannerLink().portOpen());
    QCOMPARE(child<QLabel>(*window, "lBdeviceVer")->toolTip(), kNoAnswer);
}

// What comes back behind the path will not open (here a plain file; in the
// field a program that probes new ports, or permissions not given yet): once
// the tries are over the operator is told why in a notice and the status
// line, and the next "Abrir" is an ordinary opening.
void PortPanelTest::refusedOpenAfterReplugToldInTheStatusLine()
{
    Simulator first;
    std::unique_ptr<tools> window;
    linkThenLoseTheCable(first, {}, window);
    if (QTest::currentTestFailed())
        return;
    const QString link = work->filePath(QStringLiteral("scanner"));
    QVERIFY(QFile(link).open(QIODevice::WriteOnly));

    QTRY_VERIFY_WITH_TIMEOUT(window->noticeShown(NoticeKind::Link).startsWith(kOccupied), kGivenUpMs);
    QCOMPARE(closer->seen.size(), 0);
    QVERIFY(!window->watchingForDevice());
    auto *label = child<QLabel>(*window, "lBdeviceVer");
    QVERIFY2(label->toolTip().startsWith(kOccupied), qPrintable(label->toolTip()));

    QVERIFY(QFile::remove(link));
    Simulator second;
    QVERIFY(second.start(link, {}));
    QTest::mouseClick(child<QPushButton>(*window, "pBcomOpen"), Qt::LeftButton);
    QCOMPARE(label->text(), kResultText.arg(link));
    QCOMPARE(window->noticeShown(NoticeKind::Link), QString());
}

void PortPanelTest::operatorStopsTheWatch_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("messages"); // Abrir on the missing device says why it cannot open
    QTest::newRow("Abrir") << QStringLiteral("pBcomOpen") << 1;
    QTest::newRow("Actualizar") << QStringLiteral("pBprefreshPort") << 0;
}

void PortPanelTest::operatorStopsTheWatch()
{
    QFETCH(QString, button);
    QFETCH(int, messages);
    Simulator simulator;
    std::unique_ptr<tools> window;
    linkThenLoseTheCable(simulator, {}, window);
    if (QTest::currentTestFailed())
        return;

    QTest::mouseClick(child<QPushButton>(*window, button.toLatin1().constData()), Qt::LeftButton);
    QVERIFY(!window->watchingForDevice());
    QCOMPARE(closer->seen.size(), messages);
    QCOMPARE(window->noticeShown(NoticeKind::Link), QString());
    // What the box said stays in the status line; otherwise it is empty.
    QCOMPARE(child<QLabel>(*window, "lBdeviceVer")->toolTip().startsWith(kOccupied), messages == 1);
    QCOMPARE(child<QLabel>(*window, "lBdeviceVer")->text().isEmpty(), messages == 0);
}

QTEST_MAIN(PortPanelTest)
#include "tst_portpanel.moc"
