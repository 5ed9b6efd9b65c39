#pragma once

#include "idrecord.h"
#include "keyboarddevice.h"
#include "keyinjector.h"
#include "portlist.h"
#include "portwatch.h"
#include "scannerlink.h"
#include "typingnotices.h"

#include <QSettings>
#include <QStringList>
#include <QWidget>

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

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void on_pBcomOpen_clicked();
    void on_pBprefreshPort_clicked();
    void ptimerOut();
    void ReadMyCom();
    void on_pBClear_clicked();
    void on_lWFields_itemDoubleClicked(QListWidgetItem *item);
    void on_lWSeparator_itemDoubleClicked(QListWidgetItem *item);
    void on_lWTransmit_itemDoubleClicked(QListWidgetItem *item);
    void on_pBClean_clicked();
    void getCurrChanged(int value);
    void on_pBSave_clicked();

private:
    friend class ToolsTest;

    void fillPortList();
    void selectPort(const QString &portName);
    void connectLinkToPanel();
    void reconnect(const QString &portName);
    void stopWatching();
    void loadSettings();
    void fillFieldLists();
    void refreshTransmitList();
    void repopulateTransmitWidget();
    bool parseMrzRecord(const QByteArray &block);
    void parseLongRecord(const QByteArray &block);
    void transmitRecord();
    void composeOutput();
    void typeBlock(const QByteArray &bytes);
    void showTypingNotice(const TypingNotice &notice);

    ScannerLink link;   // the port, portOpen and deviceType of the link
    Ui::tools *ui;
    QTimer *housekeepingTimer;
    IdRecord currentRecord;
    QTimer *receiveTimer = nullptr;
    QStringList fieldNameList;
    QStringList separatorList;
    QStringList transmitList;
    int dateFormatIndex = 0;

    QStringList extraPorts;
    PortLister portLister;
    PortWatch portWatch;
    PortIdentity linkedPort;   // the device of the last identified link
    bool reconnecting = false; // the link is being opened again by the watch
    QSettings userSettings;    // per user, in the system's place for our name
    QString settingsPath;
    std::unique_ptr<KeyboardDevice> keyboard;
    KeyInjector injector;
    TypingNotices typingNotices;
    // False during construction: the composer's start-up run types nothing
    // and tells nothing.
    bool typingReady = false;
    bool shownBefore = false;
};
