#pragma once

#include <QByteArray>

// Card blocks for the tests, built from a filler with values put at their
// byte positions.
inline QByteArray cardBlock(int size, char filler = ' ')
{
    return QByteArray(size, filler);
}

inline void putBytes(QByteArray& block, int position, const QByteArray& bytes)
{
    block.replace(position, bytes.size(), bytes);
}

// A machine-readable zone: line 2 with birth 850312, gender M, expiry
// 300101, card number 12345678; line 3 the given name line, "<"-filled.
inline QByteArray mrzBlock(const QByteArray& nameLine)
{
    QByteArray block = cardBlock(90, '<');
    putBytes(block, 0, "I<COL0000000000");
    putBytes(block, 30, "8503121M3001017COL12345678");
    putBytes(block, 60, nameLine);
    return block;
}

// A long record of the given size holding the late fields (gender, birth
// date, department, municipality, blood type) at positions 151 to 167.
inline QByteArray longRecordBlock(int size = 168)
{
    QByteArray block = cardBlock(168);
    putBytes(block, 1, "A12345678");
    putBytes(block, 40, "H7654321");
    putBytes(block, 48, "1020304050");
    putBytes(block, 58, "PEREZ");
    putBytes(block, 81, QByteArray("GOMEZ") + QByteArray(18, '\0'));
    putBytes(block, 104, "JUAN");
    putBytes(block, 127, "CARLOS");
    putBytes(block, 151, "M19850312050100O+");
    return block.left(size);
}
