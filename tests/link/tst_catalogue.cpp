// The command catalogue: its size, the entries the scanner's manual writes
// in its own way, the two the handshake sends, the grouping of parameters
// and the numbering of the captions.
#include "catalogue.h"
#include "hexcodec.h"

#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

constexpr int kCommandCount = 370;
constexpr int kLabelCount = 368;
constexpr int kParameterGroups = 107;
constexpr int kFirstGroupEntry = 2; // entries 0 and 1 start and stop decoding

QString hexOf(const QByteArray &block) { return QString::fromLatin1(block.toHex(' ')); }

// The parameter id of a query or set text as written (wire order, low byte
// first), read from the text with its blanks removed.
struct ParsedCommand
{
    int opcode;
    int parameterId;
};

ParsedCommand parse(const QString &text)
{
    const QString compact = text.left(text.indexOf(QLatin1Char('-')) < 0 ? text.size() : text.indexOf(QLatin1Char('-')))
                                .remove(QLatin1Char(' '));
    const int low = compact.mid(6, 2).toInt(nullptr, 16);
    const int high = compact.mid(8, 2).toInt(nullptr, 16);
    return {compact.mid(4, 2).toInt(nullptr, 16), low | (high << 8)};
}

constexpr int kQueryOpcode = 0x16;
constexpr int kSetOpcode = 0x17;

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { buildCommandCatalogue(); }
    void sizesSurviveRebuilding();
    void entriesAsWritten_data();
    void entriesAsWritten();
    void handshakeEntries();
    void everyGroupEndsWithItsQuery();
    void captionsNumberTheirEntries();
};

void CatalogueTest::sizesSurviveRebuilding()
{
    QCOMPARE(catalogueCommands().size(), kCommandCount);
    QCOMPARE(catalogueLabels().size(), kLabelCount);
    const QStringList commands = catalogueCommands();
    const QStringList labels = catalogueLabels();
    buildCommandCatalogue();
    QCOMPARE(catalogueCommands(), commands);
    QCOMPARE(catalogueLabels(), labels);
}

void CatalogueTest::entriesAsWritten_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("wire");
    const auto row = [](int entry, const char *text, const char *wire) {
        QTest::addRow("entry %d", entry) << entry << QString::fromUtf8(text) << QByteArray::fromHex(wire);
    };
    row(0, "5700 18 00 5500", "570018005500");
    row(1, "5700 19 00 5500", "570019005500");
    row(2, "5700 16 0385 00 5500", "5700160385005500");
    row(3, "5700 17 0030 0000 01 005500", "5700170030000001005500");
    row(8, "5700 17 0C00 0000 01 005500", "570017 0c00 0000 01005500");
    row(9, "5700 17 0C00 0100 01 005500", "570017 0c00 0100 01005500");
    row(24, "5700 17 0400 6700 01 005500", "570017 0400 6700 01005500");
    row(91, "5700 17 5600 0B00 01 005500", "570017 5600 0b00 01005500");
    row(167, "5700 16  0430 00 5500", "570016004300005500");
    row(170, "5700 16  0530 00 5500", "570016005300005500");
    row(173, "5700 16  0630 00 5500---不能查询", "570016006300005500");
    row(218, "5700 17 2D00 0700 00 005500", "570017 2d00 0700 00005500");
    row(221, "5700 17 2D00 1000 01 005500", "570017 2d00 1000 01005500");
    row(367, "5700 16 0185 00 5500", "5700160185005500");
    row(368, "5700 17 0A30 AA05 0000 5500", "570017 0a30 aa05 00005500");
    row(369, "5700 16 0085 00 5500", "5700160085005500");
}

// The texts stand as the manual writes them, and convert to the bytes that
// go on the line (the doubled spaces shift the pairs, the remark after entry
// 173 converts to nothing more than a zero byte per pair, so only its start
// is compared).
void CatalogueTest::entriesAsWritten()
{
    QFETCH(int, entry);
    QFETCH(QString, text);
    QFETCH(QByteArray, wire);
    QCOMPARE(catalogueCommands().at(entry), text);
    const QByteArray converted = hexTextToBytes(catalogueCommands().at(entry).toLatin1());
    QCOMPARE(hexOf(converted.left(wire.size())), hexOf(wire));
}

void CatalogueTest::handshakeEntries()
{
    QCOMPARE(hexOf(hexTextToBytes(catalogueCommands().at(kVersionQueryEntry).toLatin1())),
             hexOf(QByteArray::fromHex("5700160385005500")));
    QCOMPARE(hexOf(hexTextToBytes(catalogueCommands().at(kModelQueryEntry).toLatin1())),
             hexOf(QByteArray::fromHex("5700160085005500")));
}

// From entry 2 on the entries come in one run per parameter: its settings,
// then its query. Only the five action parameters have no query.
void CatalogueTest::everyGroupEndsWithItsQuery()
{
    const QStringList &commands = catalogueCommands();
    QList<int> groupIds;
    QSet<int> withoutQuery;
    bool queried = false;
    for (int entry = kFirstGroupEntry; entry < commands.size(); ++entry) {
        const ParsedCommand command = parse(commands.at(entry));
        QVERIFY2(command.opcode == kQueryOpcode || command.opcode == kSetOpcode, qPrintable(commands.at(entry)));
        const bool newGroup = groupIds.isEmpty() || groupIds.last() != command.parameterId;
        if (newGroup) {
            if (!groupIds.isEmpty() && !queried)
                withoutQuery.insert(groupIds.last());
            QVERIFY2(!groupIds.contains(command.parameterId),
                     qPrintable(QStringLiteral("parameter %1 appears in two runs, again at entry %2")
                                    .arg(command.parameterId, 4, 16, QLatin1Char('0')).arg(entry)));
            groupIds.append(command.parameterId);
            queried = false;
        }
        QVERIFY2(!queried, qPrintable(QStringLiteral("entry %1 follows the query of its group").arg(entry)));
        queried = command.opcode == kQueryOpcode;
    }
    QCOMPARE(groupIds.size(), kParameterGroups);
    QVERIFY(queried);
    const QSet<int> expectedWithoutQuery{0x3000, 0x3001, 0x3002, 0x3003, 0x300A};
    QCOMPARE(withoutQuery, expectedWithoutQuery);
}

void CatalogueTest::captionsNumberTheirEntries()
{
    const QStringList &labels = catalogueLabels();
    const QRegularExpression numbered(QStringLiteral("^(/?)(\\d+)\\s+\\S"));
    for (int entry = 0; entry < labels.size(); ++entry) {
        const QRegularExpressionMatch match = numbered.match(labels.at(entry));
        QVERIFY2(match.hasMatch(), qPrintable(QStringLiteral("caption %1: %2").arg(entry).arg(labels.at(entry))));
        const bool slashed = entry == 318 || entry == 352;
        QCOMPARE(match.captured(1).isEmpty(), !slashed);
        const int number = entry == 190 ? 161 : entry + 1;
        QCOMPARE(match.captured(2).toInt(), number);
    }
    QCOMPARE(labels.at(190), labels.at(160));
}

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
