// The key stream read back into characters: the injector types on the
// recording keyboard, and the reader must give back exactly the characters
// of the bytes, as Windows-1252 text with only Tab and Enter of the
// control characters.
#include "keyinjector.h"
#include "keystreamreader.h"
#include "recordingkeyboard.h"
#include "sampletext.h"
#include "typebytes.h"
#include "virtualkeys.h"

#include <QTextCodec>
#include <QtTest>

namespace {

constexpr std::uint32_t kDown = 0;
constexpr std::uint32_t kUp = KeyEventFlag::kKeyUp;
constexpr char32_t kFirstC1Control = 0x7F;
constexpr char32_t kLastC1Control = 0x9F;

// What a Windows desktop shows for the bytes, by Qt's own code page table.
QString windowsText(const QByteArray &bytes)
{
    const QString decoded = QTextCodec::codecForName("Windows-1252")->toUnicode(bytes);
    QString typed;
    for (QChar c : decoded) {
        const bool control = c.unicode() < U' ' || (c.unicode() >= kFirstC1Control && c.unicode() <= kLastC1Control);
        if (!control || c == QLatin1Char('\t') || c == QLatin1Char('\r'))
            typed += c;
    }
    return typed;
}

QString read(const RecordingKeyboard::Events &events, bool capsLockAtStart, unsigned *unreadable = nullptr)
{
    KeyStreamReader reader(capsLockAtStart);
    std::u32string characters;
    for (const RecordedEvent &event : events) {
        if (event.kind == RecordedEvent::Kind::Pause)
            continue;
        const char32_t c = event.kind == RecordedEvent::Kind::Unicode
                               ? reader.unicodeEvent(event.unit, event.flags & KeyEventFlag::kKeyUp)
                               : reader.keyEvent(event.virtualKey, event.flags);
        if (c != KeyStreamReader::kNoCharacter)
            characters += c;
    }
    if (unreadable)
        *unreadable = reader.unreadableAltCodes();
    return QString::fromUcs4(characters.data(), int(characters.size()));
}

QByteArray allBytes()
{
    QByteArray bytes;
    for (int b = 1; b < 256; ++b)
        bytes.append(char(b));
    return bytes;
}

} // namespace

class KeyStreamReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatWasTyped_data();
    void readsWhatWasTyped();
    void typedCharacterOfEveryByte();
    void readsUnicodeText_data();
    void readsUnicodeText();
    void shiftAndCapsLockTogether_data();
    void shiftAndCapsLockTogether();
    void altCodesThatNameNothing_data();
    void altCodesThatNameNothing();
};

void KeyStreamReaderTest::readsWhatWasTyped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("capsLockAtStart");
    for (bool caps : {false, true}) {
        const char *state = caps ? "Caps Lock on" : "Caps Lock off";
        QTest::addRow("printable ASCII, %s", state) << sampletext::printableAscii() << caps;
        QTest::addRow("Spanish letters, %s", state) << sampletext::spanishLetters() << caps;
        QTest::addRow("every byte, %s", state) << allBytes() << caps;
        QTest::addRow("500 mixed, %s", state) << sampletext::mixed(500, caps ? 5 : 6) << caps;
    }
}

void KeyStreamReaderTest::readsWhatWasTyped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, capsLockAtStart);
    RecordingKeyboard keyboard(capsLockAtStart);
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    typeBytes(injector, bytes);
    const QString actual = read(keyboard.events(), capsLockAtStart);
    const QString expected = windowsText(bytes);
    QVERIFY2(actual == expected, qPrintable(sampletext::firstDifference(actual, expected)));
}

// A text typed by its characters reads back as itself: ASCII through the
// keys, the rest by value, surrogate pairs joined.
void KeyStreamReaderTest::readsUnicodeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("capsLockAtStart");
    for (bool caps : {false, true}) {
        for (const QString &text : sampletext::unicodeTexts())
            QTest::addRow("%s, %s", qPrintable(text.left(8)), caps ? "Caps Lock on" : "Caps Lock off") << text << caps;
    }
}

