#pragma once

#include <QByteArray>
#include <QString>

class KeyInjector;

// Types every byte of bytes, embedded zero bytes included (each costs only
// its pause).
void typeBytes(KeyInjector &injector, const QByteArray &bytes);

// Types the characters of text, those beyond ASCII by their value.
void typeText(KeyInjector &injector, const QString &text);
