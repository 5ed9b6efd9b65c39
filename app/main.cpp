#include "applicationfont.h"
#include "portlist.h"
#include "quitonsignal.h"
#include "widget.h"

#include <QApplication>

namespace {
// Whose settings these are, for the per-user settings in the system's place.
const QString kOrganisationName = QStringLiteral("Quillon");
const QString kApplicationName = QStringLiteral("Quillon");
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    setApplicationFont();
    QCoreApplication::setOrganizationName(kOrganisationName);
    QCoreApplication::setApplicationName(kApplicationName);

    // Qt has taken its own options out of the arguments by now; what is left
    // may name ports that the system does not list.
    ToolsOptions options;
    options.extraPorts = extraPortsFromArguments(QCoreApplication::arguments());

    // The windows go before it, with the handlers still in place.
    QuitOnSignal quitOnSignal;
    Widget login(nullptr, std::move(options));
    login.show();
    return application.exec();
}
