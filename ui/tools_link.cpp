// The serial panel of the main window: the slots hand the work to
// ScannerLink and show what comes back.
#include "tools.h"
#include "ui_tools.h"

#include "msgbox.h"
#include "rememberedport.h"

#include <QTime>

namespace {
const QString kStatusTimeFormat = QStringLiteral("HH:mm:ss");
constexpr int kDecimalBase = 10;
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
        receivePath.start(ui->cBbuadRate->currentText().toInt(nullptr, kDecimalBase));
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
        receivePath.stop();
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
