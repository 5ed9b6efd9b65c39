#include "msgbox.h"

#include "textfit.h"

#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int kDialogHeight = 180;
constexpr QRect kIconGeometry{20, 60, 44, 44};
constexpr int kTextY = 50;
constexpr int kTextHeight = 50;
// The text area takes about 0.6 of the dialog width: 203 pixels, the width
// that operators' screens have always shown (one pixel short of 340 * 0.6).
constexpr int kTextWidth = 203;
constexpr QRect kOkButtonAlone{240, 130, 85, 30};
constexpr QRect kOkButtonBesideCancel{140, 130, 85, 30};
constexpr QRect kCancelButton{240, 130, 85, 30};

} // namespace

MsgBoxLook msgBoxLook(int type)
{
    switch (type) {
    case MsgBox::Warning:
        return {QStringLiteral(" Warning "),
                QStringLiteral("QLabel{font-family :微软雅黑;font-size : 10em;color : rgb(200,0,0);background-color: rgb(255,255,255);}"),
                QStringLiteral("QPushButton{image:url(:/res/image/msg_error.png);background: transparent;border:none;}")};
    case MsgBox::Prompt:
        return {QStringLiteral(" Prompt "),
                QStringLiteral("QLabel{font-family :微软雅黑;font-size : 10em;color : rgb(51,156,0);background-color: rgb(255,255,255);}"),
                QStringLiteral("QPushButton{image:url(:/res/image/msg_info.png);background: transparent;border:none;}")};
    case MsgBox::Ask:
        return {QStringLiteral(" Ask "),
                QStringLiteral("QLabel{font-family :微软雅黑;font-size : 10em;color : rgb(216,170,4);background-color: rgb(255,255,255);}"),
                QStringLiteral("QPushButton{image:url(:/res/image/msg_question.png);background: transparent;border:none;}")};
    default:
        return {};
    }
}

const QString kMsgBoxCloseButtonStyle =
    QStringLiteral("QPushButton{image:url(:/res/image/btn_close.png);background: transparent;border:none;}"
                   "QPushButton:hover{background-color:rgb(255, 0, 0);}"
                   "QPushButton:pressed{background: transparent;border:none;}");

MsgBox::MsgBox(int type, const QString &text)
    : QDialog(nullptr)
{
    resize(kMsgBoxWidth, kDialogHeight);
    setObjectName(QStringLiteral("MsgBox"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    const MsgBoxLook look = msgBoxLook(type);
    const int width = this->width();

    titleLabel = new QLabel(this);
    titleLabel->setGeometry(0, 0, width, kMsgBoxTitleHeight);
    QFont titleFont(QStringLiteral("Microsoft YaHei"));
    titleFont.setPixelSize(kMsgBoxTitleFontPixels);
    titleLabel->setFont(titleFont);
    if (!look.title.isEmpty()) {
        titleLabel->setText(look.title);
        titleLabel->setStyleSheet(look.titleStyle);
    }
    titleLabel->setObjectName(QStringLiteral("msgTitleLabel"));

    closeButton = new QPushButton(this);
    closeButton->setGeometry(width - kMsgBoxCloseButtonSize, 0, kMsgBoxCloseButtonSize, kMsgBoxCloseButtonSize);
    closeButton->setObjectName(QStringLiteral("msgcloseBtn"));
    closeButton->setStyleSheet(kMsgBoxCloseButtonStyle);

    iconButton = new QPushButton(this);
    iconButton->setGeometry(kIconGeometry);
    iconButton->setObjectName(QStringLiteral("msgBtn"));
    if (!look.iconStyle.isEmpty())
        iconButton->setStyleSheet(look.iconStyle);

    textLabel = new QLabel(this);
    textLabel->setGeometry(kMsgBoxTextX, kTextY, kTextWidth, kTextHeight);
    textLabel->setText(text);
    textLabel->setWordWrap(true);
    // A text taller than its place would be cut at top and bottom: the
    // dialog grows below the text by what it lacks.
    const int grow = std::max(0, wrappedTextHeight(*textLabel) - kTextHeight);
    if (grow > 0) {
        textLabel->resize(kTextWidth, kTextHeight + grow);
        resize(kMsgBoxWidth, kDialogHeight + grow);
    }
    const QPoint belowText(0, grow);

    okButton = new QPushButton(this);
    okButton->setGeometry((type == Ask ? kOkButtonBesideCancel : kOkButtonAlone).translated(belowText));
    okButton->setText(QStringLiteral("OK"));
    okButton->setObjectName(QStringLiteral("msgokBtn"));
    if (type == Ask) {
        cancelButton = new QPushButton(this);
        cancelButton->setGeometry(kCancelButton.translated(belowText));
        cancelButton->setText(QStringLiteral("CANCEL"));
        cancelButton->setObjectName(QStringLiteral("cancleBtn"));
        connect(cancelButton, SIGNAL(clicked()), this, SLOT(cancleBtn_press()));
    }
    connect(okButton, SIGNAL(clicked()), this, SLOT(okBtn_press()));
    connect(closeButton, SIGNAL(clicked()), this, SLOT(closeBtn_press()));
}

void MsgBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        dragging = true;
        dragOffset = event->localPos().toPoint();
    }
}

void MsgBox::mouseReleaseEvent(QMouseEvent *)
{
    dragging = false;
}

void MsgBox::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging)
        move(event->screenPos().toPoint() - dragOffset);
}

void MsgBox::okBtn_press()
{
    accept();
}

void MsgBox::cancleBtn_press()
{
    reject();
}

void MsgBox::closeBtn_press()
{
    close();
}

void showMsgBox(int type, const QString &text)
{
    MsgBox box(type, text);
    box.exec();
}
