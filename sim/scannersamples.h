#pragma once

#include <QByteArray>

// Data blocks as the scanner sends them after a read: an identity card's
// machine-readable zone, a long fixed-position card record and a plain
// barcode. Card text is Latin-1, one byte per character.
namespace ScannerSamples {

constexpr int kMachineReadableZoneBytes = 90;
constexpr int kLongRecordBytes = 200;

// Three TD1 lines of 30 characters, back to back without line breaks, with
// the check digits the travel-document rules compute.
inline QByteArray machineReadableZone()
{
    return QByteArray("I<COL0123456784<<<<<<<<<<<<<<<") // document code, issuer, document number
           + "9107153F3203019COL87654321<<<8"       // birth, sex, expiry, nationality, id number
           + "RAMIREZ<DIAZ<<MARIA<FERNANDA<<";      // surnames << given names
}

// The long record: fields at fixed byte positions, names in Latin-1 and
// padded with blanks or zero bytes, unused stretches blank.
inline QByteArray longRecord()
{
    QByteArray block(kLongRecordBytes, ' ');
    const auto put = [&block](int at, const QByteArray &text) { block.replace(at, text.size(), text); };
    put(1, "AF7654321");                         // AFIS code
    put(40, "HD001234");                         // fingerprint code
    put(48, "1098765432");                       // id number
    put(58, "NU\xD1" "EZ");                      // first surname
    put(81, QByteArray("CASTA\xD1" "O") + QByteArray(16, '\0')); // second surname, zero padded
    put(104, "SOF\xCD" "A");                     // first given name
    put(127, QByteArray("ISABEL") + QByteArray(17, '\0'));      // second given name
    put(151, "F");                               // sex
    put(152, "19880229");                        // birth date YYYYMMDD
    put(160, "11");                              // department
    put(162, "01");                              // municipality
    put(166, "A+");                              // blood type
    return block;
}

// An EAN-13 as the scanner sends it, with the carriage return it appends.
inline QByteArray barcode() { return QByteArrayLiteral("7501234567890\r"); }

// Bytes a line picks up when the scanner powers on or a cable is plugged:
// no reply, no read.
inline QByteArray noise() { return QByteArrayLiteral("\xFF\x13noise\xA5"); }

} // namespace ScannerSamples
