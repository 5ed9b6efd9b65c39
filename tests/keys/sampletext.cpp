#include "sampletext.h"

#include <QRandomGenerator>
#include <QTextCodec>

namespace sampletext {

namespace {

constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';

} // namespace

QByteArray printableAscii()
{
    QByteArray bytes;
    for (char c = kFirstPrintable; c <= kLastPrintable; ++c)
        bytes.append(c);
    return bytes + "\t\r";
}

QByteArray spanishLetters()
{
    return QByteArray("\xc1\xc9\xcd\xd3\xda\xdc\xd1\xe1\xe9\xed\xf3\xfa\xfc\xf1\x80 "
                      "N\xfa\xf1" "ez Pe\xf1" "a")
           + "\r";
}

QByteArray cardSample()
{
    return QByteArray("MU\xd1OZ PE\xd1" "A\tJOS\xc9 \xc1NGEL\t\xf1" "and\xfa \xe1rbol Ir\xedS\t12/07/1985\t")
           + "a-b@c#d~e^f`g\\h'i\"j;k:l|m[n]o{p}q<r>s?t=u+v*w&x%y$z!_\r";
}

QByteArray mixed(int count, unsigned seed)
{
    const QByteArray alphabet = printableAscii() + spanishLetters();
    QRandomGenerator random(seed);
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(alphabet.at(random.bounded(alphabet.size())));
    return bytes;
}

QString typedText(const QByteArray &bytes)
{
    QString text = QTextCodec::codecForName("Windows-1252")->toUnicode(bytes);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace sampletext
