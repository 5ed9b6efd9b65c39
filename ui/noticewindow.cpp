#include "noticewindow.h"

#include "msgbox.h"
#include "textfit.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

constexpr QRect kIconGeometry{20, 45, 44, 44};
constexpr int kTextY = 40;
constexpr int kTextWidth = 230;
constexpr int kBottomMargin = 15;
constexpr int kLeastHeight = 110;
// Off the screen's edge, as desktops place their own notifications.
constexpr int kScreenMargin = 12;

} // namespace

NoticeWindow::NoticeWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("NoticeWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Not a window the program lives on for: closing Quillon's last window
    // still ends it.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);

    const MsgBoxLook look = msgBoxLook(MsgBox::Warning);
    titleLabel = new QLabel(this);
    titleLabel->setGeometry(0, 0, kMsgBoxWidth, kMsgBoxTitleHeight);
    QFont titleFont(QStringLiteral("Microsoft YaHei"));
    titleFont.setPixelSize(kMsgBoxTitleFontPixels);
    titleLabel->setFont(titleFont);
    titleLabel->setText(look.title);
    titleLabel->setStyleSheet(look.titleStyle);
    titleLabel->setObjectName(QStringLiteral("noticeTitleLabel"));

    closeButton = new QPushButton(this);
    closeButton->setGeometry(kMsgBoxWidth - kMsgBoxCloseButtonSize, 0, kMsgBoxCloseButtonSize, kMsgBoxCloseButtonSize);
    closeButton->setObjectName(QStringLiteral("noticeCloseBtn"));
    closeButton->setStyleSheet(kMsgBoxCloseButtonStyle);
    closeButton->setFocusPolicy(Qt::NoFocus);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);

    iconButton = new QPushButton(this);
    iconButton->setGeometry(kIconGeometry);
    iconButton->setStyleSheet(look.iconStyle);
    iconButton->setFocusPolicy(Qt::NoFocus);

    textLabel = new QLabel(this);
    textLabel->setObjectName(QStringLiteral("noticeText"));
    textLabel->setWordWrap(true);
    textLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setText({});
}

void NoticeWindow::setText(const QString &text)
{
    textLabel->setText(text);
    textLabel->setGeometry(kMsgBoxTextX, kTextY, kTextWidth, 0);
    const int textHeight = wrappedTextHeight(*textLabel);
    textLabel->resize(kTextWidth, textHeight);
    resize(kMsgBoxWidth, std::max(kLeastHeight, kTextY + textHeight + kBottomMargin));
}

QString NoticeWindow::text() const
{
    return textLabel->text();
}

void NoticeWindow::placeInCorner(int above)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - kScreenMargin - width() + 1, area.bottom() - kScreenMargin - above - height() + 1);
    }
}
