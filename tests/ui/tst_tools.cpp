#include "tools.h"

#include "fakescanner.h"

#include "expectedtyping.h"
#include "modalcloser.h"
#include "mrzcheckdigits.h"
#include "msgbox.h"
#include "recordingkeyboard.h"
#include "scannersamples.h"
#include "typingnotices.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <thread>

namespace {

QStringList texts(const QListWidget *list)
{
    QStringList out;
    for (int row = 0; row < list->count(); ++row)
        out << list->item(row)->text();
    return out;
}

// As a USB serial adapter hands on what a scanner sends at 9600 baud: what
// came in each tick of its latency timer.
constexpr int kAdapterBurstBytes = 15;
constexpr int kAdapterLatencyMs = 16;
// A card cut short is given up 2 s after its last byte.
constexpr int kReadsHandledMs = 10000;

// A card's zone with these 30 characters as its name line.
QByteArray machineReadableZone(const char *nameLine)
{
    return QByteArray("I<COL0000000000<<<<<<<<<<<<<<<8503127M3012315COL12345678<<<1") + nameLine;
}

// A keyboard that opens a modal message once a text is typed, when asked,
// as messages about typing did.
class BoxAfterText : public RecordingKeyboard
{
public:
    bool boxAfterNextText = false;
    void endText() override
    {
        RecordingKeyboard::endText();
        if (!boxAfterNextText)
            return;
        boxAfterNextText = false;
        showMsgBox(MsgBox::Warning, QStringLiteral("Typed."));
    }
};

QByteArray longRecord()
{
    QByteArray block(200, ' ');
    auto put = [&block](int at, const QByteArray &text) { block.replace(at, text.size(), text); };
    put(48, "12345678");
    put(58, "PEREZ");
    put(81, "GOMEZ");
    put(104, "JUAN");
    put(151, "M");
    put(152, "19850312");
    return block;
}

} // namespace

class ToolsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void form();
    void extraPortsFollowTheSystemPorts();
    void clearEmptiesOnlyTheLog();
    void panelFollowsTheLink();
    void failedOpeningLeavesItsReason_data();
    void failedOpeningLeavesItsReason();
    void fieldAddedOnce();
    void separatorsAnyNumberOfTimes();
    void doubleClickRemovesExactlyThatEntry();
    void noCurrentEntryShowsInfoBox();
    void dragOrderTakenOverByNextDoubleClick();
    void cleanOnEmptyList();
    void saveAndLoadAgain();
    void saveFailureIsShown();
    void storedDateFormatOutOfRange();
    void startUpRunTypesNothing();
    void handWrittenEntries_data();
    void handWrittenEntries();
    void composedOutputFollowsWidgetOrder();
    void fixedTabTitleSuppressesOutput();
    void misreadCardTypedAndTold_data();
    void misreadCardTypedAndTold();
    void barcodeTypedAsItsEncoding_data();
    void barcodeTypedAsItsEncoding();
    void readsFromTheLine_data();
    void readsFromTheLine();
    void readsWhileABoxIsOpen_data();
    void readsWhileABoxIsOpen();
    void readsTakenInWhileTyping();
    void typingNoticeBesideLinkStatus();
    void noKeyboardToldOnce();
    void ownWindowFocusedHoldsTheBlockBack();
    void lostCharactersToldOnce();
    void xwaylandToldWhenShown();

private:
    std::unique_ptr<tools> makeWindow(QStringList extraPorts = {}, KeyboardReach reach = KeyboardReach::FocusedWindow,
                                      std::unique_ptr<RecordingKeyboard> recording = nullptr);
    // A window whose link to the scanner is open; none when it did not open.
    std::unique_ptr<tools> linkedWindow(FakeScanner &scanner, std::unique_ptr<RecordingKeyboard> recording = nullptr);
    // The transmit list "Apellido", "Enter".
    void chooseSurnameAndEnter(tools &window);
    QList<int> loggedSizes(tools &window);
    template <typename T> T *child(tools &window, const char *name)
    {
        T *found = window.findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    void doubleClick(QListWidget *list, int row);
    RecordingKeyboard *keyboard = nullptr;
    std::unique_ptr<QTemporaryDir> dir;
    QString settingsPath;
    QTemporaryDir userSettingsDir;
};

// The port the link remembers goes to settings of the test's own, never to
// the user's.
Q_DECLARE_METATYPE(RecordingKeyboard::Events)

void ToolsTest::initTestCase()
{
    QVERIFY(userSettingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userSettingsDir.path());
}

void ToolsTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    settingsPath = dir->filePath(QStringLiteral("Config.ini"));
}

