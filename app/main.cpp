#include "applicationfont.h"
#include "commandline.h"
#include "quitonsignal.h"
#include "widget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDebug>

namespace {
// Whose settings these are, for the per-user settings in the system's place.
const QString kOrganisationName = QStringLiteral("Quillon");
const QString kApplicationName = QStringLiteral("Quillon");
const QString kApplicationVersion = QStringLiteral(QUILLON_VERSION);

// --help and --version answer before any window system is asked for: they
// work in a terminal with no display, and no window opens. --help-all lists
// Qt's options too, which only the GUI application object knows; it answers
// once that exists, still before any window.
void answerQuestionsAndExit(int &argc, char **argv)
{
    QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    const CommandLine commandLine = parseCommandLine(parser, QCoreApplication::arguments());
    if (commandLine.helpAsked)
        parser.showHelp();
    if (commandLine.versionAsked)
        parser.showVersion();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setOrganizationName(kOrganisationName);
    QCoreApplication::setApplicationName(kApplicationName);
    QCoreApplication::setApplicationVersion(kApplicationVersion);
    answerQuestionsAndExit(argc, argv);

    QApplication application(argc, argv);
    setApplicationFont();

    // Qt has taken its own options out of the arguments by now; what is left
    // may name ports that the system does not list.
    QCommandLineParser parser;
    const CommandLine commandLine = parseCommandLine(parser, QCoreApplication::arguments());
    if (commandLine.helpAllAsked)
        parser.process(QStringList{QCoreApplication::arguments().constFirst(), QStringLiteral("--help-all")});
    if (!commandLine.mistakes.isEmpty())
        qWarning().noquote() << commandLine.mistakes;
    ToolsOptions options;
    options.extraPorts = commandLine.extraPorts;

    // The windows go before it, with the handlers still in place.
    QuitOnSignal quitOnSignal;
    Widget login(nullptr, std::move(options));
    login.show();
    return application.exec();
}
