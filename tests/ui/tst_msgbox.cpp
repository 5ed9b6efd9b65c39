#include "msgbox.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "modalcloser.h"

class MsgBoxTest : public QObject
{
    Q_OBJECT

private slots:
    void looksPerType_data();
    void looksPerType();
    void frameAndText_data();
    void frameAndText();
    void buttonsEndTheDialog_data();
    void buttonsEndTheDialog();
    void dragsWithLeftButtonOnly();
    void noDialogLeftBehind();
};

void MsgBoxTest::looksPerType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("colour");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QRect>("okGeometry");
    QTest::addColumn<bool>("hasCancel");

    const QRect okAlone(240, 130, 85, 30);
    QTest::newRow("warning") << 1 << " Warning " << "rgb(200,0,0)" << ":/res/image/msg_error.png" << okAlone << false;
    QTest::newRow("prompt") << 2 << " Prompt " << "rgb(51,156,0)" << ":/res/image/msg_info.png" << okAlone << false;
    QTest::newRow("ask") << 3 << " Ask " << "rgb(216,170,4)" << ":/res/image/msg_question.png"
                         << QRect(140, 130, 85, 30) << true;
    QTest::newRow("zero") << 0 << "" << "" << "" << okAlone << false;
    QTest::newRow("four") << 4 << "" << "" << "" << okAlone << false;
}

void MsgBoxTest::looksPerType()
{
    QFETCH(int, type);
    QFETCH(QString, title);
    QFETCH(QString, colour);
    QFETCH(QString, image);
    QFETCH(QRect, okGeometry);
    QFETCH(bool, hasCancel);

    MsgBox box(type, QStringLiteral("Device type not supported."));
    auto *titleLabel = box.findChild<QLabel *>(QStringLiteral("msgTitleLabel"));
    auto *icon = box.findChild<QPushButton *>(QStringLiteral("msgBtn"));
    auto *ok = box.findChild<QPushButton *>(QStringLiteral("msgokBtn"));
    auto *cancel = box.findChild<QPushButton *>(QStringLiteral("cancleBtn"));
    auto *close = box.findChild<QPushButton *>(QStringLiteral("msgcloseBtn"));
    QVERIFY(titleLabel && icon && ok && close);

    QCOMPARE(titleLabel->text(), title);
    QCOMPARE(titleLabel->geometry(), QRect(0, 0, 340, 30));
    QCOMPARE(titleLabel->font().pixelSize(), 12);
    if (colour.isEmpty()) {
        QVERIFY(titleLabel->styleSheet().isEmpty());
        QVERIFY(icon->styleSheet().isEmpty());
    } else {
        QVERIFY2(titleLabel->styleSheet().contains("color : " + colour), qPrintable(titleLabel->styleSheet()));
        QVERIFY(titleLabel->styleSheet().contains("background-color: rgb(255,255,255)"));
        QVERIFY2(icon->styleSheet().contains("image:url(" + image + ")"), qPrintable(icon->styleSheet()));
        QVERIFY2(!QPixmap(image).isNull(), qPrintable(image + " is missing from the bundle"));
    }
    QCOMPARE(icon->geometry(), QRect(20, 60, 44, 44));
    QCOMPARE(close->geometry(), QRect(310, 0, 30, 30));
    QVERIFY(close->styleSheet().contains("image:url(:/res/image/btn_close.png)"));
    QVERIFY(close->styleSheet().contains("hover{background-color:rgb(255, 0, 0);}"));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(ok->geometry(), okGeometry);
    QCOMPARE(cancel != nullptr, hasCancel);
    if (cancel) {
        QCOMPARE(cancel->text(), QStringLiteral("CANCEL"));
        QCOMPARE(cancel->geometry(), QRect(240, 130, 85, 30));
    }
    // The close button is the first button in the focus chain.
    QCOMPARE(box.findChildren<QPushButton *>().first(), close);
}

// The design's geometry for a text that fits in it; a longer text makes the
// dialog taller below it, so that none of it is cut off.
void MsgBoxTest::frameAndText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("grows");
    QTest::newRow("fits") << QStringLiteral("Device type not supported.") << false;
    QTest::newRow("open failure with its reason")
        << QStringLiteral("Check whether the serial port is occupied.\nAnother program is using the port: close it, "
                          "or pick another port.")
        << true;
    QTest::newRow("six sentences")
        << QStringLiteral("This message is much longer than the dialog can show. ").repeated(6) << true;
}

