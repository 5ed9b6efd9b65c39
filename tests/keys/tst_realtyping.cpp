#include "keyboard_x11.h"
#include "keyinjector.h"
#include "sampletext.h"
#include "targetwindow.h"
#include "typebytes.h"
#include "x11keysyms.h"
#include "xkeymapcontrol.h"

#include <QtTest>

#include <algorithm>
#include <csignal>
#include <memory>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

class RealTypingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void typesIntoFocusedWindow_data();
    void typesIntoFocusedWindow();
    void typesUnicodeText_data();
    void typesUnicodeText();
    void spareCharactersMappedBeforeTheFirstKey();
    void spareKeycodeTakenByAnotherProgramIsLeftAlone();
    void spareKeycodesLeftByAKilledKeyboardAreCleared();
    void busyWindowKeepsSpareCharacters_data();
    void busyWindowKeepsSpareCharacters();
    void keymapRestoredAfterTyping();

private:
    std::unique_ptr<TargetWindow> target;
    int unmappedAtStart = 0;
};

void RealTypingTest::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("no X server: DISPLAY is not set");
    std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open();
    if (!keyboard)
        QSKIP("the X server cannot be opened or lacks XTest/XKB");
    unmappedAtStart = keyboard->unmappedKeycodeCount();
    QVERIFY2(unmappedAtStart > 0, "the keymap has no spare keycodes for characters outside it");
    target = std::make_unique<TargetWindow>(QStringLiteral(QUILLON_TYPING_TARGET));
    QString error;
    QVERIFY2(target->start(error), qPrintable(error));
}

void RealTypingTest::typesIntoFocusedWindow_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("capsLockAtStart");
    QTest::addColumn<bool>("brokenDevice");
    for (bool caps : {false, true}) {
        const char *state = caps ? "Caps Lock on" : "Caps Lock off";
        QTest::addRow("printable ASCII, tab, enter, %s", state) << sampletext::printableAscii() << caps << false;
        QTest::addRow("Spanish letters and euro, %s", state) << sampletext::spanishLetters() << caps << false;
        QTest::addRow("300 mixed, %s", state) << sampletext::mixed(300, caps ? 7 : 3) << caps << false;
    }
    QTest::newRow("one level mapped: capitals go wrong") << sampletext::spanishLetters() << false << true;
}

void RealTypingTest::typesIntoFocusedWindow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, capsLockAtStart);
    QFETCH(bool, brokenDevice);
    QVERIFY(target->clear());

    const QString expected = sampletext::typedText(bytes);
    QString actual;
    bool capsLockAtEnd = !capsLockAtStart;
    {
        std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open(
            nullptr, brokenDevice ? X11Keyboard::SpareLevels::LowerCaseOnly : X11Keyboard::SpareLevels::Both);
        QVERIFY(keyboard);
        KeyInjector injector(*keyboard);
        injector.initKeyTable();
        injector.setCapsLock(capsLockAtStart);
        QCOMPARE(keyboard->capsLockOn(), capsLockAtStart);

        typeBytes(injector, bytes);
        capsLockAtEnd = keyboard->capsLockOn();
        actual = target->textOnceTyped(expected.size());
        injector.setCapsLock(false);
    }

    if (brokenDevice) {
        QVERIFY2(actual != expected, "the typing check did not notice a keyboard that maps one level only");
        return;
    }
    QVERIFY2(actual == expected, qPrintable(sampletext::firstDifference(actual, expected)));
    QCOMPARE(capsLockAtEnd, capsLockAtStart);
}

// UTF-8 barcodes: every character arrives as itself, whatever the keymap
// holds, and the keymap is put back afterwards (keymapRestoredAfterTyping).
void RealTypingTest::typesUnicodeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("capsLockAtStart");
    for (bool caps : {false, true}) {
        for (const QString &text : sampletext::unicodeTexts())
            QTest::addRow("%s, %s", qPrintable(text.left(8)), caps ? "Caps Lock on" : "Caps Lock off") << text << caps;
    }
}

