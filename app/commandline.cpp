#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {
const QString kPortOption = QStringLiteral("port");
// Added by Qt's help option.
const QString kHelpAllOption = QStringLiteral("help-all");
} // namespace

CommandLine parseCommandLine(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Types what a serial barcode and identity-card scanner reads."));
    // Qt's options are single-dash words: "-reverse" must not read as "-v".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        kPortOption,
        QCoreApplication::translate("main",
                                    "Add a port the system does not list, such as a pseudo-terminal; repeatable. "
                                    "The first one given is selected."),
        QCoreApplication::translate("main", "path")));

    CommandLine commandLine;
    if (!parser.parse(arguments))
        commandLine.mistakes = parser.errorText();
    commandLine.helpAsked = parser.isSet(help);
    commandLine.helpAllAsked = parser.isSet(kHelpAllOption);
    commandLine.versionAsked = parser.isSet(version);
    for (const QString &path : parser.values(kPortOption)) {
        if (!path.isEmpty())
            commandLine.extraPorts << path;
    }
    return commandLine;
}
