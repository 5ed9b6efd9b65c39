// The serial panel of the main window and the receive path: the slots hand
// the work to ScannerLink and the capture logic and show what comes back.
#include "tools.h"
#include "ui_tools.h"

#include "cardparser.h"
#include "msgbox.h"
#include "receivedblock.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTime>
#include <QTimer>

#include <chrono>

namespace {
// Lets the rest of a burst arrive before the block is read.
constexpr std::chrono::milliseconds kBurstSettleWait{100};
} // namespace

void tools::connectLinkToPanel()
{
    link.setWarningHandler([](const char *sourceText) {
        showMsgBox(MsgBox::Warning, QCoreApplication::translate("tools", sourceText));
    });
    connect(&link, &ScannerLink::linkOpened, this, [this] {
        ui->cBcomPort->setEnabled(false);
        ui->cBbuadRate->setEnabled(false);
        ui->pBcomOpen->setText(tr("Cierre"));
    });
    connect(&link, &ScannerLink::linkConnected, this, [this](const QString &resultText) {
        receiveTimer->start();
        ui->lBdeviceVer->setText(resultText);
    });
    connect(&link, &ScannerLink::linkClosed, this, [this] {
        receiveTimer->stop();
        ui->lBdeviceVer->clear();
        ui->cBcomPort->setEnabled(true);
        ui->cBbuadRate->setEnabled(true);
        ui->pBcomOpen->setText(tr("Abrir"));
    });
}

void tools::on_pBcomOpen_clicked()
{
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
    ui->cBcomPort->clear();
    fillPortList();
}

void tools::ReadMyCom()
{
    if (link.bytesAvailable() <= 0)
        return;
    link.waitWithEvents(static_cast<int>(kBurstSettleWait.count()));
    QByteArray block = link.readAll();
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