void RealTypingTest::typesUnicodeText()
{
    QFETCH(QString, text);
    QFETCH(bool, capsLockAtStart);
    QVERIFY(target->clear());
    const QString expected = sampletext::typedText(text);
    QString actual;
    std::size_t untyped = 1;
    {
        std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open();
        QVERIFY(keyboard);
        KeyInjector injector(*keyboard);
        injector.initKeyTable();
        injector.setCapsLock(capsLockAtStart);
        typeText(injector, text);
        QCOMPARE(keyboard->capsLockOn(), capsLockAtStart);
        untyped = keyboard->takeUntypedCount();
        actual = target->textOnceTyped(expected.size());
        injector.setCapsLock(false);
    }
    QVERIFY2(actual == expected, qPrintable(sampletext::firstDifference(actual, expected)));
    QCOMPARE(untyped, std::size_t(0));
}

// Every character of a text that the keymap lacks is on a keycode before
// the text's first key: the receiving program fetches one new keymap for
// the text, not one per character.
void RealTypingTest::spareCharactersMappedBeforeTheFirstKey()
{
    const QByteArray text = sampletext::spanishLetters();
    auto missing = [&text] {
        const std::vector<unsigned long> keymap = xkeymap::symbols();
        int count = 0;
        for (char c : text) {
            const KeysymValue keysym = typedCharacterKeysym(static_cast<unsigned char>(c));
            count += keysym != kNoKeysym && std::find(keymap.begin(), keymap.end(), keysym) == keymap.end();
        }
        return count;
    };
    std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open();
    QVERIFY(keyboard);
    if (missing() == 0)
        QSKIP("the keymap has a key for every character of the text");
    keyboard->beginText(reinterpret_cast<const unsigned char *>(text.constData()), std::size_t(text.size()));
    const int missingAfterBegin = missing();
    keyboard->endText();
    QCOMPARE(missingAfterBegin, 0);
}

// Another program gives a spare keycode of ours symbols on its second level
// only (its first stays empty) before we give the keycode back: the keycode
// is in use now and keeps what that program gave it.
void RealTypingTest::spareKeycodeTakenByAnotherProgramIsLeftAlone()
{
    constexpr unsigned long kNtilde = 0xD1 + ('a' - 'A');
    constexpr unsigned long kNoSymbol = 0;
    constexpr unsigned long kF20 = 0xFFD1;
    const QByteArray text("\xd1");
    std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open();
    QVERIFY(keyboard);
    if (xkeymap::keycodeGiving(kNtilde) != 0)
        QSKIP("the keymap has its own key for the N tilde");
    keyboard->beginText(reinterpret_cast<const unsigned char *>(text.constData()), std::size_t(text.size()));
    keyboard->endText();
    const int spare = xkeymap::keycodeGiving(kNtilde);
    QVERIFY2(spare != 0, "the N tilde was not mapped on a spare keycode");

    const std::vector<unsigned long> theirs{kNoSymbol, kF20};
    QVERIFY(xkeymap::setKeycodeSymbols(spare, theirs));
    keyboard.reset();
    const std::vector<unsigned long> after = xkeymap::keycodeSymbols(spare);
    xkeymap::setKeycodeSymbols(spare, {kNoSymbol});
    QVERIFY(after.size() >= theirs.size());
    QCOMPARE(std::vector<unsigned long>(after.begin(), after.begin() + theirs.size()), theirs);
}

