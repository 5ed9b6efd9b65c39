#include "altcode.h"
#include "injectorcases.h"
#include "keyinjector.h"
#include "pausehookkeyboard.h"
#include "recordingkeyboard.h"
#include "typebytes.h"
#include "uslayout.h"

#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

Q_DECLARE_METATYPE(RecordingKeyboard::Events)

namespace {

// What a recorder behind the device that runs a task in the pauses records
// of a text, and how often the task ran.
RecordingKeyboard::Events typedBehindPauseHook(bool capsLock, const std::function<void(KeyInjector &)> &type,
                                               int *tasks)
{
    RecordingKeyboard behind(capsLock);
    PauseHookKeyboard hooked(behind, [tasks] { ++*tasks; });
    KeyInjector injector(hooked);
    injector.initKeyTable();
    type(injector);
    return behind.events();
}

int pauses(const RecordingKeyboard::Events &events)
{
    return int(std::count_if(events.begin(), events.end(),
                             [](const RecordedEvent &e) { return e.kind == RecordedEvent::Kind::Pause; }));
}

} // namespace

class KeyInjectorTest : public QObject
{
    Q_OBJECT

private slots:
    void recordedStream_data();
    void recordedStream();
    void capsLockRestored_data();
    void capsLockRestored();
    void keyTableEntries_data();
    void keyTableEntries();
    void silentUntilKeyTableFilled();
    void outOfRangeCharactersTypeNothing_data();
    void outOfRangeCharactersTypeNothing();
    void altCodeOfZeroOnlyTapsAlt();
    void typeBytesPassesEveryByte();
    void nullBufferTypesNothing();
    void unicodeTextStream_data();
    void unicodeTextStream();
    void deviceHearsTheWholeTextFirst();
    void keyTableReadBackAsCharacters();
    void altCodeReadBack();
    void altCodeReaderRefusesOtherForms_data();
    void altCodeReaderRefusesOtherForms();
};

void KeyInjectorTest::recordedStream_data()
{
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<RecordingKeyboard::Events>("expected");
    for (const InjectorCase &c : injectorCases())
        QTest::newRow(c.name) << c.capsLockAtStart << QByteArray(c.bytes.data(), int(c.bytes.size())) << c.expected;
}

void KeyInjectorTest::recordedStream()
{
    QFETCH(bool, capsLock);
    QFETCH(QByteArray, bytes);
    QFETCH(RecordingKeyboard::Events, expected);
    QCOMPARE(typeOnRecorder(bytes.toStdString(), capsLock), expected);
    // The same through the device that reads the port in the pauses.
    int tasks = 0;
    QCOMPARE(typedBehindPauseHook(capsLock, [&](KeyInjector &injector) { typeBytes(injector, bytes); }, &tasks),
             expected);
    QCOMPARE(tasks, pauses(expected));
}

void KeyInjectorTest::capsLockRestored_data()
{
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray mixed("Perez, juan 12 \xD1o\xF1" "A?b");
    QTest::newRow("off, mixed text") << false << mixed;
    QTest::newRow("on, mixed text") << true << mixed;
    QTest::newRow("off, ends on a capital") << false << QByteArray("aZ");
    QTest::newRow("on, ends on a lower-case letter") << true << QByteArray("Az");
}

void KeyInjectorTest::capsLockRestored()
{
    QFETCH(bool, capsLock);
    QFETCH(QByteArray, bytes);
    bool atEnd = !capsLock;
    typeOnRecorder(bytes.toStdString(), capsLock, &atEnd);
    QCOMPARE(atEnd, capsLock);
}

void KeyInjectorTest::keyTableEntries_data()
{
    QTest::addColumn<int>("character");
    QTest::addColumn<int>("entry");
    const auto shift = [](int key) { return ~key; };
    QTest::newRow("a") << int('a') << 0x41;
    QTest::newRow("z") << int('z') << 0x5A;
    QTest::newRow("A") << int('A') << shift(0x41);
    QTest::newRow("0") << int('0') << 0x30;
    QTest::newRow("9") << int('9') << 0x39;
    QTest::newRow("!") << int('!') << shift(0x31);
    QTest::newRow("@") << int('@') << shift(0x32);
    QTest::newRow(")") << int(')') << shift(0x30);
    QTest::newRow("-") << int('-') << 0xBD;
    QTest::newRow("_") << int('_') << shift(0xBD);
    QTest::newRow("+") << int('+') << shift(0xBB);
    QTest::newRow(":") << int(':') << shift(0xBA);
    QTest::newRow("~") << int('~') << shift(0xC0);
    QTest::newRow("{") << int('{') << shift(0xDB);
    QTest::newRow("|") << int('|') << shift(0xDC);
    QTest::newRow("]") << int(']') << 0xDD;
    QTest::newRow("\"") << int('"') << shift(0xDE);
    QTest::newRow("<") << int('<') << shift(0xBC);
    QTest::newRow(".") << int('.') << 0xBE;
    QTest::newRow("tab") << 9 << 0x09;
    QTest::newRow("carriage return") << 13 << 0x0D;
    QTest::newRow("space") << 32 << 0x20;
    QTest::newRow("NUL") << 0 << 0;
    QTest::newRow("backspace") << 8 << 0;
    QTest::newRow("line feed") << 10 << 0;
    QTest::newRow("escape") << 27 << 0;
    QTest::newRow("DEL") << 127 << 0;
}

