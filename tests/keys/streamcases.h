#pragma once

#include "recordingkeyboard.h"

#include <string>
#include <vector>

// The event streams the injector must send for the typing rules' edge
// cases. No Qt: the Windows build of the tests runs the same cases.
struct StreamCase
{
    std::string name;
    std::vector<unsigned char> input;
    bool capsLockAtStart = false;
    bool tableBuilt = true;
    RecordingKeyboard::Events expected;
};

std::vector<StreamCase> streamCases();

// Types a case on a fresh recording keyboard; returns what was recorded.
// capsLockAtEnd receives the Caps Lock state after the run.
RecordingKeyboard::Events typeCase(const StreamCase &streamCase, bool &capsLockAtEnd);
