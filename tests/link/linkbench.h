#pragma once

// A link, the scanner it talks to on a pseudo-terminal, and what the
// operator would have seen: the warnings, and whether the port was still
// open when each came.
#include "fakescanner.h"
#include "scannerlink.h"

#include <QSignalSpy>
#include <QtTest>

const QString kLinkBenchBaud = QStringLiteral("115200");

struct Bench
{
    explicit Bench(ScannerBehaviour behaviour = {}) : scanner(std::move(behaviour))
    {
        link.setWarningHandler([this](const QString &text) {
            warnings << text;
            openAtWarning << link.portOpen();
            scannerSendingAtWarning << scanner.sending();
        });
    }
    bool start()
    {
        QString error;
        if (scanner.start(&error))
            return true;
        qWarning("no pseudo-terminal: %s", qPrintable(error));
        return false;
    }
    void open() { link.openLink(scanner.portPath(), kLinkBenchBaud); }

    FakeScanner scanner;
    ScannerLink link;
    QStringList warnings;
    QList<bool> openAtWarning;
    QList<bool> scannerSendingAtWarning;
    QSignalSpy opened{&link, &ScannerLink::linkOpened};
    QSignalSpy connected{&link, &ScannerLink::linkConnected};
    QSignalSpy closed{&link, &ScannerLink::linkClosed};
    QSignalSpy failed{&link, &ScannerLink::linkFailed};
};
