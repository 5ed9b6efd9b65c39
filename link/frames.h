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

// The length a reply declares for itself: once the gathered bytes start
// 31 00 and the length field has arrived (seven bytes), the ResponseFrame is
// 7 + N + 3 bytes long, whatever its payload holds. 0 while nothing is
// declared yet or for replies of other shapes.
int declaredFrameLength(const char *block, int length);

// How many of the gathered bytes make a complete reply, 0 while it is still
// incomplete. A declared frame is complete once all its bytes are there, and
// only then: a CR LF or 00 55 00 inside its payload does not end it (the
// scanner's version text itself ends in CR LF). Other shapes end as they
// always did: a text line ended by CR LF, or (from four bytes on) a
// ResponseFrame or an auxiliary reply. Bytes past a declared frame are not
// part of the reply.
int completeReplyLength(const char *block, int length);

// How many bytes before a ResponseFrame's header (31 00) are not part of a
// reply: everything ahead of the first header, once one has arrived, unless
// the bytes start with one. 0 while no header is there, so a line or an
// auxiliary reply that comes alone is still read as a reply.
int bytesBeforeReplyHeader(const char *block, int length);

// The payload of a ResponseFrame. A length field that reaches past the bytes
// received is clamped to them (the trailer is not counted as payload), so a
// short or lying frame never makes us read beyond the block.
QByteArray responsePayload(const char *block, int length);