void KeyInjectorTest::keyTableEntries()
{
    QFETCH(int, character);
    QFETCH(int, entry);
    RecordingKeyboard keyboard;
    KeyInjector injector(keyboard);
    QCOMPARE(injector.keyTable()[std::size_t(character)], 0);
    injector.initKeyTable();
    QCOMPARE(injector.keyTable()[std::size_t(character)], entry);
}

// The main window's composer runs once before the table is filled, with
// nothing but separators to type: that run must stay silent.
void KeyInjectorTest::silentUntilKeyTableFilled()
{
    RecordingKeyboard keyboard;
    KeyInjector injector(keyboard);
    typeBytes(injector, QByteArray("\t\r ?;"));
    if (keyboard.hasKeyEvents())
        QFAIL(std::unique_ptr<char[]>(toString(keyboard.events())).get());
    injector.initKeyTable();
    typeBytes(injector, QByteArray("\t"));
    QVERIFY(keyboard.hasKeyEvents());
}

void KeyInjectorTest::outOfRangeCharactersTypeNothing_data()
{
    QTest::addColumn<int>("character");
    QTest::newRow("negative") << -1;
    QTest::newRow("most negative") << std::numeric_limits<int>::min();
    QTest::newRow("128") << 128;
    QTest::newRow("0xD1 as an int") << 0xD1;
    QTest::newRow("large") << 100000;
}

void KeyInjectorTest::outOfRangeCharactersTypeNothing()
{
    QFETCH(int, character);
    RecordingKeyboard keyboard;
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    injector.pressMappedKey(character);
    QCOMPARE(keyboard.events(), RecordingKeyboard::Events{});
}

void KeyInjectorTest::altCodeOfZeroOnlyTapsAlt()
{
    RecordingKeyboard keyboard;
    KeyInjector injector(keyboard);
    injector.typeAltCode(0);
    const RecordingKeyboard::Events expected{RecordedEvent::key(0x12, 0, 1), RecordedEvent::key(0x12, 0, 3)};
    QCOMPARE(keyboard.events(), expected);
}

// Zero bytes inside the QByteArray still count: each costs its pause.
void KeyInjectorTest::typeBytesPassesEveryByte()
{
    RecordingKeyboard keyboard;
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    typeBytes(injector, QByteArray("\0\0a", 3));
    QCOMPARE(keyboard.events(), typeOnRecorder(std::string("\0\0a", 3), false));
    const RecordingKeyboard::Events events = keyboard.events();
    const auto pauses = std::count(events.begin(), events.end(),
                                   RecordedEvent::sleep(KeyInjector::kPerBytePause));
    QCOMPARE(pauses, 3);
}

void KeyInjectorTest::nullBufferTypesNothing()
{
    RecordingKeyboard keyboard;
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    injector.typeBuffer(nullptr, 5);
    QCOMPARE(keyboard.events(), RecordingKeyboard::Events{});
}

