#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// What the typing tests do to the X server's keyboard, as an operator's
// desktop would: load layouts and options, switch the active group, lock
// Caps Lock, and fill every unused keycode.
namespace xkeymap {

// setxkbmap with these layouts ("us,es"), and only these options.
bool apply(const QString &layouts, const QStringList &options, QString *error);
// Makes group (0 for the first layout) the locked one.
bool lockGroup(int group);
int activeGroup();
bool setCapsLock(bool on);
bool capsLockOn();
// Gives every keycode without symbols one of its own (private-use
// characters), so that the keymap has no unused keycode left.
int fillEveryKeycode();
// The core keymap, every keycode's symbols, to compare before and after.
std::vector<unsigned long> symbols();
int unmappedKeycodeCount();
// The first keycode whose symbol without modifiers is keysym, 0 if none.
int keycodeGiving(unsigned long keysym);
// One keycode's symbols, as another program on the desktop would set them.
bool setKeycodeSymbols(int keycode, const std::vector<unsigned long> &symbols);
std::vector<unsigned long> keycodeSymbols(int keycode);

// Saves the server's keymap on construction and loads it back on
// destruction, so that a test leaves the display as it found it.
class SavedKeymap
{
public:
    SavedKeymap();
    ~SavedKeymap();
    bool saved() const { return !file.isEmpty(); }

private:
    QString file;
};

} // namespace xkeymap
