// The Wayland keyboard typing into a real Wayland window: the typing target
// running natively on a headless sway of the test's own, compared exactly
// with the text typed. Also the start-up choice of keyboard in a Wayland
// session and outside one.
#include "headlesssway.h"
#include "keyboard_wayland.h"
#include "keyboard_x11.h"
#include "keyinjector.h"
#include "sampletext.h"
#include "systemkeyboard.h"
#include "targetwindow.h"
#include "typebytes.h"

#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(KeyboardReach)

namespace {

// New keyboards typing one key at once: enough rounds to catch a first key
// that the compositor drops now and then.
constexpr int kFirstKeyRounds = 5;
const QByteArray kNoCompositor = "/nonexistent/wayland-quillon";

} // namespace

class WaylandTypingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void typesIntoFocusedWindow_data();
    void typesIntoFocusedWindow();
    void typesUnicodeText_data();
    void typesUnicodeText();
    void firstKeyRightAfterStart_data();
    void firstKeyRightAfterStart();
    void charactersWithoutGlyphAreCounted();
    void keyboardChosenAtStart_data();
    void keyboardChosenAtStart();

private:
    // Types bytes on a new Wayland keyboard and returns the target's text.
    QString typeOnNewKeyboard(const QByteArray &bytes, bool capsLockAtStart, std::size_t *untyped = nullptr);

    std::unique_ptr<HeadlessSway> sway;
    std::unique_ptr<TargetWindow> target;
    QByteArray xDisplay;
};

void WaylandTypingTest::initTestCase()
{
    const QString missing = HeadlessSway::missing();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    xDisplay = qgetenv("DISPLAY");
    sway = std::make_unique<HeadlessSway>();
    QString error;
    QVERIFY2(sway->start(error), qPrintable(error));
    sway->exportToThisProcess();
    target = std::make_unique<TargetWindow>(QStringLiteral(QUILLON_TYPING_TARGET), QStringLiteral("wayland"));
    QVERIFY2(target->start(error), qPrintable(error));
}

void WaylandTypingTest::cleanupTestCase()
{
    target.reset();
    sway.reset();
}

QString WaylandTypingTest::typeOnNewKeyboard(const QByteArray &bytes, bool capsLockAtStart, std::size_t *untyped)
{
    if (!target->clear())
        return QStringLiteral("(the target did not clear)");
    std::unique_ptr<WaylandKeyboard> keyboard = WaylandKeyboard::open(qgetenv("WAYLAND_DISPLAY").constData());
    if (!keyboard)
        return QStringLiteral("(no virtual keyboard)");
    KeyInjector injector(*keyboard);
    injector.initKeyTable();
    injector.setCapsLock(capsLockAtStart);
    typeBytes(injector, bytes);
    if (untyped)
        *untyped = keyboard->takeUntypedCount();
    return target->textOnceTyped(sampletext::typedText(bytes).size());
}

void WaylandTypingTest::typesIntoFocusedWindow_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("capsLockAtStart");
    for (bool caps : {false, true}) {
        const char *state = caps ? "Caps Lock on" : "Caps Lock off";
        QTest::addRow("printable ASCII, tab, enter, %s", state) << sampletext::printableAscii() << caps;
        QTest::addRow("Spanish letters and euro, %s", state) << sampletext::spanishLetters() << caps;
        QTest::addRow("300 mixed, %s", state) << sampletext::mixed(300, caps ? 7 : 3) << caps;
    }
}

void WaylandTypingTest::typesIntoFocusedWindow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, capsLockAtStart);
    std::size_t untyped = 1;
    const QString actual = typeOnNewKeyboard(bytes, capsLockAtStart, &untyped);
    const QString expected = sampletext::typedText(bytes);
    QVERIFY2(actual == expected, qPrintable(sampletext::firstDifference(actual, expected)));
    QCOMPARE(untyped, std::size_t(0));
}

// UTF-8 barcodes: every character arrives as itself.
void WaylandTypingTest::typesUnicodeText_data()
{
    QTest::addColumn<QString>("text");
    for (const QString &text : sampletext::unicodeTexts())
        QTest::newRow(qPrintable(text.left(8))) << text;
}

