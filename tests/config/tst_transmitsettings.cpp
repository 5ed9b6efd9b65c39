#include "transmitsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(contents), qint64(contents.size()));
}

enum class Obstacle { TargetIsFolder, DiskFull, ReadOnly };

#ifndef Q_OS_WIN
// Saves in a child process that first puts the obstacle in place, so that a
// file size limit or a dropped privilege never touches the test itself.
// Root ignores file modes, so the read-only case runs as "nobody".
bool saveInChild(Obstacle obstacle, const QString& path)
{
    constexpr rlim_t kFileSizeLimitBytes = 16;
    const pid_t child = fork();
    if (child == 0) {
        bool ready = true;
        if (obstacle == Obstacle::DiskFull) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{kFileSizeLimitBytes, kFileSizeLimitBytes};
            ready = setrlimit(RLIMIT_FSIZE, &limit) == 0;
        } else if (obstacle == Obstacle::ReadOnly && geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            ready = nobody && setgid(nobody->pw_gid) == 0 && setuid(nobody->pw_uid) == 0;
        }
        _exit(ready && saveTransmitSettings(path, 1, {"Nombre", "Space", "Apellido"}) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

} // namespace

Q_DECLARE_METATYPE(Obstacle)

class TransmitSettingsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("Config.ini"); }

