#pragma once

#include "keyinjector.h"
#include "recordingkeyboard.h"
#include "typebytes.h"

// What typing these bytes on a fresh recording keyboard records: the
// expected stream for a composed output.
inline RecordingKeyboard::Events expectedTyping(const QByteArray &bytes)
{
    RecordingKeyboard keyboard;
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    typeBytes(injector, bytes);
    return keyboard.events();
}

// The same for a text typed by its characters (a UTF-8 barcode).
inline RecordingKeyboard::Events expectedUnicodeTyping(const QString &text)
{
    RecordingKeyboard keyboard;
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    typeText(injector, text);
    return keyboard.events();
}

// The same for texts typed one after another, each in a typing run of its own.
inline RecordingKeyboard::Events expectedTyping(const QList<QByteArray> &texts)
{
    RecordingKeyboard keyboard;
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    for (const QByteArray &bytes : texts)
        typeBytes(injector, bytes);
    return keyboard.events();
}
