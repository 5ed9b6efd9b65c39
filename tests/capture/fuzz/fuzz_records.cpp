// libFuzzer entry for everything a scanner block reaches before it is typed:
// the receive-path decisions, both card parsers and the composer. The first
// two bytes pick the date format index and the year of "today"; the rest is
// the block as it would come off the serial port.
#include "cardparser.h"
#include "composer.h"
#include "fieldnames.h"
#include "receivedblock.h"

#include <QByteArray>
#include <QDate>
#include <QStringList>
#include <QTime>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::size_t kControlBytes = 2;
// Indices -1 to 4: the four formats and an unknown one on either side.
constexpr int kDateFormatChoices = 6;
constexpr int kFirstDateFormatIndex = -1;
constexpr int kFirstYear = 1990;
constexpr int kYearChoices = 60;
constexpr int kHexDigitsAndSpacePerByte = 3;

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &)
{
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

QStringList everyEntry()
{
    return fieldNameList() + separatorList();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The zone parser writes each name line to the debug stream.
    qInstallMessageHandler(discardMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < kControlBytes)
        return 0;
    const int dateFormatIndex = data[0] % kDateFormatChoices + kFirstDateFormatIndex;
    const QDate today(kFirstYear + data[1] % kYearChoices, 1, 1);
    const QByteArray block(reinterpret_cast<const char *>(data + kControlBytes),
                           static_cast<int>(size - kControlBytes));

    const BlockKind kind = classifyBlock(block);
    require((kind == BlockKind::Nothing) == block.isEmpty());
    const QString dump = hexDump(block);
    require(dump.size() == (block.isEmpty() ? 0 : kHexDigitsAndSpacePerByte * block.size() - 1));
    require(receiveLogEntry(QTime(0, 0), block).endsWith(dump));

    static const QStringList entries = everyEntry();
    const IdRecord longRecord = parseLongRecord(block, dateFormatIndex);
    composeOutput(entries, longRecord);
    if (const std::optional<IdRecord> zone = parseMrzRecord(block, dateFormatIndex, today))
        composeOutput(entries, *zone);
    return 0;
}
