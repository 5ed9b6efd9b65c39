#include "widget.h"
#include "ui_widget.h"
#include "uilog.h"

#include <QApplication>
#include <QMouseEvent>

namespace {
// The one account this station accepts.
const QString kAcceptedUser = QStringLiteral("vkoru");
const QString kAcceptedPassword = QStringLiteral("480613");
} // namespace

Widget::Widget(QWidget *parent, ToolsOptions options)
    : QWidget(parent)
    , lastCursorPos(0, 0)
    , mainWindow(nullptr, std::move(options))
    , ui(new Ui::Widget)
{
    setWindowFlags(Qt::FramelessWindowHint);
    // The application object exists already, so Qt ignores this: the program
    // runs without high-DPI scaling, as qt.conf in the bundle also asks.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    ui->setupUi(this);
    ui->lEuserName->setText(kAcceptedUser);
    ui->lEuserPassword->setEchoMode(QLineEdit::Password);
    ui->lEuserPassword->setText(kAcceptedPassword);
}

Widget::~Widget()
{
    delete ui;
}

void Widget::on_pBuserlogin_clicked()
{
    // Compared exactly as typed: no trimming, no case folding.
    if (ui->lEuserName->text() == kAcceptedUser && ui->lEuserPassword->text() == kAcceptedPassword) {
        qCDebug(lcUi) << "Login ok!";
        hide();
        mainWindow.show();
    }
}

void Widget::on_pBuserCancel_clicked()
{
    close();
}

// The global cursor position is taken from the event: the same point as the
// cursor's, and what synthetic events in tests carry too.
void Widget::mousePressEvent(QMouseEvent *event)
{
    lastCursorPos = event->globalPos();
}

void Widget::mouseReleaseEvent(QMouseEvent *)
{
}

void Widget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint cursor = event->globalPos();
    move(pos() + (cursor - lastCursorPos));
    lastCursorPos = cursor;
}
