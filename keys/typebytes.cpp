#include "typebytes.h"

#include "keyinjector.h"

void typeBytes(KeyInjector &injector, const QByteArray &bytes)
{
    injector.typeBuffer(reinterpret_cast<const unsigned char *>(bytes.constData()),
                        static_cast<std::size_t>(bytes.size()));
}
