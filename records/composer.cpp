#include "composer.h"

#include "fieldnames.h"

#include <algorithm>
#include <iterator>

namespace {

const QString kSuppressingTabTitle = QStringLiteral("Fixed");

struct Separator
{
    QString name;
    QChar character;
};

// An entry is tested against every separator name as a substring, so an
// entry may in principle yield more than one character.
const Separator kSeparators[] = {
    {QStringLiteral("TAB"), QChar(u'\t')},
    {QStringLiteral("Enter"), QChar(u'\r')},
    {QStringLiteral("Space"), QChar(u' ')},
};

} // namespace

bool composerSuppressed(const QString &currentTabTitle)
{
    return currentTabTitle.contains(kSuppressingTabTitle, Qt::CaseSensitive);
}

QByteArray composeOutput(const QStringList &transmitList, const IdRecord &record)
{
    QString text;
    for (const QString &entry : transmitList) {
        for (const FieldBinding &binding : fieldBindings()) {
            if (entryNamesField(entry, binding.name))
                text += record.*binding.field;
        }
        for (const Separator &separator : kSeparators) {
            if (entry.contains(separator.name, Qt::CaseSensitive))
                text += separator.character;
        }
    }
    return text.toLatin1();
}

QStringList entriesMatchingNothing(const QStringList &transmitList)
{
    QStringList unmatched;
    for (const QString &entry : transmitList) {
        const bool separator = std::any_of(std::begin(kSeparators), std::end(kSeparators), [&entry](const Separator &s) {
            return entry.contains(s.name, Qt::CaseSensitive);
        });
        if (!entry.isEmpty() && !separator && fieldNameFor(entry).isNull() && !unmatched.contains(entry))
            unmatched << entry;
    }
    return unmatched;
}
