#include "fieldnames.h"

const QStringList& fieldNameList()
{
    static const QStringList names{
        QStringLiteral("Número de Cedula"),
        QStringLiteral("Huella Digital"),
        QStringLiteral("Código AFIS"),
        QStringLiteral("Apellido"),
        QStringLiteral("Nombre"),
        QStringLiteral("Género"),
        QStringLiteral("Fecha de Nacimiento"),
        QStringLiteral("Departamento"),
        QStringLiteral("Código Municipalidad"),
        QStringLiteral("Tipo de Sangre"),
        QStringLiteral("Fecha de Vencimiento"),
    };
    return names;
}

const QStringList& separatorList()
{
    static const QStringList names{
        QStringLiteral("TAB"),
        QStringLiteral("Enter"),
        QStringLiteral("Space"),
    };
    return names;
}

const QStringList& dateFormatList()
{
    static const QStringList captions{
        QStringLiteral("aa/mm/dd"),
        QStringLiteral("aaaa/mm/dd"),
        QStringLiteral("dd/mm/aa"),
        QStringLiteral("dd/mm/aaaa"),
    };
    return captions;
}
