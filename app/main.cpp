#include "applicationfont.h"
#include "portlist.h"
#include "widget.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    setApplicationFont();

    // Qt has taken its own options out of the arguments by now; what is left
    // may name ports that the system does not list.
    ToolsOptions options;
    options.extraPorts = extraPortsFromArguments(QCoreApplication::arguments());

    Widget login(nullptr, std::move(options));
    login.show();
    return application.exec();
}
