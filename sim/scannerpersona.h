#pragma once

#include "scannercommand.h"

#include <QByteArray>
#include <QHash>

// The protocol numbers a host asks about when it opens the link.
constexpr quint16 kVersionParameter = 0x8503;
constexpr quint16 kModelParameter = 0x8500;
constexpr quint16 kSerialNumberParameter = 0x8501;

// A ResponseFrame: 31 00, the opcode and parameter id it answers, the
// payload length (16 bits, little-endian), the payload, 00 55 00.
QByteArray responseFrame(const ScannerCommand &command, const QByteArray &payload);

// What a well-behaved scanner answers: its version, model and serial number
// as text, any other parameter's current value (0 until set) as 16 bits,
// a setting acknowledged with the value it took.
class ScannerPersona
{
public:
    ScannerPersona(QByteArray version, QByteArray model);
    QByteArray replyTo(const ScannerCommand &command);

private:
    QByteArray m_version;
    QByteArray m_model;
    QHash<quint16, quint16> m_settings;
};
