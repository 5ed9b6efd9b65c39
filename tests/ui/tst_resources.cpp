#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtTest>

// The bundle that is compiled into the program: what Qt itself reads at
// start-up and what the message dialog draws.
class ResourcesTest : public QObject
{
    Q_OBJECT

private slots:
    void qtConfIsByteExact();
    void images_data();
    void images();
};

void ResourcesTest::qtConfIsByteExact()
{
    QFile file(QStringLiteral(":/qt/etc/qt.conf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray expected("[Platforms]\r\nWindowsArguments = dpiawareness=0\r\n");
    QCOMPARE(expected.size(), 48);
    QCOMPARE(file.readAll(), expected);
}

void ResourcesTest::images_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("error") << ":/res/image/msg_error.png" << QSize(68, 68);
    QTest::newRow("info") << ":/res/image/msg_info.png" << QSize(67, 67);
    QTest::newRow("question") << ":/res/image/msg_question.png" << QSize(70, 70);
    QTest::newRow("close") << ":/res/image/btn_close.png" << QSize(48, 48);
    QTest::newRow("logo png") << ":/res/logo.png" << QSize(128, 128);
    QTest::newRow("logo ico") << ":/res/logo.ico" << QSize(128, 128);
}

void ResourcesTest::images()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QImageReader reader(path);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(path + ": " + reader.errorString()));
    QCOMPARE(image.size(), size);
    QVERIFY2(image.hasAlphaChannel(), qPrintable(path + " has no alpha channel"));
}

QTEST_MAIN(ResourcesTest)
#include "tst_resources.moc"
