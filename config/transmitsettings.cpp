#include "transmitsettings.h"

#include <QSettings>
#include <QVariant>

#include <algorithm>

namespace {

const QString kBasicGroup = QStringLiteral("Basic");
const QString kDateFormatKey = QStringLiteral("DateFormat");
const QString kTransmitArray = QStringLiteral("Transmit");
const QString kFieldKey = QStringLiteral("Field");

constexpr unsigned kMaxDateFormatIndex = 3;
// A hand-edited or damaged "Transmit/size" must not make start-up allocate or
// loop without end; real lists hold a few dozen entries at most.
constexpr int kMaxTransmitEntries = 1000;
// Lets QSettings take the array size from the highest element written.
constexpr int kArraySizeFromElements = -1;

} // namespace

TransmitSettings loadTransmitSettings(const QString& path)
{
    QSettings settings(path, QSettings::IniFormat);
    TransmitSettings result;

    settings.beginGroup(kBasicGroup);
    result.dateFormatIndex = settings.value(kDateFormatKey, QString()).toInt();
    settings.endGroup();
    if (unsigned(result.dateFormatIndex) > kMaxDateFormatIndex)
        result.dateFormatIndex = 0;

    const int count = std::min(settings.beginReadArray(kTransmitArray), kMaxTransmitEntries);
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        result.transmitList.append(settings.value(kFieldKey).toString());
    }
    settings.endArray();
    return result;
}

// QSettings (Qt 5.15) writes an INI file through QSaveFile with atomic sync
// required: the new contents go to a temporary file that replaces Config.ini
// only once fully written, so a failed save leaves the old file whole.
bool saveTransmitSettings(const QString& path, int dateFormatIndex,
                          const QStringList& transmitList)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.clear();

    settings.beginGroup(kBasicGroup);
    settings.setValue(kDateFormatKey, dateFormatIndex);
    settings.endGroup();

    settings.beginWriteArray(kTransmitArray, kArraySizeFromElements);
    for (int i = 0; i < transmitList.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(kFieldKey, transmitList.at(i));
    }
    settings.endArray();

    settings.sync();
    return settings.status() == QSettings::NoError;
}
