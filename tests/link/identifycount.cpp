// Not a test: how many openings in a row identify the scanner on a port.
// Against the simulator with --byte-gap it shows how the link meets a
// scanner whose UART sends its replies a byte at a time. It uses only what
// the link has always offered, so it measures older builds of it as well.
//   quillon-identify-count PORT [OPENINGS]   (default 20)
#include "catalogue.h"
#include "eventwait.h"
#include "scannerlink.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>

namespace {
constexpr int kDefaultOpenings = 20;
const QString kBaud = QStringLiteral("115200");
// Long enough for the scanner's side to notice the port closed between openings.
constexpr std::chrono::milliseconds kPauseBetweenOpenings{300};
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PORT [OPENINGS]\n", argv[0]);
        return 2;
    }
    const QString port = QString::fromLocal8Bit(argv[1]);
    const int openings = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : kDefaultOpenings;
    buildCommandCatalogue();

    ScannerLink link;
    int identified = 0;
    QObject::connect(&link, &ScannerLink::linkConnected, [&identified] { ++identified; });
    for (int i = 0; i < openings; ++i) {
        link.openLink(port, kBaud);
        if (link.portOpen())
            link.closePort();
        waitWithEvents(kPauseBetweenOpenings);
    }
    std::printf("%d of %d openings identified the scanner\n", identified, openings);
    return 0;
}
