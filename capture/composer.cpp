#include "composer.h"

#include "fieldnames.h"

#include <array>

namespace {

const QString kSuppressingTabTitle = QStringLiteral("Fixed");

// The record fields in the order of fieldNameList(), which is the order in
// which the names are tried against each entry.
constexpr std::array<QString IdRecord::*, 11> kFieldsInNameOrder{
    &IdRecord::idNumber,        &IdRecord::fingerprintCode,
    &IdRecord::afisCode,        &IdRecord::surnames,
    &IdRecord::givenNames,      &IdRecord::gender,
    &IdRecord::birthDate,       &IdRecord::department,
    &IdRecord::municipalityCode, &IdRecord::bloodType,
    &IdRecord::expiryDate,
};

struct SeparatorCharacter
{
    const char* name;
    QChar character;
};

// An entry that contains a separator name (case-sensitive) produces its
// character, checked in this order.
constexpr std::array<SeparatorCharacter, 3> kSeparatorCharacters{{
    {"TAB", QChar(u'\t')},
    {"Enter", QChar(u'\r')},
    {"Space", QChar(u' ')},
}};

} // namespace

bool composerSuppressed(const QString& currentTabTitle)
{
    return currentTabTitle.contains(kSuppressingTabTitle);
}

QByteArray composeOutput(const QStringList& transmitList, const IdRecord& record)
{
    const QStringList& names = fieldNameList();
    Q_ASSERT(names.size() == int(kFieldsInNameOrder.size()));

    QString text;
    for (const QString& entry : transmitList) {
        for (std::size_t i = 0; i < kFieldsInNameOrder.size(); ++i) {
            if (QString::localeAwareCompare(entry, names.at(int(i))) == 0)
                text += record.*kFieldsInNameOrder[i];
        }
        for (const SeparatorCharacter& separator : kSeparatorCharacters) {
            if (entry.contains(QLatin1String(separator.name)))
                text += separator.character;
        }
    }
    return text.toLatin1();
}
