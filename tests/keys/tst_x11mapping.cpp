#include "keyboard_x11.h"
#include "sparekeypool.h"
#include "systemkeyboard.h"
#include "x11keysyms.h"

#include <QProcess>
#include <QtTest>

#include <chrono>
#include <map>

using std::chrono::milliseconds;

namespace {

constexpr milliseconds kIdle{500};
constexpr milliseconds kServerTimeout{10000};

QString hex(KeysymValue value)
{
    return QStringLiteral("0x%1").arg(value, 0, 16);
}

} // namespace

class X11MappingTest : public QObject
{
    Q_OBJECT

private slots:
    void windows1252Keysyms_data();
    void windows1252Keysyms();
    void spareKeycodeKeepsItsCharacter();
    void spareKeycodeReusedOnlyWhenIdle();
    void idleSpareKeycodesKeepTheirCharacters();
    void keymapChangeUnderThePool();
    void withoutDisplayKeyboardTypesNothing();
    void serverWithoutXTestTypesNothing();
};

void X11MappingTest::windows1252Keysyms_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<KeysymValue>("keysym");
    QTest::newRow("space") << 0x20 << KeysymValue(0x20);
    QTest::newRow("tilde") << 0x7E << KeysymValue(0x7E);
    QTest::newRow("no-break space") << 0xA0 << KeysymValue(0xA0);
    QTest::newRow("N tilde") << 0xD1 << KeysymValue(0xD1);
    QTest::newRow("n tilde") << 0xF1 << KeysymValue(0xF1);
    QTest::newRow("y diaeresis") << 0xFF << KeysymValue(0xFF);
    QTest::newRow("euro") << 0x80 << KeysymValue(0x20AC);
    QTest::newRow("low single quote") << 0x82 << KeysymValue(0xAFD);
    QTest::newRow("f hook") << 0x83 << KeysymValue(0x1000192);
    QTest::newRow("ellipsis") << 0x85 << KeysymValue(0xAAE);
    QTest::newRow("dagger") << 0x86 << KeysymValue(0xAF1);
    QTest::newRow("circumflex") << 0x88 << KeysymValue(0x10002C6);
    QTest::newRow("S caron") << 0x8A << KeysymValue(0x1A9);
    QTest::newRow("single left angle") << 0x8B << KeysymValue(0x1002039);
    QTest::newRow("OE") << 0x8C << KeysymValue(0x13BC);
    QTest::newRow("right double quote") << 0x94 << KeysymValue(0xAD3);
    QTest::newRow("bullet") << 0x95 << KeysymValue(0xAE6);
    QTest::newRow("en dash") << 0x96 << KeysymValue(0xAAA);
    QTest::newRow("small tilde") << 0x98 << KeysymValue(0x10002DC);
    QTest::newRow("trade mark") << 0x99 << KeysymValue(0xAC9);
    QTest::newRow("single right angle") << 0x9B << KeysymValue(0x100203A);
    QTest::newRow("z caron") << 0x9E << KeysymValue(0x1BE);
    QTest::newRow("Y diaeresis") << 0x9F << KeysymValue(0x13BE);
    for (int unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        QTest::addRow("unassigned %02X", unassigned) << unassigned << kNoKeysym;
    QTest::newRow("line feed") << 0x0A << kNoKeysym;
    QTest::newRow("DEL") << 0x7F << kNoKeysym;
}

void X11MappingTest::windows1252Keysyms()
{
    QFETCH(int, byte);
    QFETCH(KeysymValue, keysym);
    QCOMPARE(hex(windows1252Keysym(static_cast<unsigned char>(byte))), hex(keysym));
}

void X11MappingTest::spareKeycodeKeepsItsCharacter()
{
    SpareKeyPool pool({200, 201}, kIdle);
    const auto start = SpareKeyPool::Clock::time_point{} + std::chrono::hours{1};
    const SpareKeyPool::Claim first = pool.claim({0xD1, 0xD1}, start);
    QVERIFY(first.needsMapping);
    const SpareKeyPool::Claim second = pool.claim({0xF1, 0xF1}, start);
    QVERIFY(second.needsMapping);
    QVERIFY(second.keycode != first.keycode);
    const SpareKeyPool::Claim again = pool.claim({0xD1, 0xD1}, start + milliseconds{10});
    QCOMPARE(again.keycode, first.keycode);
    QVERIFY(!again.needsMapping);
    // Same character, other second level: a different mapping.
    QVERIFY(pool.claim({0xD1, 0xF1}, start + milliseconds{20}).needsMapping);
}

void X11MappingTest::spareKeycodeReusedOnlyWhenIdle()
{
    SpareKeyPool pool({200, 201}, kIdle);
    const auto start = SpareKeyPool::Clock::time_point{} + std::chrono::hours{1};
    const int a = pool.claim({'a', 'a'}, start).keycode;
    pool.claim({'b', 'b'}, start + milliseconds{100});
    pool.touch(a, start + milliseconds{200});
    // Both are busy; the one used longest ago (b at 100 ms) is given away
    // once it has been idle for the whole pause.
    const SpareKeyPool::Claim third = pool.claim({'c', 'c'}, start + milliseconds{300});
    QVERIFY(third.needsMapping);
    QVERIFY(third.keycode != a);
    QCOMPARE(std::chrono::duration_cast<milliseconds>(third.waitFirst).count(), (kIdle - milliseconds{200}).count());
    const SpareKeyPool::Claim late = pool.claim({'d', 'd'}, start + milliseconds{5000});
    QCOMPARE(late.keycode, a);
    QCOMPARE(std::chrono::duration_cast<milliseconds>(late.waitFirst).count(), 0);
}

