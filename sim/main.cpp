// quillon-scanner-sim: a scanner on a pseudo-terminal, for trying Quillon
// without the device. Prints the pseudo-terminal's path on the first line.
#include "pseudoterminal.h"
#include "scannersimulator.h"
#include "simoptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kUsageError = 2;
constexpr int kSystemError = 1;

volatile bool stopRequested = false;

void requestStop(int) { stopRequested = true; }

void installStopHandlers()
{
    struct sigaction action{};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

bool makeLink(const QString &linkPath, const QString &target)
{
    const QFileInfo existing(linkPath);
    if (existing.isSymLink())
        QFile::remove(linkPath);
    else if (existing.exists()) {
        std::fprintf(stderr, "%s exists and is not a symbolic link\n", qPrintable(linkPath));
        return false;
    }
    if (symlink(QFile::encodeName(target).constData(), QFile::encodeName(linkPath).constData()) != 0) {
        std::perror(qPrintable(linkPath));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QString errorText;
    const std::optional<SimOptions> options = parseSimOptions(QCoreApplication::arguments(), &errorText);
    if (!options) {
        std::fprintf(stderr, "quillon-scanner-sim: %s\n", qPrintable(errorText));
        return kUsageError;
    }
    // Whoever reads our output (a script, a test) sees each line at once.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    PseudoTerminal terminal;
    if (!terminal.open(&errorText)) {
        std::fprintf(stderr, "quillon-scanner-sim: no pseudo-terminal: %s\n", qPrintable(errorText));
        return kSystemError;
    }
    fcntl(terminal.masterFd(), F_SETFL, fcntl(terminal.masterFd(), F_GETFL) | O_NONBLOCK);
    if (!options->linkPath.isEmpty() && !makeLink(options->linkPath, terminal.slavePath()))
        return kSystemError;
    std::printf("%s\n", qPrintable(terminal.slavePath()));

    installStopHandlers();
    ScannerSimulator simulator(*options, terminal.masterFd());
    simulator.run(stopRequested);

    if (!options->linkPath.isEmpty() && QFileInfo(options->linkPath).isSymLink())
        QFile::remove(options->linkPath);
    return 0;
}
