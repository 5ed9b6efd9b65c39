#include "scannedblocks.h"

namespace scanned {

namespace {

QByteArray latin1(const char *utf8) { return QString::fromUtf8(utf8).toLatin1(); }

QByteArray machineReadableZone()
{
    return QByteArray("I<COL0000000000<<<<<<<<<<<<<<<") // line 1
           + "8503127M3012316COL12345678<<<0"       // line 2: birth, gender, expiry, number
           + "PEREZ<GOMEZ<<JUAN<CARLOS<<<<<<";      // line 3: the names
}

QByteArray longRecord()
{
    QByteArray block(200, ' ');
    auto put = [&block](int at, const QByteArray &text) { block.replace(at, text.size(), text); };
    put(1, "AF1234567");
    put(40, "HD000042");
    put(48, "1020304050");
    put(58, latin1("MUÑOZ"));
    put(81, latin1("PEÑA"));
    put(104, latin1("JOSÉ"));
    put(127, latin1("ÁNGEL"));
    put(151, "M");
    put(152, "19900721");
    put(160, "05");
    put(162, "01");
    put(166, "O+");
    return block;
}

} // namespace

QStringList transmitFields()
{
    return {"Número de Cedula", "TAB", "Apellido", "TAB", "Nombre", "TAB", "Fecha de Nacimiento",
            "TAB", "Fecha de Vencimiento", "Enter"};
}

QList<Block> blocks()
{
    return {
        {machineReadableZone(), QStringLiteral("12345678\tPEREZ GOMEZ\tJUAN CARLOS\t12/03/1985\t301231\n")},
        {longRecord(), QString::fromUtf8("1020304050\tMUÑOZ PEÑA\tJOSÉ ÁNGEL\t21/07/1990\tNULL\n")},
        {QByteArray("7501234567890\r"), QStringLiteral("7501234567890\n")},
        // A QR code in UTF-8 types its characters; a barcode in Latin-1 its bytes.
        {QString::fromUtf8("Ñandú-7 Peña\r").toUtf8(), QString::fromUtf8("Ñandú-7 Peña\n")},
        {latin1("Ñandú-7 Peña\r"), QString::fromUtf8("Ñandú-7 Peña\n")},
    };
}

} // namespace scanned
