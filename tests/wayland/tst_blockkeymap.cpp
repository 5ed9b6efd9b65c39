// The keymap the Wayland keyboard uploads, compiled again as a compositor
// and a receiving program compile it: every character on its own key, at a
// level that no modifier has to choose.
#include "blockkeymap.h"
#include "keystreamreader.h"

#include <xkbcommon/xkbcommon.h>

#include <QtTest>

#include <memory>
#include <vector>

Q_DECLARE_METATYPE(std::u32string)

namespace {

using Characters = std::u32string;

struct XkbFree
{
    void operator()(xkb_context *context) const { xkb_context_unref(context); }
    void operator()(xkb_keymap *keymap) const { xkb_keymap_unref(keymap); }
    void operator()(xkb_state *state) const { xkb_state_unref(state); }
};

std::vector<char32_t> list(const Characters &characters)
{
    return {characters.begin(), characters.end()};
}

Characters range(char32_t first, char32_t last)
{
    Characters characters;
    for (char32_t c = first; c <= last; ++c)
        characters += c;
    return characters;
}

Characters windows1252()
{
    Characters characters;
    for (int b = 0; b < 256; ++b) {
        const char32_t c = typedCharacter(static_cast<unsigned char>(b));
        if (c != KeyStreamReader::kNoCharacter)
            characters += c;
    }
    return characters;
}

} // namespace

class BlockKeymapTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyCharacterOnItsOwnKey_data();
    void everyCharacterOnItsOwnKey();
    void keysKeptWhileThereIsRoom();
    void onlyTheTextWhenAllWouldNotFit();

private:
    std::unique_ptr<xkb_context, XkbFree> context;
};

void BlockKeymapTest::initTestCase()
{
    context.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    QVERIFY(context);
}

void BlockKeymapTest::everyCharacterOnItsOwnKey_data()
{
    QTest::addColumn<Characters>("characters");
    QTest::newRow("printable ASCII") << range(U' ', U'~');
    QTest::newRow("Tab and Enter") << Characters(U"\t\r");
    QTest::newRow("Spanish letters") << Characters(U"ÁÉÍÓÚÜÑáéíóúüñ");
    QTest::newRow("all of Windows-1252") << windows1252();
}

void BlockKeymapTest::everyCharacterOnItsOwnKey()
{
    QFETCH(Characters, characters);
    BlockKeymap keymap;
    keymap.cover(list(characters));
    QCOMPARE(keymap.size(), characters.size());
    const std::string text = keymap.text(context.get());
    QVERIFY(!text.empty());

    std::unique_ptr<xkb_keymap, XkbFree> compiled(
        xkb_keymap_new_from_string(context.get(), text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
    QVERIFY(compiled);
    std::unique_ptr<xkb_state, XkbFree> state(xkb_state_new(compiled.get()));
    for (char32_t c : characters) {
        const std::uint32_t key = keymap.keyFor(c);
        QVERIFY2(key >= BlockKeymap::kFirstKey && key <= BlockKeymap::kLastKey, qPrintable(QString::number(c, 16)));
        const xkb_keycode_t keycode = key + BlockKeymap::kXkbKeycodeOffset;
        QCOMPARE(xkb_keymap_num_levels_for_key(compiled.get(), keycode, 0), xkb_level_index_t(1));
        QCOMPARE(xkb_state_key_get_one_sym(state.get(), keycode), keysymForCharacter(c));
        QCOMPARE(xkb_state_key_get_utf32(state.get(), keycode), std::uint32_t(c));
    }
}

// Keys that the last texts used keep their characters, so the next text
// needs no new keymap when it brings nothing new.
void BlockKeymapTest::keysKeptWhileThereIsRoom()
{
    BlockKeymap keymap;
    keymap.cover(list(U"abc"));
    const std::uint32_t c = keymap.keyFor(U'c');
    QVERIFY(!keymap.holds(list(U"cd")));
    keymap.cover(list(U"cd"));
    QCOMPARE(keymap.keyFor(U'c'), c);
    QVERIFY(keymap.keyFor(U'a') != 0);
    QVERIFY(keymap.holds(list(U"abcd")));
    QCOMPARE(keymap.size(), std::size_t(4));
    // A character without a keysym is left out, not given a key.
    keymap.cover({KeyStreamReader::kNoCharacter});
    QCOMPARE(keymap.size(), std::size_t(4));
}

void BlockKeymapTest::onlyTheTextWhenAllWouldNotFit()
{
    BlockKeymap keymap;
    const Characters before = range(0x100, 0x1C7);
    const Characters text = range(0x400, 0x45F);
    QVERIFY(before.size() + text.size() > BlockKeymap::kCapacity);
    keymap.cover(list(before));
    keymap.cover(list(text));
    QCOMPARE(keymap.size(), text.size());
    QVERIFY(keymap.holds(list(text)));
    QCOMPARE(keymap.keyFor(before.front()), std::uint32_t(0));
    QVERIFY(!keymap.text(context.get()).empty());
}

QTEST_GUILESS_MAIN(BlockKeymapTest)
#include "tst_blockkeymap.moc"
