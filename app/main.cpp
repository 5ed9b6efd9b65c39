#include "portlist.h"
#include "quitonsignal.h"
#include "widget.h"

#include <QApplication>
#include <QFont>

namespace {
const QString kApplicationFontFamily = QStringLiteral("Microsoft Yahei");
constexpr int kApplicationFontPoints = 9;
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setFont(QFont(kApplicationFontFamily, kApplicationFontPoints));

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
