// libFuzzer entry for everything a scanner block reaches before typing: the
// cutting of the line into reads, the receive decisions and log entry, the
// UTF-8 test of a barcode, both card parsers, the zone's check digits and the
// composer. The first byte picks the date format (out-of-range values
// included) and the pace at which the block comes; the rest is the block, and
// its lines also serve as hand-edited transmit entries.

#include "barcodetext.h"
#include "cardparser.h"
#include "composer.h"
#include "fieldnames.h"
#include "mrzcheckdigits.h"
#include "readsplitter.h"
#include "receivedblock.h"

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const QDate kFuzzToday(2026, 6, 1);

// The MRZ parser writes the name parts to the debug stream on every call.
void dropMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

// Chunks of 1 to 32 bytes, 0 to 140 ms apart: every byte must come out in
// exactly one read, in order.
constexpr int kChunkBits = 5;
constexpr int kStepMs = 20;

void split(const QByteArray& block, std::uint8_t pace)
{
    const int chunk = 1 + (pace & ((1 << kChunkBits) - 1));
    const ReadSplitter::Time step((pace >> kChunkBits) * kStepMs);
    ReadSplitter splitter;
    ReadSplitter::Time now(0);
    QByteArray taken;
    for (int at = 0; at < block.size(); at += chunk) {
        splitter.receive(block.mid(at, chunk), now);
        now += step;
        splitter.elapse(now);
        for (const ScannerRead& read : splitter.takeReads())
            taken += read.bytes;
    }
    splitter.finish();
    for (const ScannerRead& read : splitter.takeReads())
        taken += read.bytes;
    if (taken != block)
        std::abort();
}

void compose(const QByteArray& block, const IdRecord& record)
{
    QStringList entries = fieldNameList() + separatorList();
    for (const QByteArray& line : block.split('\n'))
        entries.append(QString::fromLatin1(line.constData(), line.size()));
    composeOutput(entries, record);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler(dropMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int dateFormatIndex = static_cast<std::int8_t>(data[0]);
    const QByteArray block(reinterpret_cast<const char*>(data) + 1, int(size - 1));

    split(block, data[0]);
    classifyBlock(block);
    if (const std::optional<QString> text = utf8BarcodeText(block))
        (void)text->toUcs4();
    receiveLogEntry(QTime(12, 0, 0), block);
    if (const std::optional<IdRecord> record = parseMrzRecord(block, dateFormatIndex, kFuzzToday)) {
        compose(block, *record);
        misreadCardNotice(failedMrzChecks(block));
    }
    compose(block, parseLongRecord(block, dateFormatIndex));
    composerSuppressed(QString::fromLatin1(block.constData(), block.size()));
    return 0;
}
