// Typing on the keyboard set-ups operators have: other layouts, a second
// layout active, Caps Lock remapped or gone, the keymap replaced while the
// program runs, a keymap without an unused keycode. Each text is typed into
// a real window on the X server and must arrive exactly.
#include "keyboard_x11.h"
#include "keyinjector.h"
#include "sampletext.h"
#include "targetwindow.h"
#include "typebytes.h"
#include "xkeymapcontrol.h"

#include <QtTest>

#include <memory>

namespace {

struct Layout
{
    const char *name;
    QString layouts;
    QStringList options;
    int group;
};

} // namespace

class LayoutTypingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void typesOnLayout_data();
    void typesOnLayout();
    void qtWindowFollowsGroupAfterKeymapChange_data();
    void qtWindowFollowsGroupAfterKeymapChange();
    void keymapReplacedWhileRunning();
    void keymapWithoutUnusedKeycode();

private:
    // Types bytes on keyboard and checks what the window received.
    void typeAndCompare(X11Keyboard &keyboard, const QByteArray &bytes);
    void useLayout(const QString &layouts, const QStringList &options = {}, int group = 0);

    std::unique_ptr<xkeymap::SavedKeymap> savedKeymap;
    std::unique_ptr<TargetWindow> target;
};

void LayoutTypingTest::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("no X server: DISPLAY is not set");
    if (!X11Keyboard::open())
        QSKIP("the X server cannot be opened or lacks XTest/XKB");
    if (QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("xkbcomp")).isEmpty())
        QSKIP("needs setxkbmap and xkbcomp (apt-get install x11-xkb-utils)");
    savedKeymap = std::make_unique<xkeymap::SavedKeymap>();
    QVERIFY2(savedKeymap->saved(), "xkbcomp could not save the keymap");
    target = std::make_unique<TargetWindow>(QStringLiteral(QUILLON_TYPING_TARGET));
    QString error;
    QVERIFY2(target->start(error), qPrintable(error));
}

void LayoutTypingTest::cleanupTestCase()
{
    target.reset();
    if (savedKeymap)
        xkeymap::setCapsLock(false);
    savedKeymap.reset();
}

void LayoutTypingTest::useLayout(const QString &layouts, const QStringList &options, int group)
{
    QString error;
    QVERIFY2(xkeymap::apply(layouts, options, &error), qPrintable(error));
    QVERIFY(xkeymap::lockGroup(group));
}

void LayoutTypingTest::typeAndCompare(X11Keyboard &keyboard, const QByteArray &bytes)
{
    QVERIFY(target->clear());
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    typeBytes(injector, bytes);
    const QString expected = sampletext::typedText(bytes);
    const QString actual = target->textOnceTyped(expected.size());
    QVERIFY2(actual == expected, qPrintable(sampletext::firstDifference(actual, expected)));
    QCOMPARE(keyboard.takeUntypedCount(), std::size_t(0));
}

void LayoutTypingTest::typesOnLayout_data()
{
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("group");
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray card = sampletext::cardSample();
    const QByteArray cardAndAscii = card + sampletext::printableAscii();
    const Layout layouts[] = {
        {"us", "us", {}, 0},
        {"es", "es", {}, 0},
        {"latam", "latam", {}, 0},
        {"de", "de", {}, 0},
        {"fr", "fr", {}, 0},
        {"tr (dotted and dotless i)", "tr", {}, 0},
        {"us, Caps Lock made Ctrl", "us", {"ctrl:nocaps"}, 0},
        {"us, Caps Lock made Escape", "us", {"caps:escape"}, 0},
        {"us, Caps Lock key does nothing", "us", {"caps:none"}, 0},
        {"us,es with es active", "us,es", {}, 1},
        {"latam,us with us active", "latam,us", {}, 1},
    };
    for (const Layout &layout : layouts) {
        for (bool caps : {false, true}) {
            QTest::addRow("%s, Caps Lock %s", layout.name, caps ? "on" : "off")
                << layout.layouts << layout.options << layout.group << caps << (caps ? card : cardAndAscii);
        }
    }
}

void LayoutTypingTest::typesOnLayout()
{
    QFETCH(QString, layouts);
    QFETCH(QStringList, options);
    QFETCH(int, group);
    QFETCH(bool, capsLock);
    QFETCH(QByteArray, bytes);

    useLayout(layouts, options, group);
    QVERIFY(xkeymap::setCapsLock(capsLock));
    const int unmappedBefore = xkeymap::unmappedKeycodeCount();
    {
        std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open();
        QVERIFY(keyboard);
        typeAndCompare(*keyboard, bytes);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(keyboard->capsLockOn(), capsLock);
    }
    QCOMPARE(xkeymap::activeGroup(), group);
    QCOMPARE(xkeymap::capsLockOn(), capsLock);
    QCOMPARE(xkeymap::unmappedKeycodeCount(), unmappedBefore);
    QVERIFY(xkeymap::setCapsLock(false));
}