void MsgBoxTest::frameAndText()
{
    QFETCH(QString, text);
    QFETCH(bool, grows);
    MsgBox box(1, text);
    QCOMPARE(box.objectName(), QStringLiteral("MsgBox"));
    QCOMPARE(int(box.windowFlags() & (Qt::Dialog | Qt::FramelessWindowHint)), 0x803);
    QVERIFY(box.windowTitle().isEmpty());
    QVERIFY(!box.parent());

    QLabel *label = nullptr;
    for (QLabel *candidate : box.findChildren<QLabel *>())
        if (candidate->objectName().isEmpty())
            label = candidate;
    QVERIFY(label);
    QCOMPARE(label->text(), text);
    QVERIFY(label->wordWrap());
    box.show();
    const int extra = label->height() - 50;
    QCOMPARE(extra > 0, grows);
    QCOMPARE(label->geometry(), QRect(90, 50, 203, 50 + extra));
    QCOMPARE(box.size(), QSize(340, 180 + extra));
    QCOMPARE(box.findChild<QPushButton *>(QStringLiteral("msgokBtn"))->geometry(), QRect(240, 130 + extra, 85, 30));
    const QRect needed = label->fontMetrics().boundingRect(label->contentsRect(), Qt::TextWordWrap, text);
    QVERIFY2(label->contentsRect().contains(needed),
             qPrintable(QStringLiteral("the text needs %1 pixels, the label has %2")
                            .arg(needed.height())
                            .arg(label->contentsRect().height())));
}

void MsgBoxTest::buttonsEndTheDialog_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("ok") << 1 << "msgokBtn" << int(QDialog::Accepted);
    QTest::newRow("close") << 1 << "msgcloseBtn" << int(QDialog::Rejected);
    QTest::newRow("ask ok") << 3 << "msgokBtn" << int(QDialog::Accepted);
    QTest::newRow("ask cancel") << 3 << "cancleBtn" << int(QDialog::Rejected);
}

void MsgBoxTest::buttonsEndTheDialog()
{
    QFETCH(int, type);
    QFETCH(QString, button);
    QFETCH(int, result);

    MsgBox box(type, QStringLiteral("text"));
    auto *target = box.findChild<QPushButton *>(button);
    QVERIFY(target);
    QTimer::singleShot(0, target, [target] { QTest::mouseClick(target, Qt::LeftButton); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, &box, [&box] { box.done(-1); });
    watchdog.start(5000);
    QCOMPARE(box.exec(), result);
}

void MsgBoxTest::dragsWithLeftButtonOnly()
{
    MsgBox box(1, QStringLiteral("text"));
    box.move(100, 100);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto *title = box.findChild<QLabel *>(QStringLiteral("msgTitleLabel"));
    const QPoint start = box.pos();

    auto drag = [&](Qt::MouseButton button, QPoint by) {
        const QPoint local(50, 10);
        const QPoint global = title->mapToGlobal(local);
        QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
        QApplication::sendEvent(title, &press);
        QMouseEvent move(QEvent::MouseMove, local + by, global + by, Qt::NoButton, button, Qt::NoModifier);
        QApplication::sendEvent(title, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, local + by, global + by, button, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(title, &release);
    };

    drag(Qt::RightButton, QPoint(40, 30));
    QCOMPARE(box.pos(), start);
    drag(Qt::LeftButton, QPoint(40, 30));
    QCOMPARE(box.pos(), start + QPoint(40, 30));
}

void MsgBoxTest::noDialogLeftBehind()
{
    ModalCloser closer;
    constexpr int kCalls = 25;
    for (int i = 0; i < kCalls; ++i)
        showMsgBox(1 + i % 3, QStringLiteral("message %1").arg(i));
    QCOMPARE(closer.seen.size(), kCalls);
    QCOMPARE(closer.seen.first().texts, QStringList({" Warning ", "message 0"}));
    int left = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        left += qobject_cast<MsgBox *>(w) != nullptr;
    QCOMPARE(left, 0);
}

QTEST_MAIN(MsgBoxTest)
#include "tst_msgbox.moc"
