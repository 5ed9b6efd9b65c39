#include "transmitsettings.h"

#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>

namespace {

const QString kBasicGroup = QStringLiteral("Basic");
const QString kDateFormatKey = QStringLiteral("DateFormat");
const QString kTransmitArray = QStringLiteral("Transmit");
const QString kFieldKey = QStringLiteral("Field");
const QString kStagingName = QStringLiteral("Config.ini");
constexpr unsigned kLastDateFormatIndex = 3;
constexpr int kOpenArraySize = -1;   // QSettings counts the elements written

void writeSettings(QSettings &settings, int dateFormatIndex, const QStringList &transmitList)
{
    settings.beginGroup(kBasicGroup);
    settings.setValue(kDateFormatKey, dateFormatIndex);
    settings.endGroup();

    settings.beginWriteArray(kTransmitArray, kOpenArraySize);
    for (int i = 0; i < transmitList.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(kFieldKey, transmitList.at(i));
    }
    settings.endArray();
}

// The file's text as QSettings writes it, built in a fresh file of its own:
// the old file's keys, and any damage in it, cannot leak into the result or
// into the write status.
bool renderSettings(int dateFormatIndex, const QStringList &transmitList, QByteArray *text)
{
    QTemporaryDir staging;
    if (!staging.isValid())
        return false;
    const QString stagingPath = staging.filePath(kStagingName);
    {
        QSettings settings(stagingPath, QSettings::IniFormat);
        writeSettings(settings, dateFormatIndex, transmitList);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return false;
    }
    QFile staged(stagingPath);
    if (!staged.open(QIODevice::ReadOnly))
        return false;
    *text = staged.readAll();
    return staged.error() == QFileDevice::NoError;
}

} // namespace

TransmitSettings loadTransmitSettings(const QString &path)
{
    TransmitSettings result;
    QSettings settings(path, QSettings::IniFormat);

    settings.beginGroup(kBasicGroup);
    result.dateFormatIndex = settings.value(kDateFormatKey, QString()).toInt();
    settings.endGroup();
    if (static_cast<unsigned>(result.dateFormatIndex) > kLastDateFormatIndex)
        result.dateFormatIndex = 0;

    // Missing elements within the stored count read as empty entries.
    const int count = std::min(settings.beginReadArray(kTransmitArray), kMaxTransmitEntries);
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        result.transmitList.append(settings.value(kFieldKey).toString());
    }
    settings.endArray();
    return result;
}

bool saveTransmitSettings(const QString &path, int dateFormatIndex, const QStringList &transmitList)
{
    QByteArray text;
    if (!renderSettings(dateFormatIndex, transmitList, &text))
        return false;

    // Written beside the old file and renamed over it only when complete, so
    // a full disk or a crash never leaves a cut-off "Config.ini".
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
