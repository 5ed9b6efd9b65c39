#include "scannerpersona.h"

#include <utility>

namespace {
constexpr char kResponseHeader[] = {0x31, 0x00};
constexpr char kTrailer[] = {0x00, 0x55, 0x00};
constexpr int kByteShift = 8;
constexpr int kByteMask = 0xFF;
const QByteArray kSerialNumber = QByteArrayLiteral("SN20240117");

QByteArray littleEndian16(int number)
{
    QByteArray bytes;
    bytes.append(static_cast<char>(number & kByteMask));
    bytes.append(static_cast<char>((number >> kByteShift) & kByteMask));
    return bytes;
}
} // namespace

QByteArray responseFrame(const ScannerCommand &command, const QByteArray &payload)
{
    QByteArray frame(kResponseHeader, sizeof(kResponseHeader));
    frame.append(static_cast<char>(command.opcode));
    frame += littleEndian16(command.parameterId);
    frame += littleEndian16(payload.size());
    frame += payload;
    frame.append(kTrailer, sizeof(kTrailer));
    return frame;
}

ScannerPersona::ScannerPersona(QByteArray version, QByteArray model)
    : m_version(std::move(version)), m_model(std::move(model))
{
}

QByteArray ScannerPersona::replyTo(const ScannerCommand &command)
{
    switch (command.opcode) {
    case kQueryOpcode:
        switch (command.parameterId) {
        case kVersionParameter:
            return responseFrame(command, m_version);
        case kModelParameter:
            return responseFrame(command, m_model);
        case kSerialNumberParameter:
            return responseFrame(command, kSerialNumber);
        default:
            return responseFrame(command, littleEndian16(m_settings.value(command.parameterId)));
        }
    case kSetOpcode:
        m_settings.insert(command.parameterId, command.value);
        return responseFrame(command, littleEndian16(command.value));
    default:
        return responseFrame(command, {});
    }
}
