#include "wineprogram.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

namespace {

constexpr int kPrefixMadeWithinMs = 120000;
constexpr int kWindowWithinMs = 30000;
constexpr int kToolWithinMs = 10000;
constexpr int kPollMs = 200;
const QString kToolProgram = QStringLiteral("tests/windows/windows_test_tool.exe");

} // namespace

WineProgram::WineProgram()
{
    if (!m_prefix.isValid()) {
        m_failure = QStringLiteral("no temporary folder for the Wine prefix");
        return;
    }
    QProcess boot;
    boot.setProcessEnvironment(environment());
    boot.start(wine(), {QStringLiteral("wineboot"), QStringLiteral("--init")});
    if (!boot.waitForFinished(kPrefixMadeWithinMs) || boot.exitCode() != 0)
        m_failure = QStringLiteral("wineboot could not make the prefix: ") + QString::fromLocal8Bit(boot.readAll());
}

WineProgram::~WineProgram()
{
    QProcess server;
    server.setProcessEnvironment(environment());
    server.start(QStringLiteral("wineserver"), {QStringLiteral("-k")});
    server.waitForFinished(kToolWithinMs);
}

QString WineProgram::windowsBuild() { return QStringLiteral(QUILLON_WINDOWS_BUILD); }

QString WineProgram::wine()
{
    for (const QString &candidate : {QStringLiteral("wine64"), QStringLiteral("/usr/lib/wine/wine64"), QStringLiteral("wine")}) {
        const QString found = QStandardPaths::findExecutable(candidate);
        if (!found.isEmpty())
            return found;
        if (QFile::exists(candidate))
            return candidate;
    }
    return {};
}

QProcessEnvironment WineProgram::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), m_prefix.path());
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    // Qt writes its debug output to the debugger where there is no console;
    // Wine hands Qt's variables to Windows programs only under the prefix WINE.
    environment.insert(QStringLiteral("WINEQT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    return environment;
}

bool WineProgram::linkComPort(int number, const QString &target) const
{
    const QString link = m_prefix.filePath(QStringLiteral("dosdevices/com%1").arg(number));
    QFile::remove(link);
    return QFile::link(target, link);
}

QString WineProgram::windowsPath(const QString &path)
{
    return QStringLiteral("Z:") + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

void WineProgram::start(QProcess &process, const QString &program, const QStringList &arguments,
                        const QString &workingFolder, const QString &locale) const
{
    QProcessEnvironment environment = this->environment();
    if (!locale.isEmpty()) {
        environment.insert(QStringLiteral("LC_ALL"), locale);
        environment.insert(QStringLiteral("LANG"), locale);
    }
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingFolder);
    process.start(wine(), QStringList{QDir(windowsBuild()).filePath(program)} + arguments);
}

QList<WineProgram::Window> WineProgram::windows() const
{
    QProcess tool;
    start(tool, kToolProgram, {QStringLiteral("windows")}, QDir::tempPath());
    tool.waitForFinished(kToolWithinMs);
    QList<Window> found;
    for (const QString &line : QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QStringList fields = line.trimmed().split(QLatin1Char(' '));
        const QStringList size = fields.value(0).split(QLatin1Char('x'));
        if (fields.size() < 3 || size.size() != 2)
            continue;
        found << Window{QSize(size[0].toInt(), size[1].toInt()), QPoint(fields[1].toInt(), fields[2].toInt()),
                        fields.mid(3).join(QLatin1Char(' '))};
    }
    return found;
}

std::optional<WineProgram::Window> WineProgram::waitForWindow(QSize size, const QString &title) const
{
    return waitForWindow(
        [&](const Window &window) { return (!size.isValid() || window.size == size) && window.title == title; });
}

std::optional<WineProgram::Window> WineProgram::waitForWindow(const std::function<bool(const Window &)> &wanted) const
{
    QElapsedTimer clock;
    clock.start();
    while (!clock.hasExpired(kWindowWithinMs)) {
        for (const Window &window : windows())
            if (wanted(window))
                return window;
        QTest::qWait(kPollMs);
    }
    return std::nullopt;
}

bool WineProgram::waitUntilGone(QSize size, const QString &title) const
{
    QElapsedTimer clock;
    clock.start();
    while (!clock.hasExpired(kWindowWithinMs)) {
        const QList<Window> now = windows();
        if (std::none_of(now.begin(), now.end(),
                         [&](const Window &window) { return window.size == size && window.title == title; }))
            return true;
        QTest::qWait(kPollMs);
    }
    return false;
}

void WineProgram::click(QPoint onScreen)
{
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(onScreen.x()),
                                                  QString::number(onScreen.y()), QStringLiteral("click"),
                                                  QStringLiteral("1")});
}
