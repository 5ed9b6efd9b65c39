#include "simulatorline.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct SpeedCode
{
    speed_t code;
    int baud;
};

constexpr SpeedCode kSpeeds[] = {{B1200, 1200},     {B2400, 2400},     {B4800, 4800},     {B9600, 9600},
                                 {B19200, 19200},   {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
                                 {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};

} // namespace

bool SimulatorLine::plugIn(QString *errorText)
{
    if (!m_terminal.open(errorText))
        return false;
    const int fd = m_terminal.masterFd();
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (!m_linkPath.isEmpty() && !makeLink(errorText)) {
        m_terminal.closeMaster();
        return false;
    }
    return true;
}

void SimulatorLine::pullOut()
{
    // Once unplugged the path is no longer ours: another scanner may stand
    // behind it by now.
    if (!pluggedIn())
        return;
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).isSymLink())
        QFile::remove(m_linkPath);
    m_terminal.closeMaster();
}

int SimulatorLine::lineSpeed() const
{
    // Settings made through the slave are read back through the master.
    termios settings{};
    if (!pluggedIn() || tcgetattr(m_terminal.masterFd(), &settings) != 0)
        return 0;
    const speed_t code = cfgetospeed(&settings);
    for (const SpeedCode &speed : kSpeeds) {
        if (speed.code == code)
            return speed.baud;
    }
    return 0;
}

bool SimulatorLine::makeLink(QString *errorText) const
{
    const QFileInfo existing(m_linkPath);
    if (existing.isSymLink()) {
        QFile::remove(m_linkPath);
    } else if (existing.exists()) {
        *errorText = QStringLiteral("%1 exists and is not a symbolic link").arg(m_linkPath);
        return false;
    }
    const QByteArray target = QFile::encodeName(m_terminal.slavePath());
    if (symlink(target.constData(), QFile::encodeName(m_linkPath).constData()) != 0) {
        *errorText = QStringLiteral("%1: %2").arg(m_linkPath, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}