std::unique_ptr<tools> ToolsTest::makeWindow(QStringList extraPorts, KeyboardReach reach,
                                             std::unique_ptr<RecordingKeyboard> recording)
{
    ToolsOptions options;
    if (!recording)
        recording = std::make_unique<RecordingKeyboard>();
    recording->setReach(reach);
    keyboard = recording.get();
    options.keyboard = std::move(recording);
    options.settingsPath = settingsPath;
    options.extraPorts = std::move(extraPorts);
    return std::make_unique<tools>(nullptr, std::move(options));
}

void ToolsTest::doubleClick(QListWidget *list, int row)
{
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

std::unique_ptr<tools> ToolsTest::linkedWindow(FakeScanner &scanner, std::unique_ptr<RecordingKeyboard> recording)
{
    QString error;
    if (!scanner.start(&error)) {
        qWarning("no scanner: %s", qPrintable(error));
        return nullptr;
    }
    auto window = makeWindow({scanner.portPath()}, KeyboardReach::FocusedWindow, std::move(recording));
    QTest::mouseClick(child<QPushButton>(*window, "pBcomOpen"), Qt::LeftButton);
    if (!window->scannerLink().portOpen())
        return nullptr;
    return window;
}

void ToolsTest::chooseSurnameAndEnter(tools &window)
{
    doubleClick(child<QListWidget>(window, "lWFields"), 3);
    doubleClick(child<QListWidget>(window, "lWSeparator"), 1);
}

QList<int> ToolsTest::loggedSizes(tools &window)
{
    static const QRegularExpression entry(QStringLiteral("Receive (\\d+) bytes data:"));
    QList<int> sizes;
    for (auto it = entry.globalMatch(child<QTextEdit>(window, "tElog")->toPlainText()); it.hasNext();)
        sizes << it.next().captured(1).toInt();
    return sizes;
}

void ToolsTest::form()
{
    auto window = makeWindow();
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillon"));
    QCOMPARE(window->size(), QSize(1035, 765));

    auto *baud = child<QComboBox>(*window, "cBbuadRate");
    QCOMPARE(baud->count(), 5);
    QCOMPARE(baud->itemText(0), QStringLiteral("9600"));
    QCOMPARE(baud->itemText(4), QStringLiteral("921600"));
    QCOMPARE(baud->currentText(), QStringLiteral("115200"));

    auto *dates = child<QComboBox>(*window, "cBDateFormat");
    QCOMPARE(dates->count(), 4);
    QCOMPARE(dates->itemText(3), QStringLiteral("dd/mm/aaaa"));
    QCOMPARE(dates->currentIndex(), 0);
    QVERIFY(child<QComboBox>(*window, "cBcomPort")->isEditable());

    auto *tabs = child<QTabWidget>(*window, "tabWidget");
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Campos a Transmitir"));
    QVERIFY(tabs->documentMode());
    QVERIFY(tabs->isMovable());

    auto *fields = child<QListWidget>(*window, "lWFields");
    QCOMPARE(fields->count(), 11);
    QCOMPARE(fields->item(0)->text(), QStringLiteral("Número de Cedula"));
    QCOMPARE(fields->item(10)->text(), QStringLiteral("Fecha de Vencimiento"));
    QCOMPARE(texts(child<QListWidget>(*window, "lWSeparator")), QStringList({"TAB", "Enter", "Space"}));
    QCOMPARE(fields->font().family(), QStringLiteral("Arial"));
    QCOMPARE(fields->font().pointSize(), 12);

    auto *transmit = child<QListWidget>(*window, "lWTransmit");
    QCOMPARE(transmit->count(), 0);
    QCOMPARE(transmit->dragDropMode(), QAbstractItemView::InternalMove);
    QCOMPARE(transmit->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(child<QPushButton>(*window, "pBcomOpen")->text(), QStringLiteral("Abrir"));
    QVERIFY(child<QLabel>(*window, "lBdeviceVer")->text().isEmpty());
    QVERIFY(!QFile::exists(settingsPath)); // loading never creates the file
}

void ToolsTest::extraPortsFollowTheSystemPorts()
{
    auto window = makeWindow({"/tmp/scanner-a", "/tmp/scanner-b"});
    auto *ports = child<QComboBox>(*window, "cBcomPort");
    const int count = ports->count();
    QVERIFY(count >= 2);
    QCOMPARE(ports->itemText(count - 2), QStringLiteral("/tmp/scanner-a"));
    QCOMPARE(ports->itemText(count - 1), QStringLiteral("/tmp/scanner-b"));
    QCOMPARE(ports->currentText(), QStringLiteral("/tmp/scanner-a"));

    QTest::mouseClick(child<QPushButton>(*window, "pBprefreshPort"), Qt::LeftButton);
    QCOMPARE(ports->count(), count);
    QCOMPARE(ports->itemText(count - 1), QStringLiteral("/tmp/scanner-b"));
    QCOMPARE(ports->currentText(), QStringLiteral("/tmp/scanner-a"));
}

void ToolsTest::clearEmptiesOnlyTheLog()
{
    auto window = makeWindow();
    auto *log = child<QTextEdit>(*window, "tElog");
    log->append(QStringLiteral("[10:00:00]Receive 3 bytes data:\r\n41 42 0D"));
    doubleClick(child<QListWidget>(*window, "lWFields"), 3);
    child<QComboBox>(*window, "cBDateFormat")->setCurrentIndex(2);

    QTest::mouseClick(child<QPushButton>(*window, "pBClear"), Qt::LeftButton);
    QVERIFY(log->toPlainText().isEmpty());
    QCOMPARE(texts(child<QListWidget>(*window, "lWTransmit")), QStringList({"Apellido"}));
    QCOMPARE(child<QComboBox>(*window, "cBDateFormat")->currentIndex(), 2);
    QCOMPARE(child<QComboBox>(*window, "cBbuadRate")->currentText(), QStringLiteral("115200"));
}

void ToolsTest::panelFollowsTheLink()
{
    FakeScanner scanner;
    QString error;
    QVERIFY2(scanner.start(&error), qPrintable(error));
    auto window = makeWindow({scanner.portPath()});
    auto *ports = child<QComboBox>(*window, "cBcomPort");
    auto *open = child<QPushButton>(*window, "pBcomOpen");
    auto *label = child<QLabel>(*window, "lBdeviceVer");
    const QStringList portsBefore = [ports] {
        QStringList names;
        for (int i = 0; i < ports->count(); ++i)
            names << ports->itemText(i);
        return names;
    }();

    QTest::mouseClick(open, Qt::LeftButton);
    QTRY_COMPARE(label->text(), QStringLiteral("Conexión KR1_V2.3 exitosa, %1_115200").arg(scanner.portPath()));
    QCOMPARE(open->text(), QStringLiteral("Cierre"));
    QVERIFY(!ports->isEnabled());
    QVERIFY(!child<QComboBox>(*window, "cBbuadRate")->isEnabled());

    // Refreshing while the link is open is refused and keeps the list.
    {
        ModalCloser closer;
        QTest::mouseClick(child<QPushButton>(*window, "pBprefreshPort"), Qt::LeftButton);
        QCOMPARE(closer.seen.size(), 1);
        QCOMPARE(closer.seen[0].texts,
                 QStringList({" Warning ", "Please close the serial port and refresh again!"}));
    }
    QCOMPARE(ports->count(), portsBefore.size());
    QCOMPARE(ports->itemText(ports->count() - 1), portsBefore.last());

    QTest::mouseClick(open, Qt::LeftButton);
    QVERIFY(!window->scannerLink().portOpen());
    QCOMPARE(open->text(), QStringLiteral("Abrir"));
    QVERIFY(label->text().isEmpty());
    QVERIFY(ports->isEnabled());
}

// The reason stays in the status line after the box or the notice; a
// notice closes itself once the scanner is identified.
void ToolsTest::failedOpeningLeavesItsReason_data()
{
    QTest::addColumn<bool>("deviceThere");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("inABox");
    QTest::newRow("no such device")
        << false
        << QStringLiteral("Check whether the serial port is occupied. There is no such device: plug the scanner in, "
                          "or check the port name.")
        << true;
    QTest::newRow("scanner silent")
        << true << QStringLiteral("The scanner did not answer. Check the speed, the port and the cable.") << false;
}

void ToolsTest::failedOpeningLeavesItsReason()
{
    QFETCH(bool, deviceThere);
    QFETCH(QString, reason);
    QFETCH(bool, inABox);
    ScannerBehaviour behaviour;
    behaviour.ignoredCommands = 1;
    FakeScanner scanner(behaviour);
    QString error;
    QVERIFY2(scanner.start(&error), qPrintable(error));
    auto window = makeWindow({deviceThere ? scanner.portPath() : QStringLiteral("/nonexistent/quillon-tty")});
    auto *label = child<QLabel>(*window, "lBdeviceVer");
    ModalCloser closer;
    QTest::mouseClick(child<QPushButton>(*window, "pBcomOpen"), Qt::LeftButton);
    QCOMPARE(label->toolTip(), reason);
    QCOMPARE(closer.seen.size(), inABox ? 1 : 0);
    QCOMPARE(window->noticeShown(NoticeKind::Link), inABox ? QString() : reason.simplified());
    if (!deviceThere)
        return;

    QTest::mouseClick(child<QPushButton>(*window, "pBcomOpen"), Qt::LeftButton);
    QCOMPARE(label->text(), QStringLiteral("Conexión KR1_V2.3 exitosa, %1_115200").arg(scanner.portPath()));
    QCOMPARE(window->noticeShown(NoticeKind::Link), QString());
}

void ToolsTest::fieldAddedOnce()
{
    auto window = makeWindow();
    auto *fields = child<QListWidget>(*window, "lWFields");
    ModalCloser closer;
    doubleClick(fields, 3); // Apellido
    doubleClick(fields, 4); // Nombre
    doubleClick(fields, 3);
    QCOMPARE(texts(child<QListWidget>(*window, "lWTransmit")), QStringList({"Apellido", "Nombre"}));
    QCOMPARE(window->transmitEntries(), QStringList({"Apellido", "Nombre"}));
    QCOMPARE(closer.seen.size(), 0);
    QCOMPARE(fields->count(), 11);
}

void ToolsTest::separatorsAnyNumberOfTimes()
{
    auto window = makeWindow();
    auto *separators = child<QListWidget>(*window, "lWSeparator");
    for (int i = 0; i < 3; ++i)
        doubleClick(separators, 2);
    doubleClick(separators, 0);
    QCOMPARE(texts(child<QListWidget>(*window, "lWTransmit")), QStringList({"Space", "Space", "Space", "TAB"}));
    QCOMPARE(texts(separators), QStringList({"TAB", "Enter", "Space"}));
}

void ToolsTest::doubleClickRemovesExactlyThatEntry()
{
    auto window = makeWindow();
    auto *fields = child<QListWidget>(*window, "lWFields");
    auto *separators = child<QListWidget>(*window, "lWSeparator");
    auto *transmit = child<QListWidget>(*window, "lWTransmit");
    doubleClick(fields, 0);
    doubleClick(separators, 0);
    doubleClick(fields, 3);
    doubleClick(separators, 0);
    doubleClick(fields, 4);
    QCOMPARE(texts(transmit), QStringList({"Número de Cedula", "TAB", "Apellido", "TAB", "Nombre"}));

    doubleClick(transmit, 3);
    QCOMPARE(texts(transmit), QStringList({"Número de Cedula", "TAB", "Apellido", "Nombre"}));
    QCOMPARE(window->transmitEntries(), texts(transmit));
    QCOMPARE(fields->count(), 11);
}

void ToolsTest::noCurrentEntryShowsInfoBox()
{
    auto window = makeWindow();
    auto *transmit = child<QListWidget>(*window, "lWTransmit");
    doubleClick(child<QListWidget>(*window, "lWSeparator"), 1);
    transmit->setCurrentItem(nullptr);
    ModalCloser closer;
    emit transmit->itemDoubleClicked(transmit->item(0));
    QCOMPARE(closer.seen.size(), 1);
    QCOMPARE(closer.seen[0].className, QStringLiteral("QMessageBox"));
    QCOMPARE(closer.seen[0].windowTitle, QStringLiteral("info"));
    QVERIFY(closer.seen[0].texts.contains(QStringLiteral("please select items")));
    QCOMPARE(texts(transmit), QStringList({"Enter"}));
}

void ToolsTest::dragOrderTakenOverByNextDoubleClick()
{
    auto window = makeWindow();
    auto *fields = child<QListWidget>(*window, "lWFields");
    auto *transmit = child<QListWidget>(*window, "lWTransmit");
    doubleClick(fields, 3); // Apellido
    doubleClick(fields, 4); // Nombre
    // What an internal-move drop of "Nombre" above "Apellido" does to the widget.
    transmit->insertItem(0, transmit->takeItem(1));
    QCOMPARE(window->transmitEntries(), QStringList({"Apellido", "Nombre"})); // not seen yet

    doubleClick(child<QListWidget>(*window, "lWSeparator"), 2);
    QCOMPARE(texts(transmit), QStringList({"Nombre", "Apellido", "Space"}));
    QCOMPARE(window->transmitEntries(), texts(transmit));
}

void ToolsTest::cleanOnEmptyList()
{
    auto window = makeWindow();
    ModalCloser closer;
    QTest::mouseClick(child<QPushButton>(*window, "pBClean"), Qt::LeftButton);
    QCOMPARE(child<QListWidget>(*window, "lWTransmit")->count(), 0);
    doubleClick(child<QListWidget>(*window, "lWFields"), 1);
    QTest::mouseClick(child<QPushButton>(*window, "pBClean"), Qt::LeftButton);
    QCOMPARE(child<QListWidget>(*window, "lWTransmit")->count(), 0);
    QVERIFY(window->transmitEntries().isEmpty());
    QCOMPARE(closer.seen.size(), 0);
}

void ToolsTest::saveAndLoadAgain()
{
    {
        auto window = makeWindow();
        doubleClick(child<QListWidget>(*window, "lWFields"), 4);  // Nombre
        doubleClick(child<QListWidget>(*window, "lWSeparator"), 2); // Space
        doubleClick(child<QListWidget>(*window, "lWFields"), 3);  // Apellido
        child<QComboBox>(*window, "cBDateFormat")->setCurrentIndex(3);
        ModalCloser closer;
        QTest::mouseClick(child<QPushButton>(*window, "pBSave"), Qt::LeftButton);
        QCOMPARE(closer.seen.size(), 0); // nothing is shown on success
    }
    auto window = makeWindow();
    QCOMPARE(texts(child<QListWidget>(*window, "lWTransmit")), QStringList({"Nombre", "Space", "Apellido"}));
    QCOMPARE(child<QComboBox>(*window, "cBDateFormat")->currentIndex(), 3);
}

void ToolsTest::saveFailureIsShown()
{
    // A folder that cannot exist (its parent is a file): fails for root too.
    QFile blocker(dir->filePath(QStringLiteral("not-a-folder")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    settingsPath = blocker.fileName() + QStringLiteral("/Config.ini");
    auto window = makeWindow();
    ModalCloser closer;
    QTest::mouseClick(child<QPushButton>(*window, "pBSave"), Qt::LeftButton);
    QCOMPARE(closer.seen.size(), 1);
    QCOMPARE(closer.seen[0].className, QStringLiteral("MsgBox"));
    QCOMPARE(closer.seen[0].texts, QStringList({" Warning ", "Could not save Config.ini."}));
}

void ToolsTest::storedDateFormatOutOfRange()
{
    {
        QSettings file(settingsPath, QSettings::IniFormat);
        file.setValue(QStringLiteral("Basic/DateFormat"), 7);
    }
    auto window = makeWindow();
    QCOMPARE(child<QComboBox>(*window, "cBDateFormat")->currentText(), QStringLiteral("aa/mm/dd"));
}

void ToolsTest::startUpRunTypesNothing()
{
    {
        QSettings file(settingsPath, QSettings::IniFormat);
        file.beginWriteArray(QStringLiteral("Transmit"));
        const QStringList entries{"TAB", "Apellido", "Enter", "Space"};
        for (int i = 0; i < entries.size(); ++i) {
            file.setArrayIndex(i);
            file.setValue(QStringLiteral("Field"), entries[i]);
        }
        file.endArray();
    }
    auto window = makeWindow();
    QCOMPARE(window->transmitEntries(), QStringList({"TAB", "Apellido", "Enter", "Space"}));
    QVERIFY2(!keyboard->hasKeyEvents(), "the start-up run of the composer typed something");
}

// Config.ini edited by hand: a name in UTF-8 stands for its field as Qt's
// own escaped form does; an entry that still names nothing is named once in
// the status line, and the rest of the list is typed.
void ToolsTest::handWrittenEntries_data()
{
    QTest::addColumn<QByteArray>("entries");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QString>("namedInStatus");
    const QStringList numberAndEnter{"Número de Cedula", "Enter"};
    QTest::newRow("UTF-8") << QByteArray("1\\Field=N\xc3\xbamero de Cedula\n2\\Field=Enter\nsize=2\n")
                           << numberAndEnter << QByteArray("12345678\r") << QString();
    QTest::newRow("escaped by Qt") << QByteArray("1\\Field=N\\xfamero de Cedula\n2\\Field=Enter\nsize=2\n")
                                   << numberAndEnter << QByteArray("12345678\r") << QString();
    QTest::newRow("no such field")
        << QByteArray("1\\Field=Numero de Cedula\n2\\Field=Enter\n3\\Field=Numero de Cedula\nsize=3\n")
        << QStringList{"Numero de Cedula", "Enter", "Numero de Cedula"} << QByteArray("\r")
        << QStringLiteral("\"Numero de Cedula\"");
}

void ToolsTest::handWrittenEntries()
{
    QFETCH(QByteArray, entries);
    QFETCH(QStringList, listed);
    QFETCH(QByteArray, typed);
    QFETCH(QString, namedInStatus);
    QFile file(settingsPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Transmit]\n" + entries);
    file.close();
    auto window = makeWindow();
    QCOMPARE(texts(child<QListWidget>(*window, "lWTransmit")), listed);
    const QString status = child<QLabel>(*window, "lBtypingNotice")->toolTip();
    if (namedInStatus.isEmpty())
        QCOMPARE(status, QString());
    else
        QVERIFY2(status.count(namedInStatus) == 1, qPrintable(status));
    keyboard->clear();
    window->parseLongRecord(longRecord());
    QCOMPARE(keyboard->events(), expectedTyping(typed));
}

void ToolsTest::composedOutputFollowsWidgetOrder()
{
    auto window = makeWindow();
    auto *fields = child<QListWidget>(*window, "lWFields");
    auto *transmit = child<QListWidget>(*window, "lWTransmit");
    doubleClick(fields, 0);                                     // Número de Cedula
    doubleClick(child<QListWidget>(*window, "lWSeparator"), 0); // TAB
    doubleClick(fields, 3);                                     // Apellido
    // Dragged, not saved: the next output follows the widget.
    transmit->insertItem(0, transmit->takeItem(2));
    keyboard->clear();
    window->parseLongRecord(longRecord());
    QCOMPARE(window->record().idNumber, QStringLiteral("12345678"));
    QCOMPARE(keyboard->events(), expectedTyping("PEREZ GOMEZ12345678\t"));
}

void ToolsTest::fixedTabTitleSuppressesOutput()
{
    auto window = makeWindow();
    doubleClick(child<QListWidget>(*window, "lWFields"), 0);
    child<QTabWidget>(*window, "tabWidget")->setTabText(0, QStringLiteral("Fixed fields"));
    keyboard->clear();
    window->parseLongRecord(longRecord());
    QCOMPARE(window->record().surnames, QStringLiteral("PEREZ GOMEZ")); // parsed all the same
    QVERIFY(!keyboard->hasKeyEvents());
}

// A zone whose check digits agree types silently; one that a digit or
// letter was misread in types as read, and the status line and the log ask
// the operator to look. The next card clears the status line.
void ToolsTest::misreadCardTypedAndTold_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<bool>("told");
    const QByteArray valid = ScannerSamples::machineReadableZone();
    QByteArray misread = valid;
    misread[52] = '8'; // the id number 87654321 read as 87684321
    QTest::newRow("check digits agree") << valid << false;
    QTest::newRow("id number misread") << misread << true;
}

void ToolsTest::misreadCardTypedAndTold()
{
    QFETCH(QByteArray, zone);
    QFETCH(bool, told);
    auto window = makeWindow();
    doubleClick(child<QListWidget>(*window, "lWFields"), 0); // Número de Cedula
    auto *status = child<QLabel>(*window, "lBtypingNotice");
    auto *log = child<QTextEdit>(*window, "tElog");
    keyboard->clear();
    QVERIFY(window->parseMrzRecord(zone));
    QCOMPARE(keyboard->events(), expectedTyping(zone.mid(48, 8)));
    const QString notice = misreadCardNotice(failedMrzChecks(zone));
    QCOMPARE(notice.isEmpty(), !told);
    QCOMPARE(status->toolTip(), notice);
    QCOMPARE(log->toPlainText().isEmpty(), !told);
    QVERIFY2(log->toPlainText().contains(notice), qPrintable(log->toPlainText()));

    window->parseLongRecord(longRecord());
    QCOMPARE(status->toolTip(), QString());
}

// A UTF-8 barcode types the characters it encodes; one in Latin-1 its
// bytes, as before. Card output stays Latin-1 whatever its bytes look like.
void ToolsTest::barcodeTypedAsItsEncoding_data()
{
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<RecordingKeyboard::Events>("expected");
    const QString name = QString::fromUtf8("Ñandú-7 Peña");
    QTest::newRow("UTF-8") << name.toUtf8() << expectedUnicodeTyping(name);
    QTest::newRow("Latin-1") << name.toLatin1() << expectedTyping(name.toLatin1());
}

void ToolsTest::barcodeTypedAsItsEncoding()
{
    QFETCH(QByteArray, read);
    QFETCH(RecordingKeyboard::Events, expected);
    auto window = makeWindow();
    keyboard->clear();
    window->typeBlock(read);
    QCOMPARE(keyboard->events(), expected);
}

// What the scanner sends, as it comes off a real serial line (a
// pseudo-terminal) at a scanner's or an adapter's pace: each read logged on
// its own and typed in order, a card cut short logged and told, not typed.
void ToolsTest::readsFromTheLine_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<QList<int>>("logged"); // sizes of the log entries
    QTest::addColumn<QList<QByteArray>>("typed");
    QTest::addColumn<QString>("notice");
    const QByteArray record = longRecord();
    const QByteArray zone = machineReadableZone("RAMIREZ<DIAZ<<MARIA<<<<<<<<<<<");
    const QByteArray barcode("7501234567890\r");
    QList<QByteArray> bytes;
    for (char byte : record)
        bytes << QByteArray(1, byte);
    QList<QByteArray> bursts;
    for (int at = 0; at < record.size(); at += kAdapterBurstBytes)
        bursts << record.mid(at, kAdapterBurstBytes);

    QTest::newRow("long record a byte at a time, 1 ms apart")
        << bytes << 1 << QList<int>{200} << QList<QByteArray>{"PEREZ GOMEZ\r"} << QString();
    QTest::newRow("long record at 9600, 15 bytes every 16 ms")
        << bursts << kAdapterLatencyMs << QList<int>{200} << QList<QByteArray>{"PEREZ GOMEZ\r"} << QString();
    QTest::newRow("two cards 50 ms apart") << QList<QByteArray>{zone, record} << 50 << QList<int>{90, 200}
                                           << QList<QByteArray>{"RAMIREZ DIAZ\r", "PEREZ GOMEZ\r"} << QString();
    QTest::newRow("card, then at once a barcode")
        << QList<QByteArray>{zone + barcode} << 0 << QList<int>{90, 14}
        << QList<QByteArray>{"RAMIREZ DIAZ\r", "7501234567890\r"} << QString();
    QTest::newRow("card cut short") << QList<QByteArray>{zone.left(50)} << 0 << QList<int>{50} << QList<QByteArray>{}
                                    << QStringLiteral("A card arrived cut off (50 of its 90 bytes)");
}

void ToolsTest::readsFromTheLine()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(int, gapMs);
    QFETCH(QList<int>, logged);
    QFETCH(QList<QByteArray>, typed);
    QFETCH(QString, notice);
    FakeScanner scanner;
    auto window = linkedWindow(scanner);
    QVERIFY(window);
    chooseSurnameAndEnter(*window);
    keyboard->clear();

    std::thread sender([&] { scanner.send(pieces, std::chrono::milliseconds(gapMs)); });
    QTRY_COMPARE_WITH_TIMEOUT(loggedSizes(*window), logged, kReadsHandledMs);
    sender.join();
    auto *status = child<QLabel>(*window, "lBtypingNotice");
    if (!notice.isEmpty())
        QTRY_VERIFY2(status->toolTip().startsWith(notice), qPrintable(status->toolTip()));
    QTRY_COMPARE(keyboard->events(), expectedTyping(typed));
}

// Reads that come while a modal dialog is open (one the operator opened,
// or one that opened in the middle of typing a read) are logged as they
// come and typed, in order, once it is closed.
void ToolsTest::readsWhileABoxIsOpen_data()
{
    QTest::addColumn<bool>("boxWhileTyping");
    QTest::newRow("the operator's box") << false;
    QTest::newRow("a box opened while a read was typed") << true;
}

void ToolsTest::readsWhileABoxIsOpen()
{
    QFETCH(bool, boxWhileTyping);
    FakeScanner scanner;
    auto boxing = std::make_unique<BoxAfterText>();
    BoxAfterText *boxes = boxing.get();
    auto window = linkedWindow(scanner, std::move(boxing));
    QVERIFY(window);
    chooseSurnameAndEnter(*window);
    keyboard->clear();
    const QByteArray first = machineReadableZone("RAMIREZ<DIAZ<<MARIA<<<<<<<<<<<");
    const QByteArray second = machineReadableZone("PEREZ<GOMEZ<<JUAN<<<<<<<<<<<<<");
    const QByteArray barcode("7501234567890\r");
    const QByteArray firstTyped("RAMIREZ DIAZ\r");

    const QList<int> loggedBefore = boxWhileTyping ? QList<int>{90} : QList<int>{};
    QList<int> loggedInBox;
    RecordingKeyboard::Events typedInBox;
    ModalCloser closer([&] {
        scanner.send({boxWhileTyping ? second : first + second, barcode});
        (void)QTest::qWaitFor([&] { return loggedSizes(*window).size() == 3; }, kReadsHandledMs);
        loggedInBox = loggedSizes(*window);
        typedInBox = keyboard->events();
    });
    if (boxWhileTyping) {
        boxes->boxAfterNextText = true;
        scanner.send({first});
        QTRY_COMPARE_WITH_TIMEOUT(closer.seen.size(), 1, kReadsHandledMs);
    } else {
        QTest::mouseClick(child<QPushButton>(*window, "pBprefreshPort"), Qt::LeftButton);
        QCOMPARE(closer.seen.size(), 1);
    }
    QCOMPARE(loggedInBox, QList<int>({90, 90, 14}));
    QCOMPARE(typedInBox, expectedTyping(boxWhileTyping ? firstTyped : QByteArray()));
    QTRY_COMPARE(keyboard->events(), expectedTyping(QList<QByteArray>{firstTyped, "PEREZ GOMEZ\r", barcode}));
}

// Typing a long block blocks the program; what the scanner sent meanwhile is
// taken off the port in the pauses between keys, logged at once and typed
// after the block.
void ToolsTest::readsTakenInWhileTyping()
{
    FakeScanner scanner;
    auto window = linkedWindow(scanner);
    QVERIFY(window);
    keyboard->clear();
    const QByteArray typedFirst("1234567890\r");
    const QByteArray cameMeanwhile("7501234567890\r");
    {
        // The port takes the bytes in, and the receive path is not told:
        // as when they come during a typing run.
        const QSignalBlocker unheard(window->scannerLink());
        scanner.send({cameMeanwhile});
        QVERIFY(window->scannerLink().waitForMoreBytes(kReadsHandledMs));
    }
    window->handleRead({typedFirst, ReadEnd::Terminator, 0});
    QCOMPARE(loggedSizes(*window), QList<int>{int(cameMeanwhile.size())});
    QCOMPARE(keyboard->events(), expectedTyping(typedFirst));
    QTRY_COMPARE(keyboard->events(), expectedTyping(QList<QByteArray>{typedFirst, cameMeanwhile}));
}

void ToolsTest::typingNoticeBesideLinkStatus()
{
    auto window = makeWindow();
    auto *notice = child<QLabel>(*window, "lBtypingNotice");
    auto *linkStatus = child<QLabel>(*window, "lBdeviceVer");
    QCOMPARE(notice->parentWidget(), child<QGroupBox>(*window, "groupBox_5"));
    QVERIFY(notice->geometry().left() > linkStatus->geometry().right());
    QVERIFY(notice->geometry().right() < notice->parentWidget()->width());
    QVERIFY(notice->text().isEmpty());
}

// No X display at all: cards are still parsed, nothing is typed, and the
// operator is told, in a notice the first time.
void ToolsTest::noKeyboardToldOnce()
{
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":999999");
    ToolsOptions options;
    options.settingsPath = settingsPath;
    auto window = std::make_unique<tools>(nullptr, std::move(options));
    qputenv("DISPLAY", display);
    doubleClick(child<QListWidget>(*window, "lWFields"), 3); // Apellido
    const QString expected = reachNotice(KeyboardReach::Nowhere, QString());
    ModalCloser closer;
    for (int block = 0; block < 2; ++block)
        window->parseLongRecord(longRecord());
    QCOMPARE(window->record().surnames, QStringLiteral("PEREZ GOMEZ"));
    QCOMPARE(closer.seen.size(), 0);
    QCOMPARE(window->noticeShown(NoticeKind::Typing), expected);
    QCOMPARE(child<QLabel>(*window, "lBtypingNotice")->toolTip(), expected);
}

