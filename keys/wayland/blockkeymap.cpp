#include "blockkeymap.h"

#include "keystreamreader.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::size_t kKeysymNameLength = 64;

struct KeymapFree
{
    void operator()(xkb_keymap *keymap) const { xkb_keymap_unref(keymap); }
};

std::string keyName(std::uint32_t key)
{
    return "<K" + std::to_string(key) + ">";
}

} // namespace

std::uint32_t keysymForCharacter(char32_t character)
{
    if (character == KeyStreamReader::kTab)
        return XKB_KEY_Tab;
    if (character == KeyStreamReader::kEnter)
        return XKB_KEY_Return;
    if (character == KeyStreamReader::kNoCharacter)
        return XKB_KEY_NoSymbol;
    return xkb_utf32_to_keysym(character);
}

std::uint32_t BlockKeymap::keyFor(char32_t character) const
{
    const auto at = std::find(characters.begin(), characters.end(), character);
    return at == characters.end() ? 0 : kFirstKey + static_cast<std::uint32_t>(at - characters.begin());
}

bool BlockKeymap::holds(const std::vector<char32_t> &wanted) const
{
    return std::all_of(wanted.begin(), wanted.end(), [this](char32_t c) {
        return keyFor(c) != 0 || keysymForCharacter(c) == XKB_KEY_NoSymbol;
    });
}

void BlockKeymap::cover(const std::vector<char32_t> &wanted)
{
    std::vector<char32_t> needed;
    for (char32_t c : wanted) {
        if (keysymForCharacter(c) != XKB_KEY_NoSymbol && std::find(needed.begin(), needed.end(), c) == needed.end())
            needed.push_back(c);
    }
    std::vector<char32_t> merged = characters;
    for (char32_t c : needed) {
        if (std::find(merged.begin(), merged.end(), c) == merged.end())
            merged.push_back(c);
    }
    if (merged.size() <= kCapacity)
        characters = std::move(merged);
    else
        characters.assign(needed.begin(), needed.begin() + std::min(needed.size(), kCapacity));
}

std::string BlockKeymap::text(xkb_context *context) const
{
    std::string keycodes = "  xkb_keycodes \"block\" {\n    minimum = " + std::to_string(kFirstKey + kXkbKeycodeOffset)
                           + ";\n    maximum = " + std::to_string(kLastKey + kXkbKeycodeOffset) + ";\n";
    std::string symbols = "  xkb_symbols \"block\" {\n";
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const std::uint32_t key = kFirstKey + static_cast<std::uint32_t>(i);
        char name[kKeysymNameLength];
        if (xkb_keysym_get_name(keysymForCharacter(characters[i]), name, sizeof name) < 0)
            continue;
        keycodes += "    " + keyName(key) + " = " + std::to_string(key + kXkbKeycodeOffset) + ";\n";
        symbols += "    key " + keyName(key) + " { [ " + name + " ] };\n";
    }
    // One level per key; no modifiers, no compatibility actions.
    const std::string source = "xkb_keymap {\n" + keycodes + "  };\n"
                               + "  xkb_types \"block\" {\n    type \"ONE_LEVEL\" {\n      modifiers = none;\n"
                                 "      level_name[Level1] = \"Any\";\n    };\n  };\n"
                               + "  xkb_compatibility \"block\" {\n  };\n" + symbols + "  };\n};\n";
    std::unique_ptr<xkb_keymap, KeymapFree> keymap(
        xkb_keymap_new_from_string(context, source.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return {};
    std::unique_ptr<char, decltype(&std::free)> compiled(
        xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1), &std::free);
    return compiled ? std::string(compiled.get()) : std::string();
}
