#pragma once

#include "recordingkeyboard.h"

#include <string>
#include <vector>

// Bytes typed on a recording keyboard and the exact stream the injector must
// produce for them. Plain C++, so the same table runs under QtTest here and
// in the Windows build under wine.
struct InjectorCase
{
    const char *name;
    bool capsLockAtStart;
    std::string bytes;
    RecordingKeyboard::Events expected;
};

std::vector<InjectorCase> injectorCases();

// Types the bytes on a fresh recording keyboard with a filled key table;
// also reports where Caps Lock ended up.
RecordingKeyboard::Events typeOnRecorder(const std::string &bytes, bool capsLockAtStart, bool *capsLockAtEnd = nullptr);