// A Space typed into Quillon itself could press its focused "Borrar Todo".
void ToolsTest::ownWindowFocusedHoldsTheBlockBack()
{
    auto window = makeWindow();
    doubleClick(child<QListWidget>(*window, "lWFields"), 3); // Apellido
    auto *notice = child<QLabel>(*window, "lBtypingNotice");
    window->show();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    keyboard->clear();
    ModalCloser closer;
    window->parseLongRecord(longRecord());
    QVERIFY(!keyboard->hasKeyEvents());
    QVERIFY2(notice->toolTip().contains(QStringLiteral("put the cursor where the data should go")),
             qPrintable(notice->toolTip()));
    QCOMPARE(closer.seen.size(), 0);

    QApplication::setActiveWindow(nullptr);
    QTRY_VERIFY(!QApplication::activeWindow());
    window->parseLongRecord(longRecord());
    QCOMPARE(keyboard->events(), expectedTyping("PEREZ GOMEZ"));
    QVERIFY(notice->text().isEmpty());
}

void ToolsTest::lostCharactersToldOnce()
{
    auto window = makeWindow();
    doubleClick(child<QListWidget>(*window, "lWFields"), 3); // Apellido
    auto *notice = child<QLabel>(*window, "lBtypingNotice");
    ModalCloser closer;
    keyboard->loseInNextText(2);
    window->parseLongRecord(longRecord());
    const QString told = window->noticeShown(NoticeKind::Typing);
    QVERIFY2(told.startsWith(QStringLiteral("Some characters of a block could not be typed")), qPrintable(told));
    QVERIFY2(notice->toolTip().startsWith(QStringLiteral("Characters not typed: 2.")), qPrintable(notice->toolTip()));
    keyboard->loseInNextText(1);
    window->parseLongRecord(longRecord());
    QCOMPARE(window->noticeShown(NoticeKind::Typing), told);
    QVERIFY(notice->toolTip().startsWith(QStringLiteral("Characters not typed: 1.")));
    // Typing works again: the notice goes by itself.
    window->parseLongRecord(longRecord());
    QVERIFY(notice->text().isEmpty());
    QCOMPARE(window->noticeShown(NoticeKind::Typing), QString());
    QCOMPARE(closer.seen.size(), 0);
}

void ToolsTest::xwaylandToldWhenShown()
{
    auto window = makeWindow({}, KeyboardReach::XWaylandWindows);
    doubleClick(child<QListWidget>(*window, "lWFields"), 3); // Apellido
    const QString expected =
        reachNotice(KeyboardReach::XWaylandWindows, QString::fromLocal8Bit(qgetenv("XDG_CURRENT_DESKTOP")));
    ModalCloser closer;
    window->show();
    QTRY_COMPARE(window->noticeShown(NoticeKind::Typing), expected);
    window->hide();
    window->show();
    window->parseLongRecord(longRecord());
    QVERIFY(keyboard->hasKeyEvents());
    QCOMPARE(child<QLabel>(*window, "lBtypingNotice")->toolTip(), expected);
    QCOMPARE(closer.seen.size(), 0);
}

QTEST_MAIN(ToolsTest)
#include "tst_tools.moc"
