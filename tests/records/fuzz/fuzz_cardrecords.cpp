// libFuzzer entry for everything a scanner block reaches before typing: the
// receive decisions and log entry, both card parsers and the composer. The
// first byte picks the date format (out-of-range values included); the rest
// is the block, and its lines also serve as hand-edited transmit entries.

#include "cardparser.h"
#include "composer.h"
#include "fieldnames.h"
#include "receivedblock.h"

#include <QtGlobal>

#include <cstddef>
#include <cstdint>

namespace {

const QDate kFuzzToday(2026, 6, 1);

// The MRZ parser writes the name parts to the debug stream on every call.
void dropMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

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

    classifyBlock(block);
    receiveLogEntry(QTime(12, 0, 0), block);
    if (const std::optional<IdRecord> record = parseMrzRecord(block, dateFormatIndex, kFuzzToday))
        compose(block, *record);
    compose(block, parseLongRecord(block, dateFormatIndex));
    composerSuppressed(QString::fromLatin1(block.constData(), block.size()));
    return 0;
}
