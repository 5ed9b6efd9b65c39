#include "simoptions.h"

#include "scannersamples.h"

#include <QCommandLineParser>
#include <QFile>

#include <tuple>

namespace {

constexpr int kMillisecondsPerSecond = 1000;
// Longer than any session lasts; beyond it a number of seconds is a typo.
constexpr double kMaxSeconds = 7 * 24 * 3600;

const QCommandLineOption kLinkOption("link", "Make PATH a symbolic link to the pseudo-terminal.", "PATH");
const QCommandLineOption kVersionOption("version",
                                        "Answer the version query with TEXT (default V2.3 and CR LF, as real scanners "
                                        "end it).",
                                        "TEXT");
const QCommandLineOption kModelOption("model", "Answer the model query with TEXT (default KR1).", "TEXT");
const QCommandLineOption kSendOption("send", "Samples to send in turn: mrz, long, barcode (comma-separated, repeatable).",
                                     "LIST");
const QCommandLineOption kSendFileOption("send-file", "Send the bytes of FILE as one block (repeatable).", "FILE");
const QCommandLineOption kDelayOption("delay", "Send the first block SECONDS after the model query was answered.",
                                      "SECONDS");
const QCommandLineOption kRepeatOption("repeat", "Send the next block every SECONDS once the model query was answered.",
                                       "SECONDS");
const QCommandLineOption kSilentOption("silent", "Never answer a command.");
const QCommandLineOption kPiecesOption("pieces", "Write every reply in N pieces.", "N");
const QCommandLineOption kPieceGapOption("piece-gap", "Milliseconds between the pieces of a reply (default 30).", "MS");
const QCommandLineOption kByteGapOption("byte-gap",
                                        "Send reply and data bytes one at a time, MS milliseconds apart, as a UART "
                                        "does (1 is about 9600 baud). Overrides --pieces.",
                                        "MS");
const QCommandLineOption kReadsPerLineOption("reads-per-line",
                                              "Send the next N data blocks at each line on standard input and at "
                                              "each --repeat (default 1).",
                                              "N");
const QCommandLineOption kReadGapOption("read-gap",
                                        "Milliseconds between the blocks of one line (default 0: back to back, "
                                        "each block's first byte right after the last byte of the one before).",
                                        "MS");
const QCommandLineOption kBurstBytesOption("burst-bytes",
                                           "Send data blocks in bursts of N bytes, one burst every --burst-every "
                                           "milliseconds, as a USB serial adapter hands on what a scanner sends: "
                                           "15 every 16 ms is 9600 baud through the usual 16 ms latency timer. "
                                           "Blocks back to back share their bursts.",
                                           "N");
const QCommandLineOption kBurstEveryOption("burst-every", "Milliseconds between the bursts (default 16).", "MS");
const QCommandLineOption kGarbageOption("garbage", "Write noise before every reply.");
const QCommandLineOption kBeforeReplyOption("before-reply",
                                            "Write WHAT before every reply: noise, or a sample (mrz, long, barcode), "
                                            "as if it had been read just then.",
                                            "WHAT");
const QCommandLineOption kUnplugOption("unplug-after",
                                       "Pull the cable SECONDS after a program opened the port: the pseudo-terminal "
                                       "closes and the --link goes.",
                                       "SECONDS");
const QCommandLineOption kReplugOption("replug-after",
                                       "Plug the cable in again SECONDS after pulling it: a new pseudo-terminal "
                                       "behind the same --link path.",
                                       "SECONDS");
const QCommandLineOption kStartOption("start-after-replug",
                                      "Once plugged in again, answer nothing for SECONDS, as a scanner that is still "
                                      "starting.",
                                      "SECONDS");
const QCommandLineOption kBaudOption("baud",
                                     "Talk only to a port set to N baud; at any other speed nothing is answered or "
                                     "sent, as a scanner at another speed is not understood.",
                                     "N");
const QCommandLineOption kTimestampsOption("timestamps", "Print the monotonic time in nanoseconds of each block written.");

std::optional<QByteArray> sampleNamed(const QString &name)
{
    if (name == QLatin1String("mrz"))
        return ScannerSamples::machineReadableZone();
    if (name == QLatin1String("long"))
        return ScannerSamples::longRecord();
    if (name == QLatin1String("barcode"))
        return ScannerSamples::barcode();
    return std::nullopt;
}

// A whole number of at least `minimum`, or nothing.
std::optional<int> wholeNumber(const QString &text, int minimum)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok && number >= minimum ? std::optional<int>(number) : std::nullopt;
}

std::optional<std::chrono::milliseconds> secondsValue(const QString &text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    // "nan" and "inf" convert too; neither is a time to wait.
    if (!ok || !(seconds >= 0 && seconds <= kMaxSeconds))
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<long long>(seconds * kMillisecondsPerSecond));
}

} // namespace