void WaylandTypingTest::typesUnicodeText()
{
    QFETCH(QString, text);
    QVERIFY(target->clear());
    std::unique_ptr<WaylandKeyboard> keyboard = WaylandKeyboard::open(qgetenv("WAYLAND_DISPLAY").constData());
    QVERIFY(keyboard);
    KeyInjector injector(*keyboard);
    injector.initKeyTable();
    typeText(injector, text);
    QCOMPARE(keyboard->takeUntypedCount(), std::size_t(0));
    const QString expected = sampletext::typedText(text);
    const QString actual = target->textOnceTyped(expected.size());
    QVERIFY2(actual == expected, qPrintable(sampletext::firstDifference(actual, expected)));
}

void WaylandTypingTest::firstKeyRightAfterStart_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("a letter") << QByteArray("q");
    QTest::newRow("a capital") << QByteArray("Q");
    QTest::newRow("N tilde") << QByteArray("\xd1");
    QTest::newRow("Enter") << QByteArray("\r");
}

void WaylandTypingTest::firstKeyRightAfterStart()
{
    QFETCH(QByteArray, bytes);
    const QString expected = sampletext::typedText(bytes);
    for (int round = 0; round < kFirstKeyRounds; ++round) {
        const QString actual = typeOnNewKeyboard(bytes, false);
        QVERIFY2(actual == expected, qPrintable(QStringLiteral("round %1: %2")
                                                     .arg(round)
                                                     .arg(sampletext::firstDifference(actual, expected))));
    }
}

// Windows-1252 leaves 81, 8D, 8F, 90 and 9D unassigned: nothing is typed
// for them, and the device says how many it left out.
void WaylandTypingTest::charactersWithoutGlyphAreCounted()
{
    std::size_t untyped = 0;
    const QString actual = typeOnNewKeyboard(QByteArray("a\x81" "b\x9d" "c"), false, &untyped);
    QCOMPARE(actual, QStringLiteral("abc"));
    QCOMPARE(untyped, std::size_t(2));
}

void WaylandTypingTest::keyboardChosenAtStart_data()
{
    QTest::addColumn<bool>("waylandSession");
    QTest::addColumn<bool>("compositorUp");
    QTest::addColumn<bool>("xServer");
    QTest::addColumn<KeyboardReach>("reach");
    QTest::newRow("Wayland session with virtual keyboards")
        << true << true << false << KeyboardReach::FocusedWindow;
    QTest::newRow("Wayland session, X display too") << true << true << true << KeyboardReach::FocusedWindow;
    QTest::newRow("no Wayland route, X display: XWayland only")
        << true << false << true << KeyboardReach::XWaylandWindows;
    QTest::newRow("no Wayland route, no X display") << true << false << false << KeyboardReach::Nowhere;
    QTest::newRow("X session") << false << false << true << KeyboardReach::FocusedWindow;
}

void WaylandTypingTest::keyboardChosenAtStart()
{
    QFETCH(bool, waylandSession);
    QFETCH(bool, compositorUp);
    QFETCH(bool, xServer);
    QFETCH(KeyboardReach, reach);
    if (xServer && xDisplay.isEmpty())
        QSKIP("no X server: DISPLAY is not set");

    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    if (!waylandSession)
        qunsetenv("WAYLAND_DISPLAY");
    else if (!compositorUp)
        qputenv("WAYLAND_DISPLAY", kNoCompositor);
    if (!xServer)
        qputenv("DISPLAY", ":999999");
    if (reach == KeyboardReach::Nowhere)
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^No keyboard to type on")));
    std::unique_ptr<KeyboardDevice> keyboard = createSystemKeyboard();
    qputenv("WAYLAND_DISPLAY", wayland);
    qputenv("DISPLAY", xDisplay);

    QVERIFY(keyboard);
    QCOMPARE(keyboard->reach(), reach);
    const bool wantWayland = waylandSession && compositorUp;
    QCOMPARE(dynamic_cast<WaylandKeyboard *>(keyboard.get()) != nullptr, wantWayland);
    QCOMPARE(dynamic_cast<X11Keyboard *>(keyboard.get()) != nullptr, !wantWayland && xServer);
}

QTEST_GUILESS_MAIN(WaylandTypingTest)
#include "tst_waylandtyping.moc"
