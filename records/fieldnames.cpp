#include "fieldnames.h"

#include "barcodetext.h"

namespace {

constexpr ushort kLastLatin1 = 0xFF;

// The entry's characters taken as bytes and read as UTF-8, when they are
// bytes (nothing past U+00FF) that make valid UTF-8 beyond ASCII.
std::optional<QString> utf8Reading(const QString &entry)
{
    for (const QChar c : entry) {
        if (c.unicode() > kLastLatin1)
            return std::nullopt;
    }
    return utf8BarcodeText(entry.toLatin1());
}

} // namespace

const std::vector<FieldBinding> &fieldBindings()
{
    static const std::vector<FieldBinding> bindings{
        {QStringLiteral("Número de Cedula"), &IdRecord::idNumber},
        {QStringLiteral("Huella Digital"), &IdRecord::fingerprintCode},
        {QStringLiteral("Código AFIS"), &IdRecord::afisCode},
        {QStringLiteral("Apellido"), &IdRecord::surnames},
        {QStringLiteral("Nombre"), &IdRecord::givenNames},
        {QStringLiteral("Género"), &IdRecord::gender},
        {QStringLiteral("Fecha de Nacimiento"), &IdRecord::birthDate},
        {QStringLiteral("Departamento"), &IdRecord::department},
        {QStringLiteral("Código Municipalidad"), &IdRecord::municipalityCode},
        {QStringLiteral("Tipo de Sangre"), &IdRecord::bloodType},
        {QStringLiteral("Fecha de Vencimiento"), &IdRecord::expiryDate},
    };
    return bindings;
}

const QStringList &fieldNameList()
{
    static const QStringList names = [] {
        QStringList list;
        for (const FieldBinding &binding : fieldBindings())
            list.append(binding.name);
        return list;
    }();
    return names;
}

const QStringList &separatorList()
{
    static const QStringList names{QStringLiteral("TAB"), QStringLiteral("Enter"), QStringLiteral("Space")};
    return names;
}

bool entryNamesField(const QString &entry, const QString &name)
{
    if (QString::localeAwareCompare(entry, name) == 0)
        return true;
    const std::optional<QString> reading = utf8Reading(entry);
    return reading && QString::localeAwareCompare(*reading, name) == 0;
}

QString fieldNameFor(const QString &entry)
{
    for (const FieldBinding &binding : fieldBindings()) {
        if (entryNamesField(entry, binding.name))
            return binding.name;
    }
    return {};
}
