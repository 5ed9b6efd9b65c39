#include "sampletext.h"

#include "samplebytes.h"

#include <QRandomGenerator>
#include <QStringList>
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

QStringList unicodeTexts()
{
    return {
        QString::fromUtf8("Ñandú-7 Peña"),
        QString::fromUtf8("€ 5,50 – ½ kg “Señor” ¿sí?\tOK\r"),
        QString::fromUtf8("Привет, Мир 2024"),
        QString::fromUtf8("日本語のテキスト"),
        QString::fromUtf8("QR 😀 ✓ ZŁÓŻ"),
    };
}

QString typedText(const QString &text)
{
    QString typed = text;
    typed.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return typed;
}

QString typedText(const QByteArray &bytes)
{
    QString text = QTextCodec::codecForName("Windows-1252")->toUnicode(bytes);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString firstDifference(const QString &actual, const QString &expected)
{
    int at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    auto codes = [at](const QString &text) {
        QStringList hex;
        for (int i = at; i < text.size() && i < at + 8; ++i)
            hex << QString::number(text[i].unicode(), 16).toUpper();
        return hex.join(QLatin1Char(' '));
    };
    return QStringLiteral("texts differ at %1 of %2/%3: actual [%4] expected [%5]")
        .arg(at)
        .arg(actual.size())
        .arg(expected.size())
        .arg(codes(actual), codes(expected));
}

} // namespace sampletext
