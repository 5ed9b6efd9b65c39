// The serial panel of the main window and the receive path: the slots hand
// the work to ScannerLink and the card-record logic and show what comes back.
#include "tools.h"
#include "ui_tools.h"

#include "cardparser.h"
#include "msgbox.h"
#include "receivedblock.h"
#include "rememberedport.h"

#include <QElapsedTimer>
#include <QTime>
#include <QTimer>

#include <chrono>

namespace {
// Lets the rest of a burst arrive before the block is read.
constexpr std::chrono::milliseconds kBurstSettleWait{100};
// A scanner on a slow line sends a card byte after byte, about a millisecond
// apart at 9600 baud: the block goes on while the next byte follows within
// this gap, so a record is not cut in two.
constexpr std::chrono::milliseconds kBurstByteGap{10};
// A line that never falls quiet is cut into blocks of about this length.
constexpr std::chrono::milliseconds kLongestBurst{2000};
const QString kStatusTimeFormat = QStringLiteral("HH:mm:ss");
} // namespace

void tools::connectLinkToPanel()
{
    link.setWarningHandler([](const QString &message) { showMsgBox(MsgBox::Warning, message); });
    connect(&link, &ScannerLink::linkOpened, this, [this] {
        ui->cBcomPort->setEnabled(false);
        ui->cBbuadRate->setEnabled(false);
        ui->pBcomOpen->setText(tr("Cierre"));
    });
    connect(&link, &ScannerLink::linkConnected, this, [this](const QString &resultText) {
        receiveTimer->start();
        rememberPort(userSettings, link.portName());
        linkedPort = identityOf(link.portName(), portLister());
        if (reconnecting)
            ui->lBdeviceVer->setText(tr("%1 (reconnected at %2)")
                                         .arg(resultText, QTime::currentTime().toString(kStatusTimeFormat)));
        else
            ui->lBdeviceVer->setText(resultText);
        reconnecting = false;
    });
    connect(&link, &ScannerLink::linkClosed, this, [this] {
        reconnecting = false;
        receiveTimer->stop();
        ui->lBdeviceVer->clear();
        ui->cBcomPort->setEnabled(true);
        ui->cBbuadRate->setEnabled(true);
        ui->pBcomOpen->setText(tr("Abrir"));
    });
    // The device went away under the link: watch for it to come back, and
    // meanwhile say so where the result text stood.
    connect(&link, &ScannerLink::deviceLost, this, [this](const QString &portName) {
        portWatch.start(linkedPort.name == portName ? linkedPort : identityOf(portName, {}));
        ui->lBdeviceVer->setText(tr("The scanner on %1 went away; waiting for it to come back.").arg(portName));
    });
    connect(&portWatch, &PortWatch::deviceReturned, this, &tools::reconnect);
}

// The device is back: the list is brought up to date, as "Actualizar" would,
// and the link opened on it at the speed chosen in the panel.
void tools::reconnect(const QString &portName)
{
    if (link.portOpen())
        return;
    ui->cBcomPort->clear();
    fillPortList();
    selectPort(portName);
    if (ui->cBcomPort->currentText() != portName)
        ui->cBcomPort->setEditText(portName);
    ui->lBdeviceVer->setText(tr("The scanner is back on %1; identifying it again.").arg(portName));
    reconnecting = true;
    link.openLink(portName, ui->cBbuadRate->currentText());
    // A port that would not open or take the speed closes no link, so
    // nothing else takes back what the status line said; unless the device
    // went away again meanwhile and the watch says so.
    if (!link.portOpen() && !portWatch.watching()) {
        reconnecting = false;
        ui->lBdeviceVer->clear();
    }
}

// The operator takes over: whatever the watch said goes with it.
void tools::stopWatching()
{
    if (!portWatch.watching())
        return;
    portWatch.stop();
    ui->lBdeviceVer->clear();
}

void tools::on_pBcomOpen_clicked()
{
    stopWatching();
    if (link.portOpen())
        link.closePort();
    else
        link.openLink(ui->cBcomPort->currentText(), ui->cBbuadRate->currentText());
}

void tools::on_pBprefreshPort_clicked()
{
    if (link.portOpen()) {
        showMsgBox(MsgBox::Warning, tr("Please close the serial port and refresh again!"));
        return;
    }
    stopWatching();
    ui->cBcomPort->clear();
    fillPortList();
}

void tools::ReadMyCom()
{
    if (link.bytesAvailable() <= 0)
        return;
    link.waitWithEvents(static_cast<int>(kBurstSettleWait.count()));
    QByteArray block = link.readAll();
    QElapsedTimer burst;
    burst.start();
    while (burst.elapsed() < kLongestBurst.count() && link.waitForMoreBytes(static_cast<int>(kBurstByteGap.count())))
        block += link.readAll();
    block += link.readAll();

    ui->tElog->append(receiveLogEntry(QTime::currentTime(), block));

    switch (classifyBlock(block)) {
    case BlockKind::MachineReadableZone:
        parseMrzRecord(block);
        break;
    case BlockKind::LongRecord:
        parseLongRecord(block);
        break;
    case BlockKind::Raw:
        typeBlock(block);
        break;
    case BlockKind::Nothing:
        break;
    }
}
