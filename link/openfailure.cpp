#include "openfailure.h"

#include "operatortext.h"

#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

const char *const kPortOccupiedText = QT_TRANSLATE_NOOP("tools", "Check whether the serial port is occupied.");
const char *const kNoPermissionText =
    QT_TRANSLATE_NOOP("tools", "This user may not use the device: add the user to the group %1 and log in again.");
const char *const kNoSuchDeviceText =
    QT_TRANSLATE_NOOP("tools", "There is no such device: plug the scanner in, or check the port name.");
const char *const kBusyText = QT_TRANSLATE_NOOP("tools", "Another program is using the port: close it, or pick another port.");
const QString kUsualSerialGroup = QStringLiteral("dialout");

} // namespace

bool mayUseDevice(const QString &systemLocation)
{
#ifdef Q_OS_WIN
    Q_UNUSED(systemLocation)
    return true;
#else
    if (systemLocation.isEmpty())
        return true;
    const QByteArray path = QFile::encodeName(systemLocation);
    return ::access(path.constData(), F_OK) != 0 || ::access(path.constData(), R_OK | W_OK) == 0;
#endif
}

QString deviceGroup(const QString &systemLocation)
{
    const QString group = QFileInfo(QFileInfo(systemLocation).canonicalFilePath()).group();
    return group.isEmpty() ? kUsualSerialGroup : group;
}

QString openFailureMessage(OpenFailure failure, const QString &group)
{
    const QString firstLine = operatorText(kPortOccupiedText);
    switch (failure) {
    case OpenFailure::NoPermission:
        return firstLine + QLatin1Char('\n') + operatorText(kNoPermissionText).arg(group);
    case OpenFailure::NoSuchDevice:
        return firstLine + QLatin1Char('\n') + operatorText(kNoSuchDeviceText);
    case OpenFailure::Busy:
        return firstLine + QLatin1Char('\n') + operatorText(kBusyText);
    case OpenFailure::Unexplained:
        break;
    }
    return firstLine;
}