// A keyboard that never put its keymap back (its process was killed) left
// spare characters behind: the next keyboard on the display clears them,
// except on a keycode that another program has given symbols since.
void RealTypingTest::spareKeycodesLeftByAKilledKeyboardAreCleared()
{
    constexpr unsigned long kNtilde = 0xF1;
    constexpr unsigned long kEuro = 0x20AC;
    constexpr unsigned long kNoSymbol = 0;
    constexpr unsigned long kF20 = 0xFFD1;
    if (xkeymap::keycodeGiving(kNtilde) != 0 || xkeymap::keycodeGiving(kEuro) != 0)
        QSKIP("the keymap has its own keys for the n tilde or the euro sign");
    const int unmappedBefore = xkeymap::unmappedKeycodeCount();
    const pid_t child = fork();
    if (child == 0) {
        const QByteArray text("\xd1\x80");
        std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open();
        if (keyboard)
            keyboard->beginText(reinterpret_cast<const unsigned char *>(text.constData()), std::size_t(text.size()));
        _exit(keyboard ? EXIT_SUCCESS : EXIT_FAILURE); // gone without putting anything back
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == EXIT_SUCCESS);
    const int ntilde = xkeymap::keycodeGiving(kNtilde);
    const int euro = xkeymap::keycodeGiving(kEuro);
    QVERIFY2(ntilde != 0 && euro != 0, "the killed keyboard left nothing behind");
    QVERIFY(xkeymap::setKeycodeSymbols(euro, {kF20}));

    X11Keyboard::open().reset();
    const std::vector<unsigned long> theirs = xkeymap::keycodeSymbols(euro);
    xkeymap::setKeycodeSymbols(euro, {kNoSymbol});
    QCOMPARE(xkeymap::keycodeGiving(kNtilde), 0);
    QVERIFY(!theirs.empty());
    QCOMPARE(theirs.front(), kF20);
    QCOMPARE(xkeymap::unmappedKeycodeCount(), unmappedBefore);
}

// A busy window (stopped here) reads the keys typed meanwhile only when it
// is back, and looks their keycodes up in the keymap as it is then: a spare
// keycode must still carry its character, seconds later and after another
// text took other spare keycodes.
void RealTypingTest::busyWindowKeepsSpareCharacters_data()
{
    QTest::addColumn<int>("busyMs");
    QTest::addColumn<int>("textsApartMs");
    QTest::newRow("busy 2 s, texts 1 s apart") << 2000 << 1000;
}

void RealTypingTest::busyWindowKeepsSpareCharacters()
{
    QFETCH(int, busyMs);
    QFETCH(int, textsApartMs);
    const QByteArray texts[] = {QByteArray("A\x80" "B"), QByteArray("C\xaa" "D")};
    QVERIFY(target->clear());
    std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open();
    QVERIFY(keyboard);
    KeyInjector injector(*keyboard);
    injector.initKeyTable();

    // Whatever fails, the window goes on afterwards.
    struct Stopped
    {
        pid_t pid;
        ~Stopped() { kill(pid, SIGCONT); }
    } stopped{pid_t(target->pid())};
    QElapsedTimer busy;
    QCOMPARE(kill(stopped.pid, SIGSTOP), 0);
    busy.start();
    typeBytes(injector, texts[0]);
    QTest::qSleep(textsApartMs);
    typeBytes(injector, texts[1]);
    QTest::qSleep(std::max(0, busyMs - int(busy.elapsed())));
    QCOMPARE(kill(stopped.pid, SIGCONT), 0);

    const QString expected = sampletext::typedText(texts[0] + texts[1]);
    const QString actual = target->textOnceTyped(expected.size());
    QVERIFY2(actual == expected, qPrintable(sampletext::firstDifference(actual, expected)));
}

// Every keyboard of this run has gone: the keymap is as it was, and none
// left a record of keycodes to put back.
void RealTypingTest::keymapRestoredAfterTyping()
{
    std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open();
    QVERIFY(keyboard);
    QCOMPARE(keyboard->unmappedKeycodeCount(), unmappedAtStart);
    const QDir records(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/quillon"));
    const QStringList ours = records.entryList({QStringLiteral("*-%1-*").arg(QCoreApplication::applicationPid())});
    QVERIFY2(ours.isEmpty(), qPrintable(ours.join(QLatin1Char(' '))));
}

QTEST_GUILESS_MAIN(RealTypingTest)
#include "tst_realtyping.moc"
