// The Windows keyboard against recorded Windows layouts: on a US layout it
// sends exactly what the typing rules send; on the others the window must
// receive exactly the text the rules were given.
#include "injectorcases.h"
#include "keyboard_windows.h"
#include "keyinjector.h"
#include "recordedlayouts.h"
#include "sampletext.h"
#include "typebytes.h"

#include <QTextCodec>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(RecordingKeyboard::Events)

namespace {

using Events = RecordingKeyboard::Events;
using std::chrono::milliseconds;

constexpr unsigned kCyrillicCodePage = 1251;

struct Typed
{
    Events events;
    QString text;
    int deadKeys = 0;
    bool capsLockAtEnd = false;
    std::size_t untyped = 0;
};

const RecordedLayout &layoutNamed(const QString &name)
{
    for (const RecordedLayout &layout : recordedLayouts()) {
        if (name == QLatin1String(layout.name))
            return layout;
    }
    qFatal("no recorded layout %s", qPrintable(name));
}

Typed typeOn(const QString &layoutName, unsigned codePage, bool capsLock, const QByteArray &bytes)
{
    auto input = std::make_unique<RecordedLayoutInput>(layoutNamed(layoutName), codePage, capsLock);
    const RecordedLayoutInput &window = *input;
    WindowsKeyboard keyboard(std::move(input));
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    typeBytes(injector, bytes);
    return Typed{window.events(), QString::fromStdU16String(window.text()), window.deadKeysPressed(),
                 keyboard.capsLockOn(), keyboard.takeUntypedCount()};
}

// What a window holds after these bytes: their Windows-1252 characters.
QString windowText(const QByteArray &bytes)
{
    return QTextCodec::codecForName("Windows-1252")->toUnicode(bytes);
}

RecordedEvent key(std::uint8_t virtualKey, std::uint32_t flags, std::uint8_t scanCode = 0)
{
    return RecordedEvent::key(virtualKey, scanCode, flags);
}

Events altCode(std::initializer_list<int> digits)
{
    constexpr std::uint8_t kScanCodes[] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    Events events{key(0x12, 1)};
    for (int d : digits) {
        events.push_back(key(static_cast<std::uint8_t>(0x60 + d), 0, kScanCodes[d]));
        events.push_back(key(static_cast<std::uint8_t>(0x60 + d), 2, kScanCodes[d]));
    }
    events.push_back(RecordedEvent::sleep(milliseconds{5}));
    events.push_back(key(0x12, 3));
    return events;
}

Events operator+(Events a, const Events &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

class WindowsKeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    void usLayoutKeepsTheRulesStream_data();
    void usLayoutKeepsTheRulesStream();
    void typesOnLayout_data();
    void typesOnLayout();
    void layoutKeys_data();
    void layoutKeys();
    void unassignedByteCountedWhereTypedByUnicode();
};

void WindowsKeyboardTest::usLayoutKeepsTheRulesStream_data()
{
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<QByteArray>("bytes");
    for (const InjectorCase &c : injectorCases())
        QTest::newRow(c.name) << c.capsLockAtStart << QByteArray(c.bytes.data(), int(c.bytes.size()));
    for (bool caps : {false, true}) {
        QTest::addRow("card, Caps Lock %d", caps) << caps << sampletext::cardSample();
        QTest::addRow("printable ASCII, Caps Lock %d", caps) << caps << sampletext::printableAscii();
        QTest::addRow("Spanish letters, Caps Lock %d", caps) << caps << sampletext::spanishLetters();
    }
}

void WindowsKeyboardTest::usLayoutKeepsTheRulesStream()
{
    QFETCH(bool, capsLock);
    QFETCH(QByteArray, bytes);
    const Typed typed = typeOn(QStringLiteral("us"), kWindowsLatin1CodePage, capsLock, bytes);
    QCOMPARE(typed.events, typeOnRecorder(bytes.toStdString(), capsLock));
}

void WindowsKeyboardTest::typesOnLayout_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<unsigned>("codePage");
    QTest::addColumn<bool>("capsLock");
    for (const RecordedLayout &layout : recordedLayouts()) {
        for (unsigned codePage : {kWindowsLatin1CodePage, kCyrillicCodePage}) {
            for (bool caps : {false, true})
                QTest::addRow("%s, code page %u, Caps Lock %s", layout.name, codePage, caps ? "on" : "off")
                    << QString::fromLatin1(layout.name) << codePage << caps;
        }
    }
}

