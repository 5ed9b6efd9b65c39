#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Texts for the typing tests, as the bytes the injector is given (one byte
// per character, Windows-1252) and as the text a window should then hold.
namespace sampletext {

// The 95 printable ASCII characters, then a tab and a carriage return.
QByteArray printableAscii();
// The letters of Spanish names (ÁÉÍÓÚÜÑáéíóúüñ), the euro sign, and a name
// with lower-case letters after remapped characters.
QByteArray spanishLetters();
// A card as operators' applications receive it: capitals, Ñ, accented
// capitals and small letters, a date, and the punctuation that sits on
// other keys or levels from one layout to the next ("/", "-", "@", "#", "~",
// "^", "`", "\\", quotes), with tabs and a carriage return.
QByteArray cardSample();
// count characters drawn from all of the above, the same for the same seed.
QByteArray mixed(int count, unsigned seed);
// Texts as UTF-8 barcodes carry them, typed by their characters: Spanish
// names, signs outside Latin-1, other scripts, a character beyond U+FFFF,
// with capitals, digits, a tab and a carriage return around them.
QStringList unicodeTexts();
// What a text field reads after text was typed: a carriage return as a line
// break.
QString typedText(const QString &text);
// What a text field reads after these bytes were typed: the Windows-1252
// characters, a carriage return as a line break.
QString typedText(const QByteArray &bytes);
// Where two texts part, with the code points around it in hex.
QString firstDifference(const QString &actual, const QString &expected);

} // namespace sampletext