void KeyStreamReaderTest::readsUnicodeText()
{
    QFETCH(QString, text);
    QFETCH(bool, capsLockAtStart);
    RecordingKeyboard keyboard(capsLockAtStart);
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    typeText(injector, text);
    const QString actual = read(keyboard.events(), capsLockAtStart);
    QVERIFY2(actual == text, qPrintable(sampletext::firstDifference(actual, text)));
    QCOMPARE(keyboard.capsLockOn(), capsLockAtStart);
}

// A device that maps its keys before the first event relies on this.
void KeyStreamReaderTest::typedCharacterOfEveryByte()
{
    for (int b = 0; b < 256; ++b) {
        const QString expected = windowsText(QByteArray(1, char(b)));
        const char32_t c = typedCharacter(static_cast<unsigned char>(b));
        const QString actual = c == KeyStreamReader::kNoCharacter ? QString() : QString::fromUcs4(&c, 1);
        QVERIFY2(actual == expected, qPrintable(QStringLiteral("byte %1").arg(b, 2, 16, QLatin1Char('0'))));
    }
}

void KeyStreamReaderTest::shiftAndCapsLockTogether_data()
{
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<int>("virtualKey");
    QTest::addColumn<QString>("expected");
    QTest::newRow("letter") << false << false << int(vk::kLetterA) << "a";
    QTest::newRow("Shift") << false << true << int(vk::kLetterA) << "A";
    QTest::newRow("Caps Lock") << true << false << int(vk::kLetterA) << "A";
    QTest::newRow("Shift under Caps Lock") << true << true << int(vk::kLetterA) << "a";
    QTest::newRow("digit under Caps Lock") << true << false << int('7') << "7";
    QTest::newRow("shifted digit under Caps Lock") << true << true << int('7') << "&";
    QTest::newRow("keypad digit without Alt") << false << false << int(vk::kNumpad0 + 4) << "4";
}

void KeyStreamReaderTest::shiftAndCapsLockTogether()
{
    QFETCH(bool, capsLock);
    QFETCH(bool, shift);
    QFETCH(int, virtualKey);
    QFETCH(QString, expected);
    RecordingKeyboard::Events events;
    if (shift)
        events.push_back(RecordedEvent::key(vk::kShift, 0, kDown));
    events.push_back(RecordedEvent::key(std::uint8_t(virtualKey), 0, kDown));
    events.push_back(RecordedEvent::key(std::uint8_t(virtualKey), 0, kUp));
    if (shift)
        events.push_back(RecordedEvent::key(vk::kShift, 0, kUp));
    QCOMPARE(read(events, capsLock), expected);
}

void KeyStreamReaderTest::altCodesThatNameNothing_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<unsigned>("unreadable");
    QTest::newRow("N tilde") << "00209" << QString::fromUtf8("Ñ") << 0u;
    QTest::newRow("euro, not Latin-1") << "00128" << QString::fromUtf8("€") << 0u;
    QTest::newRow("unassigned 81") << "00129" << QString() << 1u;
    QTest::newRow("unassigned 9D") << "00157" << QString() << 1u;
    QTest::newRow("OEM code page form") << "165" << QString() << 1u;
    QTest::newRow("Alt tapped alone") << "" << QString() << 0u;
}

void KeyStreamReaderTest::altCodesThatNameNothing()
{
    QFETCH(QString, digits);
    QFETCH(QString, expected);
    QFETCH(unsigned, unreadable);
    RecordingKeyboard::Events events{RecordedEvent::key(vk::kMenu, 0, kDown)};
    for (QChar digit : digits) {
        const auto key = std::uint8_t(vk::kNumpad0 + digit.digitValue());
        events.push_back(RecordedEvent::key(key, 0, kDown));
        events.push_back(RecordedEvent::key(key, 0, kUp));
    }
    events.push_back(RecordedEvent::key(vk::kMenu, 0, kUp));
    unsigned counted = 0;
    QCOMPARE(read(events, false, &counted), expected);
    QCOMPARE(counted, unreadable);
}

QTEST_GUILESS_MAIN(KeyStreamReaderTest)
#include "tst_keystreamreader.moc"
