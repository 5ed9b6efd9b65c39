#include "typebytes.h"

#include "keyinjector.h"

#include <QVector>

#include <string>

void typeBytes(KeyInjector &injector, const QByteArray &bytes)
{
    injector.typeBuffer(reinterpret_cast<const unsigned char *>(bytes.constData()),
                        static_cast<std::size_t>(bytes.size()));
}

void typeText(KeyInjector &injector, const QString &text)
{
    const QVector<uint> characters = text.toUcs4();
    std::u32string copy(characters.begin(), characters.end());
    injector.typeText(copy.data(), copy.size());
}
