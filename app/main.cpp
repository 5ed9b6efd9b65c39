#include "portlist.h"
#include "widget.h"

#include <QApplication>
#include <QFont>

namespace {
const QString kApplicationFontFamily = QStringLiteral("Microsoft Yahei");
// Whose settings these are, for the per-user settings in the system's place.
const QString kOrganisationName = QStringLiteral("Quillon");
const QString kApplicationName = QStringLiteral("Quillon");
constexpr int kApplicationFontPoints = 9;
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(kOrganisationName);
    QCoreApplication::setApplicationName(kApplicationName);
    QApplication::setFont(QFont(kApplicationFontFamily, kApplicationFontPoints));

    // Qt has taken its own options out of the arguments by now; what is left
    // may name ports that the system does not list.
    ToolsOptions options;
    options.extraPorts = extraPortsFromArguments(QCoreApplication::arguments());

    Widget login(nullptr, std::move(options));
    login.show();
    return application.exec();
}
