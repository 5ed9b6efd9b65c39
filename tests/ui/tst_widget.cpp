#include "widget.h"

#include "recordingkeyboard.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList debugLines;
QStringList warnings;

void collectDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        debugLines << message;
    else if (type == QtWarningMsg)
        warnings << message;
}

ToolsOptions quietOptions(const QTemporaryDir &dir)
{
    ToolsOptions options;
    options.keyboard = std::make_unique<RecordingKeyboard>();
    options.settingsPath = dir.filePath(QStringLiteral("Config.ini"));
    return options;
}

} // namespace

class WidgetTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        debugLines.clear();
        warnings.clear();
    }
    void form();
    void startsWithoutWarnings();
    void untouchedFieldsLogIn();
    void refusals_data();
    void refusals();
    void cancelEndsWithoutMainWindow();
    void dragsFromLabelNotFromButton_data();
    void dragsFromLabelNotFromButton();

private:
    QTemporaryDir dir;
};

void WidgetTest::form()
{
    Widget login(nullptr, quietOptions(dir));
    QCOMPARE(login.size(), QSize(483, 225));
    QVERIFY(login.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!(login.windowFlags() & (Qt::WindowTitleHint | Qt::WindowSystemMenuHint)));
    QCOMPARE(login.contextMenuPolicy(), Qt::NoContextMenu);
    QVERIFY(login.windowTitle().isEmpty());

    auto *user = login.findChild<QLineEdit *>(QStringLiteral("lEuserName"));
    auto *password = login.findChild<QLineEdit *>(QStringLiteral("lEuserPassword"));
    QCOMPARE(user->text(), QStringLiteral("vkoru"));
    QCOMPARE(password->text(), QStringLiteral("480613"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(login.findChild<QPushButton *>(QStringLiteral("pBuserlogin"))->geometry(), QRect(150, 140, 75, 23));
    QCOMPARE(login.findChild<QPushButton *>(QStringLiteral("pBuserCancel"))->text(), QStringLiteral("Cancel"));
    QCOMPARE(login.findChild<QLabel *>(QStringLiteral("label"))->text(), QStringLiteral("User:"));
    // The main window is built before the login window is shown, but stays hidden.
    QVERIFY(!login.mainWindowForTest().isVisible());
}

// Every start once warned that a high-DPI attribute came too late.
void WidgetTest::startsWithoutWarnings()
{
    qInstallMessageHandler(collectDebug);
    {
        Widget login(nullptr, quietOptions(dir));
        login.show();
    }
    qInstallMessageHandler(nullptr);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
}

void WidgetTest::untouchedFieldsLogIn()
{
    Widget login(nullptr, quietOptions(dir));
    login.show();
    qInstallMessageHandler(collectDebug);
    QTest::mouseClick(login.findChild<QPushButton *>(QStringLiteral("pBuserlogin")), Qt::LeftButton);
    qInstallMessageHandler(nullptr);
    QCOMPARE(debugLines.count(QStringLiteral("Login ok!")), 1);
    QVERIFY(!login.isVisible());
    QVERIFY(login.mainWindowForTest().isVisible());
}

void WidgetTest::refusals_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("capitals") << "VKORU" << "480613";
    QTest::newRow("trailing blank") << "vkoru " << "480613";
    QTest::newRow("empty password") << "vkoru" << "";
    QTest::newRow("password with blank") << "vkoru" << " 480613";
}

void WidgetTest::refusals()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    Widget login(nullptr, quietOptions(dir));
    login.show();
    auto *userEdit = login.findChild<QLineEdit *>(QStringLiteral("lEuserName"));
    auto *passwordEdit = login.findChild<QLineEdit *>(QStringLiteral("lEuserPassword"));
    userEdit->setText(user);
    passwordEdit->setText(password);

    qInstallMessageHandler(collectDebug);
    QTest::mouseClick(login.findChild<QPushButton *>(QStringLiteral("pBuserlogin")), Qt::LeftButton);
    QTest::keyClick(passwordEdit, Qt::Key_Return); // no default button: Enter does nothing
    qInstallMessageHandler(nullptr);

    QVERIFY(login.isVisible());
    QVERIFY(!login.mainWindowForTest().isVisible());
    QCOMPARE(userEdit->text(), user);
    QCOMPARE(passwordEdit->text(), password);
    QVERIFY(!debugLines.contains(QStringLiteral("Login ok!")));
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible() || w == &login, qPrintable(w->metaObject()->className()));
}

void WidgetTest::cancelEndsWithoutMainWindow()
{
    Widget login(nullptr, quietOptions(dir));
    login.show();
    QTest::mouseClick(login.findChild<QPushButton *>(QStringLiteral("pBuserCancel")), Qt::LeftButton);
    // No visible window is left, so Qt's event loop ends the program.
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->metaObject()->className()));
}

void WidgetTest::dragsFromLabelNotFromButton_data()
{
    QTest::addColumn<QString>("child");
    QTest::addColumn<bool>("moves");
    QTest::newRow("label") << "label" << true;
    QTest::newRow("button") << "pBuserlogin" << false;
    QTest::newRow("line edit") << "lEuserName" << false;
}

void WidgetTest::dragsFromLabelNotFromButton()
{
    QFETCH(QString, child);
    QFETCH(bool, moves);
    Widget login(nullptr, quietOptions(dir));
    login.move(200, 150);
    login.show();
    QVERIFY(QTest::qWaitForWindowExposed(&login));
    auto *target = login.findChild<QWidget *>(child);
    QVERIFY(target);
    const QPoint start = login.pos();
    const QPoint local(5, 5);
    const QPoint global = target->mapToGlobal(local);
    const QPoint by(37, -21);

    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent move(QEvent::MouseMove, local + by, global + by, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local + by, global + by, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);

    QCOMPARE(login.pos(), moves ? start + by : start);
}

QTEST_MAIN(WidgetTest)
#include "tst_widget.moc"
