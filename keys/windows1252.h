#pragma once

// The Unicode code point of a Windows-1252 byte (the character an Alt code
// with a leading zero gives where that is the system's code page), or 0 for
// the five unassigned bytes 81, 8D, 8F, 90 and 9D.
char16_t windows1252ToUnicode(unsigned char byte);
