#include "devicetype.h"

#include <utility>

namespace {

constexpr int kDecimalBase = 10;

// In the order the names are compared; the first equal one wins.
const std::pair<const char *, int> kModelTypes[] = {
    {"KR1", 2},  {"KR2", 1},  {"KR3", 3},   {"KR4", 11}, {"KR5", 5},
    {"KR6", 4},  {"KR7", 6},  {"KR8", 7},   {"KR9", 8},  {"KR10", 9},
    {"kr4", 11}, {"generic_scanner", kGenericScannerType},
};

} // namespace

int deviceTypeForModel(const QString &modelText)
{
    for (const auto &[name, type] : kModelTypes) {
        if (modelText == QLatin1String(name))
            return type;
    }
    return kNoDeviceType;
}

QString connectionResultText(int deviceType, const QString &modelText, const QString &versionText,
                             const QString &portName, const QString &baudText)
{
    const QString speed = QString::number(baudText.toInt(nullptr, kDecimalBase), kDecimalBase);
    if (deviceType == kGenericScannerType)
        return QStringLiteral("Conexión %1 exitosa, %2_%3").arg(versionText, portName, speed);
    return QStringLiteral("Conexión %1_%2 exitosa, %3_%4").arg(modelText, versionText, portName, speed);
}
