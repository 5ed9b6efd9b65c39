// The scanner's reads, from the receive path to the log and the typing: each
// read is logged as soon as it is complete, and handled (parsed, typed) in
// its turn.
#include "tools.h"
#include "ui_tools.h"

#include "receivedblock.h"

#include <QApplication>
#include <QTime>

void tools::connectReceivePath()
{
    receivePath.setArrivalHandler([this](const ScannerRead &read) { logRead(read); });
    receivePath.setReadHandler([this](const ScannerRead &read) { handleRead(read); });
    // What is typed while a dialog holds the keyboard goes nowhere useful;
    // the reads wait until it is closed.
    receivePath.setHandlingGate([] { return QApplication::activeModalWidget() == nullptr; });
}

void tools::logRead(const ScannerRead &read)
{
    ui->tElog->append(receiveLogEntry(QTime::currentTime(), read.bytes));
}

void tools::handleRead(const ScannerRead &read)
{
    switch (read.end) {
    case ReadEnd::CardCutShort:
        // Half a card's fields would be typed as if they were whole.
        showTypingNotice({tr("A card arrived cut off (%1 of its %2 bytes): nothing was typed, it is in the log. "
                             "Scan it again.")
                              .arg(read.bytes.size())
                              .arg(read.cardBytes),
                          {}});
        return;
    case ReadEnd::CardTerminator:
        return;
    case ReadEnd::Card:
    case ReadEnd::Terminator:
    case ReadEnd::QuietGap:
        break;
    }

    switch (classifyBlock(read.bytes)) {
    case BlockKind::MachineReadableZone:
        parseMrzRecord(read.bytes);
        break;
    case BlockKind::LongRecord:
        parseLongRecord(read.bytes);
        break;
    case BlockKind::Raw:
        typeBlock(read.bytes);
        break;
    case BlockKind::Nothing:
        break;
    }
}
