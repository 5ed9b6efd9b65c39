#pragma once

#include "x11keysyms.h"

#include <string>
#include <vector>

// A keycode whose symbols a keyboard wrote into a display's keymap.
struct WrittenKeycode
{
    int keycode = 0;
    std::vector<KeysymValue> written;
    // What the keycode had before: empty for a spare keycode (no symbols).
    std::vector<KeysymValue> original;
};

// The keycodes a keyboard holds changed in a display's keymap, kept in a
// small file under the user's runtime folder, one per display and process.
// A Quillon that was killed cannot put its keymap back; the next one on the
// same display finds what it left and puts that back instead.
//
// No Qt or Xlib in this header: it sits next to both.
class SpareKeyRecord
{
public:
    // displayName as the display calls itself (":0", "host:10.0").
    explicit SpareKeyRecord(const std::string &displayName);

    // The keycodes held changed now; none removes the file.
    void save(const std::vector<WrittenKeycode> &keycodes);
    // What processes that no longer run left changed on this display; their
    // files are removed.
    std::vector<WrittenKeycode> takeLeftBehind();

private:
    std::string folder;
    std::string displayPart;
    std::string ownFile;
};
