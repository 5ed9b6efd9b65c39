#include "simoptions.h"

#include "scannersamples.h"

#include <QCommandLineParser>
#include <QFile>

namespace {

constexpr int kMillisecondsPerSecond = 1000;

const QCommandLineOption kLinkOption("link", "Make PATH a symbolic link to the pseudo-terminal.", "PATH");
const QCommandLineOption kVersionOption("version", "Answer the version query with TEXT (default V2.3).", "TEXT");
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
const QCommandLineOption kGarbageOption("garbage", "Write noise before every reply.");
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

std::optional<std::chrono::milliseconds> secondsValue(const QString &text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || seconds < 0)
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<long long>(seconds * kMillisecondsPerSecond));
}

} // namespace

std::optional<SimOptions> parseSimOptions(const QStringList &arguments, QString *errorText)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Plays a serial barcode and identity-card scanner on a pseudo-terminal and prints its path.\n"
        "Every line typed on standard input sends the next data block: the samples of --send\n"
        "first, then the files of --send-file, in the order given, round and round.");
    parser.addHelpOption();
    parser.addOptions({kLinkOption, kVersionOption, kModelOption, kSendOption, kSendFileOption, kDelayOption,
                       kRepeatOption, kSilentOption, kPiecesOption, kPieceGapOption, kGarbageOption,
                       kTimestampsOption});
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
    for (const auto &[option, target] : {std::pair{&kDelayOption, &options.delay}, std::pair{&kRepeatOption, &options.repeat}}) {
        if (!parser.isSet(*option))
            continue;
        *target = secondsValue(parser.value(*option));
        if (!*target || (target == &options.repeat && (*target)->count() == 0)) {
            *errorText = QStringLiteral("--%1 wants a positive number of seconds").arg(option->names().first());
            return std::nullopt;
        }
    }
    options.silent = parser.isSet(kSilentOption);
    options.garbageFirst = parser.isSet(kGarbageOption);
    options.timestamps = parser.isSet(kTimestampsOption);
    if (parser.isSet(kPiecesOption)) {
        bool ok = false;
        options.replyPieces = parser.value(kPiecesOption).toInt(&ok);
        if (!ok || options.replyPieces < 1) {
            *errorText = QStringLiteral("--pieces wants a number of at least 1");
            return std::nullopt;
        }
    }
    if (parser.isSet(kPieceGapOption)) {
        bool ok = false;
        options.pieceGap = std::chrono::milliseconds(parser.value(kPieceGapOption).toInt(&ok));
        if (!ok || options.pieceGap.count() < 0) {
            *errorText = QStringLiteral("--piece-gap wants a number of milliseconds");
            return std::nullopt;
        }
    }
    return options;
}
