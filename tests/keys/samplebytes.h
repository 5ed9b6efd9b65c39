#pragma once

// The typing tests' texts as plain bytes (Windows-1252), for the programs
// that are built without Qt as well as for sampletext.
namespace samplebytes {

// The letters of Spanish names, the euro sign, and a name with lower-case
// letters after remapped characters.
constexpr char kSpanishLetters[] = "\xc1\xc9\xcd\xd3\xda\xdc\xd1\xe1\xe9\xed\xf3\xfa\xfc\xf1\x80 "
                                   "N\xfa\xf1"
                                   "ez Pe\xf1"
                                   "a\r";

// A card: capitals, Ñ, accented capitals and small letters, a date, and
// the punctuation that moves from one layout to the next.
constexpr char kCardSample[] = "MU\xd1OZ PE\xd1"
                               "A\tJOS\xc9 \xc1NGEL\t\xf1"
                               "and\xfa \xe1rbol Ir\xedS\t12/07/1985\t"
                               "a-b@c#d~e^f`g\\h'i\"j;k:l|m[n]o{p}q<r>s?t=u+v*w&x%y$z!_\r";

constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';

} // namespace samplebytes
