#pragma once

#include "idrecord.h"
#include "keyboarddevice.h"
#include "keyinjector.h"
#include "notices.h"
#include "pausehookkeyboard.h"
#include "portlist.h"
#include "portwatch.h"
#include "receivepath.h"
#include "reidentification.h"
#include "scannerlink.h"
#include "typingnotices.h"

#include <QSettings>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class KeyboardDevice;
class QListWidgetItem;
class QShowEvent;
class QTimer;

namespace Ui { class tools; }

// What the program hands the main window at start: ports that the system
// does not list (given with --port), the keyboard to type on (the system's
// when none is given), where "Config.ini" lies and how the system's ports
// are listed.
struct ToolsOptions
{
    QStringList extraPorts;
    PortLister portLister = systemPorts;
    std::unique_ptr<KeyboardDevice> keyboard;
    QString settingsPath = QStringLiteral("Config.ini");
};

// The main window: the serial panel, the receive log and the transmit
// configuration tab. Its slots read their widgets, call the link, card-record and
// config logic, and write the results back.
class tools : public QWidget
{
    Q_OBJECT

public:
    explicit tools(QWidget *parent = nullptr, ToolsOptions options = {});
    ~tools() override;

    // For tests: the pieces a slot works on.
    ScannerLink &scannerLink() { return link; }
    const IdRecord &record() const { return currentRecord; }
    const QStringList &transmitEntries() const { return transmitList; }
    bool watchingForDevice() const { return portWatch.watching(); }
    bool identifyingAgain() const { return reidentification.active(); }
    // The notice of this kind on screen, empty when none is.
    QString noticeShown(NoticeKind kind) const { return notices.shown(kind); }

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void on_pBcomOpen_clicked();
    void on_pBprefreshPort_clicked();
    void ptimerOut();
    void on_pBClear_clicked();
    void on_lWFields_itemDoubleClicked(QListWidgetItem *item);
    void on_lWSeparator_itemDoubleClicked(QListWidgetItem *item);
    void on_lWTransmit_itemDoubleClicked(QListWidgetItem *item);
    void on_pBClean_clicked();
    void getCurrChanged(int value);
    void on_pBSave_clicked();

private:
    friend class ToolsTest;
    friend class LabelFitTest;

    void fillPortList();
    void selectPort(const QString &portName);
    void connectLinkToPanel();
    void connectReceivePath();
    void logRead(const ScannerRead &read);
    void logReadNote(const QString &note);
    void handleRead(const ScannerRead &read);
    void reconnect(const QString &portName);
    void stopWatching();
    void showLinkStatus(const QString &text);
    void loadSettings();
    void fillFieldLists();
    void refreshTransmitList();
    void repopulateTransmitWidget();
    bool parseMrzRecord(const QByteArray &block);
    void parseLongRecord(const QByteArray &block);
    void transmitRecord();
    void composeOutput();
    void typeBlock(const QByteArray &bytes);
    void typeCardText(const QByteArray &latin1);
    void typeWith(const std::function<void()> &type);
    void showTypingNotice(const TypingNotice &notice);
    void showReadStatus();
    void tellEntriesMatchingNothing();

    ScannerLink link;   // the port, portOpen and deviceType of the link
    ReceivePath receivePath{link};
    Ui::tools *ui;
    QTimer *housekeepingTimer;
    IdRecord currentRecord;
    QStringList fieldNameList;
    QStringList separatorList;
    QStringList transmitList;
    int dateFormatIndex = 0;

    QStringList extraPorts;
    PortLister portLister;
    PortWatch portWatch;
    PortIdentity linkedPort;   // the device of the last identified link
    Reidentification reidentification{link}; // the device is back: identifying it again
    QSettings userSettings;    // per user, in the system's place for our name
    QString settingsPath;
    std::unique_ptr<KeyboardDevice> keyboard;
    // The port is read in the pauses of a typing run.
    PauseHookKeyboard typingKeyboard;
    KeyInjector injector;
    TypingNotices typingNotices;
    Notices notices;
    // The two parts of the status line's right half: what the last read
    // showed (a card that may be misread), and what typing it showed.
    QString readStatus;
    QString typingStatus;
    // Entries of the transmit list that type nothing (from Config.ini).
    QString settingsStatus;
    // False during construction: the composer's start-up run types nothing
    // and tells nothing.
    bool typingReady = false;
    bool shownBefore = false;
};
