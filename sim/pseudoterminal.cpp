#include "pseudoterminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr size_t kPathBufferBytes = 128;
} // namespace

PseudoTerminal::~PseudoTerminal() { closeMaster(); }

bool PseudoTerminal::open(QString *errorText)
{
    closeMaster();
    m_masterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char path[kPathBufferBytes] = {};
    termios raw{};
    // Terminal settings made through the master apply to the slave's line.
    const bool ready = m_masterFd >= 0 && grantpt(m_masterFd) == 0 && unlockpt(m_masterFd) == 0
                       && ptsname_r(m_masterFd, path, sizeof(path)) == 0 && tcgetattr(m_masterFd, &raw) == 0;
    if (ready) {
        cfmakeraw(&raw);
        if (tcsetattr(m_masterFd, TCSANOW, &raw) == 0) {
            m_slavePath = QString::fromLocal8Bit(path);
            return true;
        }
    }
    if (errorText)
        *errorText = QString::fromLocal8Bit(std::strerror(errno));
    closeMaster();
    return false;
}

void PseudoTerminal::closeMaster()
{
    if (m_masterFd >= 0)
        ::close(m_masterFd);
    m_masterFd = -1;
}
