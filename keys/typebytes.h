#pragma once

#include <QByteArray>

class KeyInjector;

// Types every byte of bytes, embedded zero bytes included (each costs only
// its pause).
void typeBytes(KeyInjector &injector, const QByteArray &bytes);
