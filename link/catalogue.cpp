#include "catalogue.h"

#include <vector>

namespace {

constexpr quint8 kSetFlag = 0x01;
constexpr quint8 kFlagZero = 0x00;
constexpr int kByteShift = 8;
constexpr int kByteMask = 0xFF;
constexpr int kHexBase = 16;
constexpr int kHexDigitsPerByte = 2;

const QString kStartDecoding = QStringLiteral("5700 18 00 5500");
const QString kStopDecoding = QStringLiteral("5700 19 00 5500");

struct SettingValue
{
    quint16 value;
    const char *caption;
    quint8 flag = kSetFlag;
};

// One parameter of the scanner: its set entries in this order, then its
// query entry when it has one.
struct ParameterGroup
{
    quint16 id;
    const char *setting;
    std::vector<SettingValue> values;
    bool queryable = true;
};

// Entries whose texts the scanner's documentation writes differently from
// the grammar; they are kept exactly as written there. The two-space ones
// convert to other parameters than their captions name (only one space is
// ever skipped), and 173 carries a remark that the setting cannot be queried.
struct TextDeparture
{
    int entry;
    const char *text;
};
const TextDeparture kTextDepartures[] = {
    {167, "5700 16  0430 00 5500"},
    {170, "5700 16  0530 00 5500"},
    {173, "5700 16  0630 00 5500---不能查询"},
    {368, "5700 17 0A30 AA05 0000 5500"},
};

// Caption 190 repeats caption 160, and 318 and 352 begin with a slash: the
// documentation's captions stand so.
constexpr int kRepeatedCaptionEntry = 190;
constexpr int kRepeatedCaptionSource = 160;
constexpr int kSlashCaptionEntries[] = {318, 352};

const std::vector<SettingValue> kOffOn = {{0, "off"}, {1, "on"}};
const std::vector<SettingValue> kNotSentSent = {{0, "not sent"}, {1, "sent"}};
const std::vector<SettingValue> kExecute = {{0, "execute"}};
const std::vector<SettingValue> kMinimumLength = {{0, "0"}};
const std::vector<SettingValue> kMaximumLength = {{0x50, "80"}};
const std::vector<SettingValue> kCheckDigit = {{0, "off"}, {1, "verified, not sent"}, {2, "verified and sent"}};
const std::vector<SettingValue> kPosition = {{0, "off"}, {1, "before the data"}, {2, "after the data"}};

const std::vector<ParameterGroup> &parameterGroups()
{
    static const std::vector<ParameterGroup> groups = {
        {0x8503, "firmware version", {}},
        {0x3000, "restore the level-two parameters", kExecute, false},
        {0x3002, "save the user configuration", kExecute, false},
        {0x3001, "restore the user configuration", kExecute, false},
        {0x3003, "configuration barcodes", {{1, "on"}, {0, "off"}}, false},
        {0x000C, "escaping of control characters", kOffOn},
        {0x000B, "line-break handling", {{0, "CR only"}, {1, "LF only"}, {2, "both CR and LF"}}},
        {0x000D, "case conversion", {{0, "none"}, {1, "invert case"}, {2, "all upper case"}, {3, "all lower case"}}},
        {0x0003, "keyboard output speed", {{0, "slow"}, {1, "medium"}, {2, "fast"}}},
        {0x0004, "keyboard country layout",
         {{103, "US English"},         {189, "French (France)"},      {129, "German (Germany)"},
          {293, "Italian"},            {142, "Italian 142"},          {194, "Japanese"},
          {173, "Spanish"},            {171, "Spanish (Latin America)"}, {153, "Finnish"},
          {1001, "Russian"},           {1002, "Russian typewriter"},  {1003, "Arabic"},
          {1004, "Irish"},             {214, "Polish"},               {1005, "Polish programmer"},
          {143, "Dutch"},              {243, "Czech QWERTZ"},         {163, "Portuguese (Portugal)"},
          {275, "Portuguese (Brazil)"}, {285, "Swedish"},             {179, "Turkish Q"},
          {440, "Turkish F"},          {1006, "Greek"},               {120, "Belgian"},
          {166, "United Kingdom"}}},
        {0x0057, "virtual keyboard", {{0, "off"}, {1, "mode 1"}, {2, "mode 2"}, {3, "mode 3"}}},
        {0x0084, "replacement of the GS character",
         {{0, "none"}, {1, "the character Ç"}, {2, "the vertical bar"}, {3, "the two characters ^]"},
          {4, "the character ]"}, {5, "the text <GS>"}}},
        {0x0002, "character encoding of the output",
         {{0, "English"}, {1, "GBK (plain-text editors, spreadsheets)"}, {2, "Simplified Chinese (word processor)"},
          {3, "Traditional Chinese"}}},
        {0x000E, "invoice function", kOffOn},
        {0x000F, "invoice format",
         {{0, "special invoice, four items output"}, {1, "ordinary invoice, two items output"}}},
        {0x0054, "scanner baud rate",
         {{0, "4800"}, {1, "9600"}, {2, "19200"}, {3, "38400"}, {4, "57600"}, {5, "115200"}}},
        {0x0056, "scanner data format",
         {{0, "7 data bits, 1 stop bit, no parity"}, {1, "7 data bits, 1 stop bit, even parity"},
          {2, "7 data bits, 1 stop bit, odd parity"}, {3, "7 data bits, 2 stop bits, no parity"},
          {4, "7 data bits, 2 stop bits, even parity"}, {5, "7 data bits, 2 stop bits, odd parity"},
          {6, "8 data bits, 1 stop bit, no parity"}, {7, "8 data bits, 1 stop bit, even parity"},
          {8, "8 data bits, 1 stop bit, odd parity"}, {9, "8 data bits, 2 stop bits, no parity"},
          {10, "8 data bits, 2 stop bits, even parity"}, {11, "8 data bits, 2 stop bits, odd parity"}}},
        {0x0020, "scan mode", {{0, "manual"}, {3, "auto-sensing"}}},
        {0x0024, "repeated-code detection time", {{0, "500 ms"}, {1, "750 ms"}, {2, "1 s"}, {3, "2 s"}}},
        {0x0051, "decoding interval in auto-trigger mode",
         {{0, "100 ms"}, {1, "300 ms"}, {2, "500 ms"}, {3, "600 ms"}, {4, "800 ms"}, {5, "1 s"}, {6, "2 s"},
          {7, "5 s"}, {8, "10 s"}}},
        {0x0050, "illumination while waiting for activation", {{0, "off"}, {1, "low"}}},
        {0x0018, "good-read LED", kOffOn},
        {0x0012, "volume", {{1, "low"}, {3, "high"}}},
        {0x0010, "power-on beep", kOffOn},
        {0x0011, "good-read beep", kOffOn},
        {0x0013, "good-read beep frequency", {{1, "frequency 1"}, {2, "frequency 2"}, {3, "frequency 3"}}},
        {0x0015, "good-read beep duration", {{0, "long"}, {1, "short"}}},
        {0x0014, "error beep frequency", {{1, "low"}, {2, "medium"}, {3, "high"}}},
        {0x0005, "start character", {{0, "none"}, {1, "STX (0x02)"}}},
        {0x0006, "terminator",
         {{0, "none"}, {1, "CR (0x0D)"}, {2, "LF (0x0A)"}, {3, "CR LF"}, {4, "TAB (0x09)"}, {5, "ETX (0x03)"}}},
        {0x0007, "Code ID", kPosition},
        {0x0008, "AIM ID", kPosition},
        {0x0009, "order of the prefix part",
         {{0, "start, Code ID, AIM ID, prefix"}, {1, "start, prefix, Code ID, AIM ID"}}},
        {0x000A, "order of the suffix part",
         {{0, "suffix, Code ID, AIM ID, terminator"}, {1, "Code ID, AIM ID, suffix, terminator"}}},
        {0x0026, "inverse (light-on-dark) barcodes", {{0, "normal only"}, {1, "inverse only"}, {2, "both"}}},
        {0x3004, "all symbologies", kOffOn},
        {0x3005, "all 1D symbologies", kOffOn},
        {0x3006, "all 2D symbologies", kOffOn},
        {0x0027, "Codabar", kOffOn},
        {0x0028, "Codabar start/stop characters", kNotSentSent},
        {0x0066, "Codabar minimum length", kMinimumLength},
        {0x0067, "Codabar maximum length", kMaximumLength},
        {0x0029, "Code 39", kOffOn},
        {0x002A, "Code 39 check digit", kCheckDigit},
        {0x0060, "Code 39 Full ASCII", kOffOn},
        {0x0068, "Code 39 minimum length", kMinimumLength},
        {0x0069, "Code 39 maximum length", kMaximumLength},
        {0x0046, "Code 32", kOffOn},
        {0x004B, "Code 32 prefix", kOffOn},
        {0x002B, "Interleaved 2 of 5", kOffOn},
        {0x002C, "Interleaved 2 of 5 check digit", kCheckDigit},
        {0x002D, "Interleaved 2 of 5 decoding length",
         {{0, "any length (4 to 24 digits)"}, {1, "6 digits"}, {2, "8 digits"}, {3, "10 digits"},
          {4, "12 digits"}, {5, "14 digits"}, {6, "16 digits"}, {7, "18 digits", kFlagZero},
          {8, "20 digits"}, {9, "22 digits"}, {0x10, "24 digits"}}},
        {0x006E, "Interleaved 2 of 5 minimum length", kMinimumLength},
        {0x006F, "Interleaved 2 of 5 maximum length", kMaximumLength},
        {0x0049, "Industrial 2 of 5", kOffOn},
        {0x0070, "Industrial 2 of 5 minimum length", kMinimumLength},
        {0x0071, "Industrial 2 of 5 maximum length", kMaximumLength},
        {0x004A, "Matrix 2 of 5", kOffOn},
        {0x0072, "Matrix 2 of 5 minimum length", kMinimumLength},
        {0x0073, "Matrix 2 of 5 maximum length", kMaximumLength},
        {0x002E, "Code 93", kOffOn},
        {0x006A, "Code 93 minimum length", kMinimumLength},
        {0x006B, "Code 93 maximum length", kMaximumLength},
        {0x002F, "Code 128", kOffOn},
        {0x0031, "GS1-128", kOffOn},
        {0x0030, "ISBT", kOffOn},
        {0x006C, "Code 128 minimum length", kMinimumLength},
        {0x006D, "Code 128 maximum length", kMaximumLength},
        {0x0063, "Code 11", kOffOn},
        {0x0064, "Code 11 check digit transmission", kNotSentSent},
        {0x0065, "Code 11 check digits", {{0, "none"}, {1, "one"}, {2, "two"}}},
        {0x0074, "Code 11 minimum length", kMinimumLength},
        {0x0075, "Code 11 maximum length", kMaximumLength},
        {0x0032, "UPC-A", kOffOn},
        {0x0033, "UPC-A check digit", kNotSentSent},
        {0x0061, "UPC-A converted to EAN-13", kOffOn},
        {0x0034, "UPC-E", kOffOn},
        {0x0035, "UPC-E check digit", kNotSentSent},
        {0x0062, "UPC-E converted to UPC-A", kOffOn},
        {0x003A, "EAN/JAN-8", kOffOn},
        {0x007A, "EAN-8 check digit", kNotSentSent},
        {0x0039, "EAN/JAN-13", kOffOn},
        {0x0079, "EAN-13 check digit", kNotSentSent},
        {0x0038, "UPC/EAN/JAN add-on code", {{0, "ignore"}, {1, "decode the add-on"}, {2, "auto-discriminate"}}},
        {0x0047, "EAN-13 converted to ISBN", kOffOn},
        {0x0048, "EAN-13 converted to ISSN", kOffOn},
        {0x003B, "GS1 DataBar (RSS-14)", kOffOn},
        {0x003C, "GS1 DataBar Limited", kOffOn},
        {0x003D, "GS1 DataBar Expanded", kOffOn},
        {0x003E, "PDF417", kOffOn},
        {0x003F, "MicroPDF417", kOffOn},
        {0x0040, "QR Code", kOffOn},
        {0x0041, "Micro QR", kOffOn},
        {0x0043, "Data Matrix", kOffOn},
        {0x0044, "Aztec", kOffOn},
        {0x0086, "MSI", kOffOn},
        {0x0087, "MSI check digit", kOffOn},
        {0x0088, "MSI check digit transmission", kOffOn},
        {0x0089, "MSI double check digit", {{0, "MOD10/11"}, {1, "MOD10/10"}}},
        {0x008A, "MSI minimum length", kMinimumLength},
        {0x008B, "MSI maximum length", {{4, "4"}}},
        {0x0081, "Febraban on Interleaved 2 of 5", kOffOn},
        {0x0082, "Febraban on Code 128", kOffOn},
        {0x0083, "Febraban check", kOffOn},
        {0x8501, "serial number", {}},
        {0x300A, "", {{0x05AA, "", kFlagZero}}, false},
        {0x8500, "model name", {}},
    };
    return groups;
}

// A 16-bit protocol number as it goes on the wire: low byte first.
QString wireHex(quint16 number)
{
    const auto hexByte = [](int byte) {
        return QStringLiteral("%1").arg(byte, kHexDigitsPerByte, kHexBase, QLatin1Char('0')).toUpper();
    };
    return hexByte(number & kByteMask) + hexByte((number >> kByteShift) & kByteMask);
}

QString setCommand(quint16 id, const SettingValue &value)
{
    return QStringLiteral("5700 17 %1 %2 %3 005500")
        .arg(wireHex(id), wireHex(value.value),
             QStringLiteral("%1").arg(value.flag, kHexDigitsPerByte, kHexBase, QLatin1Char('0')));
}

QString queryCommand(quint16 id) { return QStringLiteral("5700 16 %1 00 5500").arg(wireHex(id)); }

QStringList &commands()
{
    static QStringList list;
    return list;
}

QStringList &labels()
{
    static QStringList list;
    return list;
}

// Appends one entry; captions are numbered from 1.
void addEntry(const QString &command, const QString &description)
{
    commands() << command;
    if (labels().size() < kCatalogueLabelCount)
        labels() << QStringLiteral("%1 %2").arg(commands().size()).arg(description);
}

} // namespace

void buildCommandCatalogue()
{
    commands().clear();
    labels().clear();
    addEntry(kStartDecoding, QStringLiteral("start decoding"));
    addEntry(kStopDecoding, QStringLiteral("stop decoding"));
    for (const ParameterGroup &group : parameterGroups()) {
        const QString setting = QString::fromUtf8(group.setting);
        for (const SettingValue &value : group.values)
            addEntry(setCommand(group.id, value),
                     QStringLiteral("set %1: %2").arg(setting, QString::fromUtf8(value.caption)));
        if (group.queryable)
            addEntry(queryCommand(group.id), QStringLiteral("query %1").arg(setting));
    }
    for (const TextDeparture &departure : kTextDepartures)
        commands()[departure.entry] = QString::fromUtf8(departure.text);
    labels()[kRepeatedCaptionEntry] = labels().at(kRepeatedCaptionSource);
    for (int entry : kSlashCaptionEntries)
        labels()[entry].prepend(QLatin1Char('/'));
}

const QStringList &catalogueCommands() { return commands(); }

const QStringList &catalogueLabels() { return labels(); }
