#include "fieldnames.h"

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
