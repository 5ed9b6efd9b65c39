// The serial panel of the main window: the slots hand the work to
// ScannerLink and show what comes back.
#include "tools.h"
#include "ui_tools.h"

#include "msgbox.h"
#include "rememberedport.h"
#include "textfit.h"

#include <QTime>

namespace {
const QString kStatusTimeFormat = QStringLiteral("HH:mm:ss");
constexpr int kDecimalBase = 10;
} // namespace

void tools::connectLinkToPanel()
{
    // The design's messages wait for the operator in a box; the link's
    // other news go to a notice that leaves the keyboard where it is.
    link.setWarningHandler([](const QString &message) { showMsgBox(MsgBox::Warning, message); });
    link.setNoticeHandler([this](const QString &message) { notices.show(NoticeKind::Link, message); });
    connect(&link, &ScannerLink::linkOpened, this, [this] {
        ui->cBcomPort->setEnabled(false);
        ui->cBbuadRate->setEnabled(false);
        ui->pBcomOpen->setText(tr("Cierre"));
    });
    connect(&link, &ScannerLink::linkConnected, this, [this](const QString &resultText) {
        receivePath.start(ui->cBbuadRate->currentText().toInt(nullptr, kDecimalBase));
        rememberPort(userSettings, link.portName());
        linkedPort = identityOf(link.portName(), portLister());
        ui->lBdeviceVer->setToolTip({});
        if (reidentification.active())
            ui->lBdeviceVer->setText(tr("%1 (reconnected at %2)")
                                         .arg(resultText, QTime::currentTime().toString(kStatusTimeFormat)));
        else
            ui->lBdeviceVer->setText(resultText);
        // Whatever the link's notice said is over now.
        notices.end(NoticeKind::Link);
    });
    connect(&link, &ScannerLink::linkClosed, this, [this] {
        receivePath.stop();
        // Between the tries of a re-identification the status line goes on
        // saying that the scanner is being identified.
        if (!reidentification.active())
            showLinkStatus({});
        ui->cBcomPort->setEnabled(true);
        ui->cBbuadRate->setEnabled(true);
        ui->pBcomOpen->setText(tr("Abrir"));
    });
    connect(&link, &ScannerLink::linkFailed, this, &tools::showLinkStatus);
    // The device went away under the link: watch for it to come back, and
    // meanwhile say so where the result text stood.
    connect(&link, &ScannerLink::deviceLost, this, [this](const QString &portName) {
        reidentification.stop();
        portWatch.start(linkedPort.name == portName ? linkedPort : identityOf(portName, {}));
        showLinkStatus(tr("The scanner on %1 went away; waiting for it to come back.").arg(portName));
    });
    connect(&portWatch, &PortWatch::deviceReturned, this, &tools::reconnect);
    connect(&reidentification, &Reidentification::gaveUp, this, [this](const QString &reason) {
        showLinkStatus(reason);
        notices.show(NoticeKind::Link, reason);
    });
}

// The device is back: the list is brought up to date, as "Actualizar" would,
// and the scanner identified again at the speed chosen in the panel, for as
// long as it may take to start.
void tools::reconnect(const QString &portName)
{
    if (link.portOpen())
        return;
    ui->cBcomPort->clear();
    fillPortList();
    selectPort(portName);
    if (ui->cBcomPort->currentText() != portName)
        ui->cBcomPort->setEditText(portName);
    showLinkStatus(tr("The scanner is back on %1; identifying it again.").arg(portName));
    reidentification.start(portName, ui->cBbuadRate->currentText());
}

// The operator takes over: whatever the watch or the re-identification said
// goes with them.
void tools::stopWatching()
{
    notices.end(NoticeKind::Link);
    if (!portWatch.watching() && !reidentification.active())
        return;
    portWatch.stop();
    reidentification.stop();
    showLinkStatus({});
}

// The link's half of the status line; the whole text in its tool tip.
void tools::showLinkStatus(const QString &text)
{
    setStatusText(ui->lBdeviceVer, text);
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