// A Qt window looks keys up in the first group after any keymap change
// (ours for a spare character, or another program's) until the modifier
// state changes. With the second group active, texts that start without
// Shift must still arrive as typed: digits and punctuation sit on other keys
// in "es" than in "us", and so does the n tilde.
void LayoutTypingTest::qtWindowFollowsGroupAfterKeymapChange_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("otherProgramFirst");
    QTest::addColumn<QStringList>("options");
    // With a key for the fifth level every real modifier is bound.
    const QStringList everyModifierBound{QStringLiteral("lv5:rwin_switch_lock")};
    QTest::newRow("digits, then a spare capital") << QByteArray("1985-12-07 \xdaLTIMO") << false << QStringList();
    QTest::newRow("spare small letter first") << QByteArray("\xfa \xf1-\xe7 1985-12-07") << false << QStringList();
    QTest::newRow("punctuation first") << QByteArray("-,.'+\xe7 07-12-1985 \xfa") << false << QStringList();
    QTest::newRow("small letters first") << QByteArray("pe\xf1" "a-n\xfa\xf1" "ez 07") << false << QStringList();
    QTest::newRow("digits, keymap changed by another program") << QByteArray("07-12 \xf1") << true << QStringList();
    QTest::newRow("punctuation, keymap changed by another program") << QByteArray("-'\xf1.") << true << QStringList();
    QTest::newRow("digits, every modifier bound") << QByteArray("1985-12-07 \xdaLTIMO") << false << everyModifierBound;
    QTest::newRow("punctuation, keymap changed by another program, every modifier bound")
        << QByteArray("-'\xf1.") << true << everyModifierBound;
}

void LayoutTypingTest::qtWindowFollowsGroupAfterKeymapChange()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, otherProgramFirst);
    QFETCH(QStringList, options);
    constexpr unsigned long kNoSymbol = 0;
    constexpr unsigned long kF20 = 0xFFD1;

    useLayout(QStringLiteral("us,es"), options, 1);
    std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open();
    QVERIFY(keyboard);
    // Begins with Shift: the window is in step again after the keymap the
    // last row's keyboard put back.
    typeAndCompare(*keyboard, "Before \xd1");
    int changed = 0;
    std::vector<unsigned long> before;
    if (otherProgramFirst) {
        changed = xkeymap::keycodeGiving(kNoSymbol);
        before = xkeymap::keycodeSymbols(changed);
        QVERIFY(changed != 0 && xkeymap::setKeycodeSymbols(changed, {kF20}));
    }
    typeAndCompare(*keyboard, bytes);
    if (changed)
        xkeymap::setKeycodeSymbols(changed, before);
}

// One keyboard for the whole run, as in the program: the keymap is
// replaced by another layout between two texts, applied again unchanged
// between two more, and finally replaced by one without unused keycodes,
// whose keys must all be left as they are.
void LayoutTypingTest::keymapReplacedWhileRunning()
{
    struct Step
    {
        QString layout; // empty: keep the keymap
        bool fillKeycodes;
        QByteArray bytes;
    };
    const QByteArray card = sampletext::cardSample();
    const Step steps[] = {
        {QStringLiteral("es"), false, card},
        {QStringLiteral("fr"), false, card},
        {QStringLiteral("fr"), false, card},
        {QString(), false, sampletext::spanishLetters()},
        {QStringLiteral("us"), true, card},
    };
    std::unique_ptr<X11Keyboard> keyboard;
    std::vector<unsigned long> lastKeymap;
    for (const Step &step : steps) {
        if (!step.layout.isEmpty())
            useLayout(step.layout);
        if (step.fillKeycodes)
            QVERIFY(xkeymap::fillEveryKeycode() > 0);
        lastKeymap = xkeymap::symbols();
        if (!keyboard)
            keyboard = X11Keyboard::open();
        QVERIFY(keyboard);
        typeAndCompare(*keyboard, step.bytes);
        if (QTest::currentTestFailed())
            return;
    }
    keyboard.reset();
    QVERIFY2(xkeymap::symbols() == lastKeymap, "a key of the new keymap was changed");
}

// Keys in use are lent for a text and given back after it.
void LayoutTypingTest::keymapWithoutUnusedKeycode()
{
    useLayout(QStringLiteral("us"));
    QVERIFY(xkeymap::fillEveryKeycode() > 0);
    QCOMPARE(xkeymap::unmappedKeycodeCount(), 0);
    const std::vector<unsigned long> full = xkeymap::symbols();
    std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open();
    QVERIFY(keyboard);
    for (const QByteArray &bytes : {sampletext::spanishLetters() + sampletext::cardSample(), sampletext::mixed(120, 5)}) {
        typeAndCompare(*keyboard, bytes);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(xkeymap::symbols() == full, "a lent key still carries a character after the text");
    }
    keyboard.reset();
    QVERIFY2(xkeymap::symbols() == full, "the keymap differs after the keyboard has gone");
}

QTEST_GUILESS_MAIN(LayoutTypingTest)
#include "tst_layouttyping.moc"