std::optional<SimOptions> parseSimOptions(const QStringList &arguments, QString *errorText)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Plays a serial barcode and identity-card scanner on a pseudo-terminal and prints its path.\n"
        "Every line typed on standard input sends the next data block (or --reads-per-line blocks):\n"
        "the samples of --send first, then the files of --send-file, in the order given, round\n"
        "and round. --read-gap, --burst-bytes and --burst-every set the pace of the data.\n"
        "With --unplug-after and --replug-after the path printed first changes; --link keeps one path.");
    parser.addHelpOption();
    parser.addOptions({kLinkOption, kVersionOption, kModelOption, kSendOption, kSendFileOption, kDelayOption,
                       kRepeatOption, kSilentOption, kPiecesOption, kPieceGapOption, kByteGapOption,
                       kReadsPerLineOption, kReadGapOption, kBurstBytesOption, kBurstEveryOption, kGarbageOption,
                       kTimestampsOption, kUnplugOption, kReplugOption, kBaudOption, kBeforeReplyOption,
                       kStartOption});
    if (!parser.parse(arguments)) {
        *errorText = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp();

    SimOptions options;
    options.linkPath = parser.value(kLinkOption);
    if (parser.isSet(kVersionOption))
        options.version = parser.value(kVersionOption).toLatin1();
    if (parser.isSet(kModelOption))
        options.model = parser.value(kModelOption).toLatin1();
    for (const QString &list : parser.values(kSendOption)) {
        for (const QString &name : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const std::optional<QByteArray> sample = sampleNamed(name.trimmed());
            if (!sample) {
                *errorText = QStringLiteral("unknown sample \"%1\" (mrz, long or barcode)").arg(name);
                return std::nullopt;
            }
            options.blocks << *sample;
        }
    }
    for (const QString &path : parser.values(kSendFileOption)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *errorText = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
            return std::nullopt;
        }
        options.blocks << file.readAll();
    }
    for (const auto &[option, target] :
         {std::pair{&kDelayOption, &options.delay}, std::pair{&kRepeatOption, &options.repeat},
          std::pair{&kUnplugOption, &options.unplugAfter}, std::pair{&kReplugOption, &options.replugAfter}}) {
        if (!parser.isSet(*option))
            continue;
        *target = secondsValue(parser.value(*option));
        if (!*target || (target == &options.repeat && (*target)->count() == 0)) {
            *errorText = QStringLiteral("--%1 wants a positive number of seconds").arg(option->names().first());
            return std::nullopt;
        }
    }
    if (options.replugAfter && (!options.unplugAfter || options.linkPath.isEmpty())) {
        *errorText = QStringLiteral("--replug-after wants --unplug-after, and --link to keep the path");
        return std::nullopt;
    }
    options.silent = parser.isSet(kSilentOption);
    options.garbageFirst = parser.isSet(kGarbageOption);
    if (parser.isSet(kBeforeReplyOption)) {
        const QString what = parser.value(kBeforeReplyOption);
        const std::optional<QByteArray> sample =
            what == QLatin1String("noise") ? std::optional<QByteArray>(ScannerSamples::noise()) : sampleNamed(what);
        if (!sample) {
            *errorText = QStringLiteral("--before-reply wants noise, mrz, long or barcode, not \"%1\"").arg(what);
            return std::nullopt;
        }
        options.beforeReply = *sample;
    }
    if (parser.isSet(kStartOption)) {
        const std::optional<std::chrono::milliseconds> start = secondsValue(parser.value(kStartOption));
        if (!start || !options.replugAfter) {
            *errorText = QStringLiteral("--start-after-replug wants a number of seconds, and --replug-after");
            return std::nullopt;
        }
        options.startAfterReplug = *start;
    }
    options.timestamps = parser.isSet(kTimestampsOption);
    // Whole numbers: the option, its least value, where it goes.
    int pieceGapMs = static_cast<int>(options.pieceGap.count());
    int byteGapMs = 0;
    int readGapMs = 0;
    int burstEveryMs = static_cast<int>(options.burstEvery.count());
    int baud = 0;
    for (const auto &[option, minimum, target] :
         {std::tuple{&kPiecesOption, 1, &options.replyPieces}, std::tuple{&kPieceGapOption, 0, &pieceGapMs},
          std::tuple{&kByteGapOption, 0, &byteGapMs}, std::tuple{&kReadsPerLineOption, 1, &options.readsPerLine},
          std::tuple{&kReadGapOption, 0, &readGapMs}, std::tuple{&kBurstBytesOption, 1, &options.burstBytes},
          std::tuple{&kBurstEveryOption, 1, &burstEveryMs}, std::tuple{&kBaudOption, 1, &baud}}) {
        if (!parser.isSet(*option))
            continue;
        const std::optional<int> number = wholeNumber(parser.value(*option), minimum);
        if (!number) {
            *errorText = QStringLiteral("--%1 wants a whole number of at least %2").arg(option->names().first()).arg(minimum);
            return std::nullopt;
        }
        *target = *number;
    }
    if (byteGapMs > 0 && options.burstBytes > 0) {
        *errorText = QStringLiteral("--byte-gap and --burst-bytes are two paces for the data; give one");
        return std::nullopt;
    }
    if (parser.isSet(kBurstEveryOption) && options.burstBytes == 0) {
        *errorText = QStringLiteral("--burst-every wants --burst-bytes");
        return std::nullopt;
    }
    options.pieceGap = std::chrono::milliseconds(pieceGapMs);
    options.byteGap = std::chrono::milliseconds(byteGapMs);
    options.readGap = std::chrono::milliseconds(readGapMs);
    options.burstEvery = std::chrono::milliseconds(burstEveryMs);
    if (baud > 0)
        options.baud = baud;
    return options;
}
