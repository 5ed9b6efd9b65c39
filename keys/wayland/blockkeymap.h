#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct xkb_context;

// A keymap made for the characters of the texts being typed: each character
// on a key of its own, at the key's only level, so that what the receiving
// program reads does not depend on any layout, Shift, AltGr or Caps Lock.
// The keymap is written as XKB text, checked by compiling it with
// xkbcommon, and handed to the compositor as that compiler writes it out.
class BlockKeymap
{
public:
    // Keys are numbered as the kernel numbers them (the evdev codes a
    // Wayland compositor expects); XKB numbers the same keys 8 higher.
    static constexpr std::uint32_t kFirstKey = 1;
    static constexpr std::uint32_t kXkbKeycodeOffset = 8;
    // X keycodes end at 255, and XWayland programs read this keymap too.
    static constexpr std::uint32_t kLastKey = 255 - kXkbKeycodeOffset;
    static constexpr std::size_t kCapacity = kLastKey - kFirstKey + 1;

    // The key of character, or 0 when the keymap does not hold it.
    std::uint32_t keyFor(char32_t character) const;
    bool holds(const std::vector<char32_t> &characters) const;
    // Makes the keymap hold exactly these characters, those it held before
    // as well where all fit (fewer keymap changes for the next texts).
    // Characters without a keysym are left out.
    void cover(const std::vector<char32_t> &characters);
    std::size_t size() const { return characters.size(); }

    // The keymap as XKB text, as compiled by xkbcommon in context; empty if
    // it does not compile.
    std::string text(xkb_context *context) const;

private:
    std::vector<char32_t> characters;
};

// The keysym a key must carry to type character (Tab and Enter as their
// keys), 0 if there is none.
std::uint32_t keysymForCharacter(char32_t character);
