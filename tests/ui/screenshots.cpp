// Shows the login window and then the main window on the real display and
// saves a PNG of each, for a look by eye: scripts/screenshots.sh runs it.
#include "applicationfont.h"
#include "recordingkeyboard.h"
#include "widget.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kSettleMs = 500;

bool saveWindow(QWidget &window, const QString &path)
{
    QTest::qWait(kSettleMs);
    const QRect frame = window.frameGeometry();
    const QPixmap shot = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return shot.save(path);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    setApplicationFont();
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[argc - 1]) : QStringLiteral("screenshots");
    QDir().mkpath(outDir);

    QTemporaryDir settingsDir;
    ToolsOptions options;
    options.keyboard = std::make_unique<RecordingKeyboard>();
    options.settingsPath = settingsDir.filePath(QStringLiteral("Config.ini"));
    Widget login(nullptr, std::move(options));
    login.move(40, 40);
    login.show();
    if (!QTest::qWaitForWindowExposed(&login) || !saveWindow(login, outDir + "/login.png"))
        return 1;

    QTest::mouseClick(login.findChild<QPushButton *>(QStringLiteral("pBuserlogin")), Qt::LeftButton);
    tools &mainWindow = login.mainWindowForTest();
    mainWindow.move(0, 0);
    if (!QTest::qWaitForWindowExposed(&mainWindow) || !saveWindow(mainWindow, outDir + "/main.png"))
        return 1;
    qInfo("saved %s/login.png and %s/main.png", qPrintable(outDir), qPrintable(outDir));
    return 0;
}