// A text of characters: ASCII by the rules of its bytes, everything else by
// value, each code unit down and up, after the same pause.
void KeyInjectorTest::unicodeTextStream_data()
{
    using E = RecordedEvent;
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<QString>("text");
    QTest::addColumn<RecordingKeyboard::Events>("expected");
    const E pause = E::sleep(KeyInjector::kPerBytePause);
    const auto byValue = [](char16_t unit) {
        return RecordingKeyboard::Events{E::unicode(unit, false), E::unicode(unit, true)};
    };
    const auto join = [](std::initializer_list<RecordingKeyboard::Events> parts) {
        RecordingKeyboard::Events all;
        for (const auto &part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    const QString ascii = QStringLiteral("Perez, juan 12 A?b\t\r");
    QTest::newRow("ASCII as its bytes") << true << ascii << typeOnRecorder(ascii.toStdString(), true);
    QTest::newRow("N tilde by value") << false << QString::fromUtf8("Ñ") << join({{pause}, byValue(0xD1)});
    QTest::newRow("beyond U+FFFF as its surrogates")
        << false << QString::fromUtf8("😀") << join({{pause}, byValue(0xD83D), byValue(0xDE00)});
    QTest::newRow("C1 control types nothing") << false << QString(QChar(0x85)) << RecordingKeyboard::Events{pause};
    const RecordingKeyboard::Events capsToggle{E::key(0x14, 0, 1), E::key(0x14, 0, 3)};
    QTest::newRow("Caps Lock put back after a character by value")
        << true << QString::fromUtf8("aé")
        << join({{pause}, capsToggle, {E::key('A', 0, 1), E::key('A', 0, 3)}, {pause}, byValue(0xE9), capsToggle});
}

void KeyInjectorTest::unicodeTextStream()
{
    QFETCH(bool, capsLock);
    QFETCH(QString, text);
    QFETCH(RecordingKeyboard::Events, expected);
    RecordingKeyboard keyboard(capsLock);
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    typeText(injector, text);
    QCOMPARE(keyboard.events(), expected);
    QCOMPARE(keyboard.texts().size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(keyboard.texts()[0].bytes), text); // announced whole, as UTF-8
    int tasks = 0;
    QCOMPARE(typedBehindPauseHook(capsLock, [&](KeyInjector &hooked) { typeText(hooked, text); }, &tasks), expected);
    QCOMPARE(tasks, pauses(expected));
}

// A device that maps characters on demand is told the whole text before its
// first event (Caps Lock read aside) and told when the last one has gone.
void KeyInjectorTest::deviceHearsTheWholeTextFirst()
{
    RecordingKeyboard keyboard(true);
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    const QByteArray text("\xD1" "a\0b", 4);
    typeBytes(injector, text);
    typeBytes(injector, QByteArray());
    QCOMPARE(keyboard.texts().size(), std::size_t(2));
    const RecordingKeyboard::Text &first = keyboard.texts()[0];
    QCOMPARE(QByteArray::fromStdString(first.bytes), text);
    QCOMPARE(first.eventsAtBegin, std::size_t(0));
    QVERIFY(first.ended);
    QCOMPARE(first.eventsAtEnd, typeOnRecorder(text.toStdString(), true).size());
    QVERIFY(keyboard.texts()[1].bytes.empty());
    QVERIFY(keyboard.texts()[1].ended);
}

// The keyboards read the rules' keys back as characters: every entry of the
// key table must give its own character again.
void KeyInjectorTest::keyTableReadBackAsCharacters()
{
    RecordingKeyboard keyboard;
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    for (int c = 1; c < int(KeyInjector::kTableSize); ++c) {
        const std::int32_t entry = injector.keyTable()[std::size_t(c)];
        if (entry == 0)
            continue;
        const bool shifted = entry < 0;
        const auto key = static_cast<std::uint8_t>(shifted ? (~entry & 0xFF) : entry);
        QCOMPARE(int(usLayoutCharacter(key, shifted, shifted)), c);
    }
}

void KeyInjectorTest::altCodeReadBack()
{
    for (int byte = 1; byte < 256; ++byte) {
        AltCodeReader reader;
        reader.altDown();
        for (unsigned digit : altCodeDigits(static_cast<unsigned char>(byte)))
            reader.digit(digit);
        QCOMPARE(reader.altUp(), byte);
    }
}

void KeyInjectorTest::altCodeReaderRefusesOtherForms_data()
{
    QTest::addColumn<bool>("altHeld");
    QTest::addColumn<QString>("digits");
    QTest::newRow("no digits") << true << QString();
    QTest::newRow("OEM code page form, no leading zero") << true << QStringLiteral("209");
    QTest::newRow("digits without Alt") << false << QStringLiteral("0209");
}

void KeyInjectorTest::altCodeReaderRefusesOtherForms()
{
    QFETCH(bool, altHeld);
    QFETCH(QString, digits);
    AltCodeReader reader;
    if (altHeld)
        reader.altDown();
    for (QChar digit : digits)
        reader.digit(unsigned(digit.digitValue()));
    QCOMPARE(reader.altUp(), -1);
}

QTEST_GUILESS_MAIN(KeyInjectorTest)
#include "tst_keyinjector.moc"
