// quillon-scanner-sim: a scanner on a pseudo-terminal, for trying Quillon
// without the device. Prints the pseudo-terminal's path on the first line.
#include "scannersimulator.h"
#include "simoptions.h"
#include "simulatorline.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

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

    SimulatorLine line(options->linkPath);
    if (!line.plugIn(&errorText)) {
        std::fprintf(stderr, "quillon-scanner-sim: no pseudo-terminal: %s\n", qPrintable(errorText));
        return kSystemError;
    }
    std::printf("%s\n", qPrintable(line.slavePath()));

    installStopHandlers();
    ScannerSimulator simulator(*options, line);
    simulator.run(stopRequested);
    return 0;
}