// Idle keycodes keep their characters: a free keycode is taken first, and
// only then the one idle longest.
void X11MappingTest::idleSpareKeycodesKeepTheirCharacters()
{
    SpareKeyPool pool({200, 201, 202}, kIdle);
    const auto start = SpareKeyPool::Clock::time_point{} + std::chrono::hours{1};
    const int a = pool.claim({'a', 'a'}, start).keycode;
    const int b = pool.claim({'b', 'b'}, start + milliseconds{400}).keycode;
    const SpareKeyPool::Claim later = pool.claim({'a', 'a'}, start + milliseconds{5000});
    QCOMPARE(later.keycode, a);
    QVERIFY(!later.needsMapping);
    const int c = pool.claim({'c', 'c'}, start + milliseconds{5000}).keycode;
    QVERIFY(c != a && c != b);
    const SpareKeyPool::Claim d = pool.claim({'d', 'd'}, start + milliseconds{5100});
    QCOMPARE(d.keycode, b);
    QVERIFY(d.needsMapping);
    QVERIFY(pool.allIdleAt() == start + milliseconds{5100} + kIdle);
    QCOMPARE(pool.takeAll().size(), std::size_t(3));
    QCOMPARE(pool.takeAll(), std::vector<int>{});
}

// A new keymap arrived: 200 still carries its character, the keymap wiped
// 201 and now uses 202 and, over the character it had, 203; 204 is newly
// unused.
void X11MappingTest::keymapChangeUnderThePool()
{
    SpareKeyPool pool({200, 201, 202, 203}, kIdle);
    const auto start = SpareKeyPool::Clock::time_point{} + std::chrono::hours{1};
    const SpareKeyPool::Symbols a{'a', 'A'}, b{'b', 'B'}, d{'d', 'D'};
    QCOMPARE(pool.claim(a, start).keycode, 200);
    QCOMPARE(pool.claim(b, start).keycode, 201);
    QCOMPARE(pool.claim(d, start).keycode, 202);
    QCOMPARE(pool.claim({'e', 'E'}, start).keycode, 203);
    const std::map<int, KeysymValue> now{{200, 'a'}, {201, kNoKeysym}, {202, 'x'}, {203, 'y'}, {204, kNoKeysym}};
    pool.keymapChanged({201, 204}, [&now](int keycode) { return now.at(keycode); });

    QCOMPARE(pool.size(), std::size_t(3));
    QVERIFY(pool.symbolsOf(200) && *pool.symbolsOf(200) == a);
    QVERIFY(!pool.symbolsOf(201));
    const SpareKeyPool::Claim again = pool.claim(a, start);
    QCOMPARE(again.keycode, 200);
    QVERIFY(!again.needsMapping);
    std::vector<int> given;
    for (const SpareKeyPool::Symbols &symbols : {b, d}) {
        const SpareKeyPool::Claim claim = pool.claim(symbols, start);
        QVERIFY(claim.needsMapping);
        given.push_back(claim.keycode);
    }
    std::sort(given.begin(), given.end());
    QCOMPARE(given, std::vector<int>({201, 204}));
    QCOMPARE(pool.takeAll().size(), std::size_t(3));
}

void X11MappingTest::withoutDisplayKeyboardTypesNothing()
{
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":999999");
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^No keyboard to type on")));
    std::unique_ptr<KeyboardDevice> keyboard = createSystemKeyboard();
    qputenv("DISPLAY", display);
    QVERIFY(keyboard);
    QCOMPARE(int(keyboard->reach()), int(KeyboardReach::Nowhere));
    keyboard->keyEvent(0x14, 0, 1);
    keyboard->keyEvent(0x14, 0, 3);
    QVERIFY(!keyboard->capsLockOn());
    QElapsedTimer clock;
    clock.start();
    keyboard->sleepFor(milliseconds{200});
    QVERIFY2(clock.elapsed() < 100, "a keyboard that types nothing still paced");
}

// An X server that lacks XTest offers no keyboard either: the program must
// come up with the keyboard that types nothing, which the operator is told
// about, rather than one that drops every key.
void X11MappingTest::serverWithoutXTestTypesNothing()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        QSKIP("needs Xvfb (apt-get install xvfb)");
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Xvfb takes the first free display and writes its number out.
    server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-extension", "XTEST", "-nolisten", "tcp"});
    QVERIFY(server.waitForStarted(int(kServerTimeout.count())));
    QElapsedTimer clock;
    clock.start();
    while (!server.canReadLine() && clock.elapsed() < kServerTimeout.count())
        server.waitForReadyRead(int(kServerTimeout.count()));
    const QByteArray display = ":" + server.readLine().trimmed();
    QVERIFY2(display.size() > 1, "Xvfb did not say which display it took");

    QVERIFY(!X11Keyboard::open(display.constData()));
    const QByteArray savedDisplay = qgetenv("DISPLAY");
    const QByteArray savedWayland = qgetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", display);
    qunsetenv("WAYLAND_DISPLAY");
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^No keyboard to type on")));
    std::unique_ptr<KeyboardDevice> keyboard = createSystemKeyboard();
    qputenv("DISPLAY", savedDisplay);
    if (!savedWayland.isEmpty())
        qputenv("WAYLAND_DISPLAY", savedWayland);
    server.terminate();
    QVERIFY(server.waitForFinished(int(kServerTimeout.count())));
    QVERIFY(keyboard);
    QCOMPARE(int(keyboard->reach()), int(KeyboardReach::Nowhere));
}

QTEST_GUILESS_MAIN(X11MappingTest)
#include "tst_x11mapping.moc"
