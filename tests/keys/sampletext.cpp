#include "sampletext.h"

#include "samplebytes.h"

#include <QRandomGenerator>
#include <QTextCodec>

namespace sampletext {

QByteArray printableAscii()
{
    QByteArray bytes;
    for (char c = samplebytes::kFirstPrintable; c <= samplebytes::kLastPrintable; ++c)
        bytes.append(c);
    return bytes + "\t\r";
}

QByteArray spanishLetters()
{
    return QByteArray(samplebytes::kSpanishLetters);
}

QByteArray cardSample()
{
    return QByteArray(samplebytes::kCardSample);
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
