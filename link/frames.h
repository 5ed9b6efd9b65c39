#pragma once

#include <QByteArray>

// A ResponseFrame: 31 00, three bytes not examined, the payload length N as
// 16 bits little-endian in bytes 5 and 6, the payload from byte 7, and the
// trailer 00 55 00. Only the header and the trailer are looked at.
bool isResponseFrame(const char *block, int length);

// The other reply shapes the scanner sends: an escape reply (1B ...), a w/x
// reply (77 ... 78) and a 33 06 ... 66 99 reply. Never taken as a
// ResponseFrame by the handshake, but they end a reply read.
bool isAuxiliaryReply(const char *block, int length);

// Whether a reply read may stop: a text line ended by CR LF, or (from four
// bytes on) a ResponseFrame or an auxiliary reply.
bool isCompleteReply(const char *block, int length);

// The payload of a ResponseFrame. A length field that reaches past the bytes
// received is clamped to them (the trailer is not counted as payload), so a
// short or lying frame never makes us read beyond the block.
QByteArray responsePayload(const char *block, int length);
