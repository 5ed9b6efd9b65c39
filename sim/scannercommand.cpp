#include "scannercommand.h"

namespace {

constexpr char kHeader[] = {0x57, 0x00};
constexpr char kTrailer[] = {0x00, 0x55, 0x00};
constexpr int kTrailerBytes = sizeof(kTrailer);
constexpr int kOpcodeOffset = 2;
constexpr int kParameterOffset = 3;
constexpr int kValueOffset = 5;
constexpr int kPlainCommandBytes = 6;
constexpr int kQueryCommandBytes = 8;
constexpr int kSetCommandBytes = 11;
constexpr int kByteShift = 8;

int commandLength(quint8 opcode)
{
    switch (opcode) {
    case kStartDecodingOpcode:
    case kStopDecodingOpcode:
        return kPlainCommandBytes;
    case kQueryOpcode:
        return kQueryCommandBytes;
    case kSetOpcode:
        return kSetCommandBytes;
    default:
        return 0;
    }
}

quint16 littleEndian16(const QByteArray &bytes, int at)
{
    return static_cast<quint16>(static_cast<quint8>(bytes[at]) | (static_cast<quint8>(bytes[at + 1]) << kByteShift));
}

} // namespace

std::optional<ScannerCommand> CommandStream::next()
{
    for (;;) {
        const int start = m_pending.indexOf(kHeader[0]);
        m_pending.remove(0, start < 0 ? m_pending.size() : start);
        if (m_pending.size() <= kOpcodeOffset)
            return std::nullopt;
        if (m_pending.at(1) != kHeader[1]) {
            m_pending.remove(0, 1);
            continue;
        }
        const auto opcode = static_cast<quint8>(m_pending.at(kOpcodeOffset));
        const int length = commandLength(opcode);
        if (length == 0) {
            m_pending.remove(0, 1);
            continue;
        }
        if (m_pending.size() < length)
            return std::nullopt;
        if (m_pending.mid(length - kTrailerBytes, kTrailerBytes) != QByteArray(kTrailer, kTrailerBytes)) {
            m_pending.remove(0, 1);
            continue;
        }
        ScannerCommand command;
        command.opcode = opcode;
        if (length >= kQueryCommandBytes)
            command.parameterId = littleEndian16(m_pending, kParameterOffset);
        if (length == kSetCommandBytes)
            command.value = littleEndian16(m_pending, kValueOffset);
        m_pending.remove(0, length);
        return command;
    }
}