void WindowsKeyboardTest::typesOnLayout()
{
    QFETCH(QString, layout);
    QFETCH(unsigned, codePage);
    QFETCH(bool, capsLock);
    const QByteArray bytes = sampletext::cardSample() + sampletext::printableAscii() + sampletext::spanishLetters()
                             + sampletext::mixed(200, 9);
    const Typed typed = typeOn(layout, codePage, capsLock, bytes);
    QCOMPARE(typed.text, windowText(bytes));
    QCOMPARE(typed.deadKeys, 0);
    QCOMPARE(typed.capsLockAtEnd, capsLock);
    QCOMPARE(typed.untyped, std::size_t(0));
}

// How single characters go out where the layout differs from the rules.
void WindowsKeyboardTest::layoutKeys_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Events>("expected");
    const Events pause{RecordedEvent::sleep(milliseconds{10})};
    const Events capsToggle{key(0x14, 1), key(0x14, 3)};
    QTest::newRow("es: @ is AltGr (Ctrl+Alt) and 2")
        << QStringLiteral("es") << false << QByteArray("@")
        << pause + Events{key(0x11, 0), key(0x12, 0), key(0x32, 1), key(0x32, 3), key(0x12, 2), key(0x11, 2)};
    QTest::newRow("fr: / is Shift and the colon key")
        << QStringLiteral("fr") << false << QByteArray("/")
        << pause + Events{key(0x10, 1), key(0xBF, 1), key(0xBF, 3), key(0x10, 3)};
    QTest::newRow("fr: a digit under the rules' Caps Lock goes out as sent")
        << QStringLiteral("fr") << false << QByteArray("1")
        << pause + capsToggle + Events{key(0x31, 1), key(0x31, 3)} + capsToggle;
    QTest::newRow("fr: a symbol on the digit row under Caps Lock has it taken off")
        << QStringLiteral("fr") << true << QByteArray("-")
        << pause + capsToggle + Events{key(0x36, 1), key(0x36, 3)} + capsToggle;
    QTest::newRow("de: ^ is a dead key, so its Alt code") << QStringLiteral("de") << false << QByteArray("^")
                                                          << pause + altCode({0, 0, 0, 9, 4});
    QTest::newRow("de: Shift held by the rules for ( goes to the 8 key")
        << QStringLiteral("de") << false << QByteArray("(")
        << pause + Events{key(0x10, 1), key(0x38, 1), key(0x38, 3), key(0x10, 3)};
}

void WindowsKeyboardTest::layoutKeys()
{
    QFETCH(QString, layout);
    QFETCH(bool, capsLock);
    QFETCH(QByteArray, bytes);
    QFETCH(Events, expected);
    const Typed typed = typeOn(layout, kWindowsLatin1CodePage, capsLock, bytes);
    QCOMPARE(typed.events, expected);
    QCOMPARE(typed.text, windowText(bytes));
}

void WindowsKeyboardTest::unassignedByteCountedWhereTypedByUnicode()
{
    const Typed typed = typeOn(QStringLiteral("es"), kCyrillicCodePage, false, QByteArray("a\x81" "b"));
    QCOMPARE(typed.text, QStringLiteral("ab"));
    QCOMPARE(typed.untyped, std::size_t(1));
}

QTEST_GUILESS_MAIN(WindowsKeyboardTest)
#include "tst_windowskeyboard.moc"