private slots:
    void cleanup() { QFile::remove(path()); }

    void missingFileGivesDefaultsAndCreatesNothing()
    {
        const TransmitSettings settings = loadTransmitSettings(path());
        QCOMPARE(settings.dateFormatIndex, 0);
        QCOMPARE(settings.transmitList, QStringList());
        QVERIFY(!QFile::exists(path()));
    }

    void savedFile_data()
    {
        QTest::addColumn<int>("dateFormatIndex");
        QTest::addColumn<QStringList>("transmitList");
        QTest::addColumn<QByteArray>("fileText");
        QTest::newRow("empty list") << 2 << QStringList()
                                    << QByteArray("[Basic]\nDateFormat=2\n\n[Transmit]\nsize=0\n");
        QTest::newRow("order kept") << 3 << QStringList{"Nombre", "Space", "Apellido"}
                                    << QByteArray("[Basic]\nDateFormat=3\n\n[Transmit]\n"
                                                  "1\\Field=Nombre\n2\\Field=Space\n"
                                                  "3\\Field=Apellido\nsize=3\n");
        QTest::newRow("accents")
            << 0 << QStringList{"Número de Cedula", "Código AFIS", "Género"}
            << QByteArray("[Basic]\nDateFormat=0\n\n[Transmit]\n1\\Field=N\\xfamero de Cedula\n"
                          "2\\Field=C\\xf3\\x64igo AFIS\n3\\Field=G\\xe9nero\nsize=3\n");
        QTest::newRow("duplicates and empty entries")
            << 1 << QStringList{"TAB", "", "TAB"}
            << QByteArray("[Basic]\nDateFormat=1\n\n[Transmit]\n1\\Field=TAB\n2\\Field=\n"
                          "3\\Field=TAB\nsize=3\n");
    }

    // The written text is what operators' existing files hold; reading it
    // back must give the same choices.
    void savedFile()
    {
        QFETCH(int, dateFormatIndex);
        QFETCH(QStringList, transmitList);
        QFETCH(QByteArray, fileText);
#ifdef Q_OS_WIN
        // Qt ends the file's lines as the system does.
        fileText.replace("\n", "\r\n");
#endif
        writeFile(path(), "[Basic]\nDateFormat=1\nHandAdded=1\n[Other]\nKey=value\n");
        QVERIFY(saveTransmitSettings(path(), dateFormatIndex, transmitList));
        QCOMPARE(readFile(path()), fileText);
        const TransmitSettings loaded = loadTransmitSettings(path());
        QCOMPARE(loaded.dateFormatIndex, dateFormatIndex);
        QCOMPARE(loaded.transmitList, transmitList);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Config.ini"});
    }

    void handEditedFile_data()
    {
        QTest::addColumn<QByteArray>("fileText");
        QTest::addColumn<int>("dateFormatIndex");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("firstEntry");
        const QByteArray list = "[Transmit]\n1\\Field=Nombre\nsize=";
        QTest::newRow("format x") << "[Basic]\nDateFormat=x\n" + list + "1" << 0 << 1 << "Nombre";
        QTest::newRow("format 5") << "[Basic]\nDateFormat=5\n" + list + "1" << 0 << 1 << "Nombre";
        QTest::newRow("format 7") << "[Basic]\nDateFormat=7\n" + list + "1" << 0 << 1 << "Nombre";
        QTest::newRow("format -1") << "[Basic]\nDateFormat=-1\n" + list + "1" << 0 << 1 << "Nombre";
        QTest::newRow("format 3") << "[Basic]\nDateFormat=3\n" + list + "1" << 3 << 1 << "Nombre";
        QTest::newRow("size above elements") << list + "4" << 0 << 4 << "Nombre";
        QTest::newRow("huge size bounded") << list + "2000000000" << 0 << 1000 << "Nombre";
        QTest::newRow("negative size") << list + "-3" << 0 << 0 << QString();
        QTest::newRow("unclosed section") << QByteArray("[Basic\nDateFormat=2\n") << 2 << 0
                                          << QString();
        QTest::newRow("key without value") << QByteArray("[Basic]\nDateFormat\n") << 0 << 0
                                           << QString();
    }

    void handEditedFile()
    {
        QFETCH(QByteArray, fileText);
        QFETCH(int, dateFormatIndex);
        QFETCH(int, entries);
        QFETCH(QString, firstEntry);
        writeFile(path(), fileText);
        const TransmitSettings loaded = loadTransmitSettings(path());
        QCOMPARE(loaded.dateFormatIndex, dateFormatIndex);
        QCOMPARE(loaded.transmitList.size(), entries);
        QCOMPARE(loaded.transmitList.value(0), firstEntry);
        for (int i = 1; i < entries; ++i)
            QCOMPARE(loaded.transmitList.at(i), QString());
        // A damaged file must not block the next save.
        QVERIFY(saveTransmitSettings(path(), 2, {"TAB"}));
        QCOMPARE(loadTransmitSettings(path()).transmitList, QStringList{"TAB"});
    }

    void failedSaveKeepsOldFile_data()
    {
        QTest::addColumn<Obstacle>("obstacle");
        QTest::newRow("target is a folder") << Obstacle::TargetIsFolder;
        QTest::newRow("disk full") << Obstacle::DiskFull;
        QTest::newRow("read-only file and folder") << Obstacle::ReadOnly;
    }

    void failedSaveKeepsOldFile()
    {
#ifdef Q_OS_WIN
        QSKIP("the obstacles are made with POSIX file modes, a file size limit and a second process");
#else
        QFETCH(Obstacle, obstacle);
        const QByteArray old = "[Basic]\nDateFormat=3\n";
        QString target = path();
        if (obstacle == Obstacle::TargetIsFolder) {
            target = dir.filePath("Folder.ini");
            QVERIFY(QDir(dir.path()).mkdir("Folder.ini"));
        } else {
            writeFile(target, old);
        }
        if (obstacle == Obstacle::ReadOnly) {
            QVERIFY(chmod(QFile::encodeName(target), 0444) == 0);
            QVERIFY(chmod(QFile::encodeName(dir.path()), 0555) == 0);
        }
        const bool saved = saveInChild(obstacle, target);
        chmod(QFile::encodeName(dir.path()), 0700);
        QVERIFY(!saved);
        if (obstacle != Obstacle::TargetIsFolder)
            QCOMPARE(readFile(target), old);
        QDir(dir.path()).rmdir("Folder.ini");
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Config.ini"}.mid(
                     obstacle == Obstacle::TargetIsFolder ? 1 : 0));
#endif
    }
};

QTEST_GUILESS_MAIN(TransmitSettingsTest)
#include "tst_transmitsettings.moc"
