#pragma once

#include "keyboarddevice.h"

#include <QString>

#include <cstddef>

// What the operator is told about typing: the text of the status line
// (empty clears it) and, the first time in a session that a kind of
// problem comes up, a warning message (empty: none).
struct TypingNotice
{
    QString status;
    QString message;
};

// The status text for where the keyboard's typing reaches, empty when it
// reaches the focused window. currentDesktop: XDG_CURRENT_DESKTOP.
QString reachNotice(KeyboardReach reach, const QString &currentDesktop);

// Decides what the main window shows around the typing of a block. The
// texts go through the main window's translation context.
class TypingNotices
{
public:
    TypingNotices(KeyboardReach reach, QString currentDesktop);

    // The main window has just been shown.
    TypingNotice atStart();
    // A block is about to be typed; true when it must not be: nothing can
    // be typed, or the program's own window has the keyboard focus (a
    // Space would press its focused button). notice says why.
    bool holdsBack(bool ownWindowActive, TypingNotice *notice);
    // A block was typed; untyped characters could not be.
    TypingNotice afterTyping(std::size_t untyped);

private:
    TypingNotice aboutReach();

    KeyboardReach reach;
    QString currentDesktop;
    bool reachTold = false;
    bool lossTold = false;
};
