#pragma once

#include <QString>

// The DeviceType of a scanner, from the model name it reports: 1 to 11 for
// the supported models, kNoDeviceType for anything else. The comparison is
// exact and case-sensitive.
constexpr int kNoDeviceType = 0;
constexpr int kGenericScannerType = 10;

int deviceTypeForModel(const QString &modelText);

// The text shown once a scanner is identified. The generic scanner reports
// no model worth showing, so its text carries the version only. The speed is
// printed as the number it was read as.
QString connectionResultText(int deviceType, const QString &modelText, const QString &versionText,
                             const QString &portName, const QString &baudText);
