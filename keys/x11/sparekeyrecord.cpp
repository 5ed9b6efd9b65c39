#include "sparekeyrecord.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace {

const QString kFolderName = QStringLiteral("quillon");
// spare-keys-<display>-<process id>-<keyboard of that process>
const QString kFilePrefix = QStringLiteral("spare-keys-");
const QChar kNamePartSeparator = QLatin1Char('-');
constexpr int kNamePartsAfterDisplay = 2;
// One line a keycode: its number, the symbols written, the symbols it had
// ("-" for none), the symbols in hex and separated by commas.
const QChar kFieldSeparator = QLatin1Char(' ');
const QChar kSymbolSeparator = QLatin1Char(',');
const QString kNoSymbols = QStringLiteral("-");
constexpr int kFieldsPerLine = 3;
constexpr int kHex = 16;

// Several keyboards of one process (the tests open some) keep apart.
std::atomic<int> keyboardsOpened{0};

bool processRuns(pid_t pid)
{
    return kill(pid, 0) == 0 || errno == EPERM;
}

QString symbolsText(const std::vector<KeysymValue> &symbols)
{
    if (symbols.empty())
        return kNoSymbols;
    QStringList parts;
    for (KeysymValue symbol : symbols)
        parts << QString::number(symbol, kHex);
    return parts.join(kSymbolSeparator);
}

bool parseSymbols(const QString &text, std::vector<KeysymValue> *symbols)
{
    symbols->clear();
    if (text == kNoSymbols)
        return true;
    for (const QString &part : text.split(kSymbolSeparator)) {
        bool ok = false;
        symbols->push_back(static_cast<KeysymValue>(part.toULong(&ok, kHex)));
        if (!ok)
            return false;
    }
    return true;
}

// A damaged line is skipped: better a keycode left changed than one
// cleared that was never ours.
std::vector<WrittenKeycode> readFile(const QString &path)
{
    std::vector<WrittenKeycode> keycodes;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keycodes;
    while (!file.atEnd()) {
        const QStringList fields = QString::fromLatin1(file.readLine()).trimmed().split(kFieldSeparator);
        WrittenKeycode entry;
        bool ok = fields.size() == kFieldsPerLine;
        if (ok)
            entry.keycode = fields[0].toInt(&ok);
        if (ok && parseSymbols(fields[1], &entry.written) && !entry.written.empty()
            && parseSymbols(fields[2], &entry.original))
            keycodes.push_back(entry);
    }
    return keycodes;
}

} // namespace

SpareKeyRecord::SpareKeyRecord(const std::string &displayName)
{
    QString display = QString::fromStdString(displayName);
    for (QChar &c : display) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('.') && c != QLatin1Char(':'))
            c = QLatin1Char('_');
    }
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return;
    folder = QDir(runtime).filePath(kFolderName).toStdString();
    displayPart = (kFilePrefix + display + kNamePartSeparator).toStdString();
    ownFile = QDir(QString::fromStdString(folder))
                  .filePath(QString::fromStdString(displayPart) + QString::number(getpid()) + kNamePartSeparator
                            + QString::number(++keyboardsOpened))
                  .toStdString();
}

void SpareKeyRecord::save(const std::vector<WrittenKeycode> &keycodes)
{
    if (ownFile.empty())
        return;
    const QString path = QString::fromStdString(ownFile);
    if (keycodes.empty()) {
        QFile::remove(path);
        return;
    }
    QDir().mkpath(QString::fromStdString(folder));
    QByteArray text;
    for (const WrittenKeycode &entry : keycodes) {
        text += QString::number(entry.keycode).toLatin1() + kFieldSeparator.toLatin1()
                + symbolsText(entry.written).toLatin1() + kFieldSeparator.toLatin1()
                + symbolsText(entry.original).toLatin1() + '\n';
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
}

std::vector<WrittenKeycode> SpareKeyRecord::takeLeftBehind()
{
    std::vector<WrittenKeycode> left;
    if (folder.empty())
        return left;
    const QDir dir(QString::fromStdString(folder));
    const QString prefix = QString::fromStdString(displayPart);
    for (const QString &name : dir.entryList({prefix + QLatin1Char('*')}, QDir::Files)) {
        const QStringList parts = name.mid(prefix.size()).split(kNamePartSeparator);
        bool ok = parts.size() == kNamePartsAfterDisplay;
        const pid_t pid = ok ? static_cast<pid_t>(parts[0].toLong(&ok)) : 0;
        if (!ok || pid <= 0 || pid == getpid() || processRuns(pid))
            continue;
        const std::vector<WrittenKeycode> keycodes = readFile(dir.filePath(name));
        left.insert(left.end(), keycodes.begin(), keycodes.end());
        QFile::remove(dir.filePath(name));
    }
    return left;
}
