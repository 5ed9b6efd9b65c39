// Typing a block into the operator's window, and telling the operator when
// that cannot be done: nothing can be typed on this desktop, Quillon's own
// window has the keyboard focus, or characters were lost.
#include "tools.h"
#include "ui_tools.h"

#include "msgbox.h"
#include "typebytes.h"

#include <QApplication>
#include <QTimer>

void tools::typeBlock(const QByteArray &bytes)
{
    if (!typingReady) {
        typeBytes(injector, bytes);
        return;
    }
    TypingNotice notice;
    if (typingNotices.holdsBack(QApplication::activeWindow() != nullptr, &notice)) {
        showTypingNotice(notice);
        return;
    }
    typeBytes(injector, bytes);
    showTypingNotice(typingNotices.afterTyping(keyboard->takeUntypedCount()));
}

void tools::showTypingNotice(const TypingNotice &notice)
{
    ui->lBtypingNotice->setText(notice.status);
    ui->lBtypingNotice->setToolTip(notice.status);
    if (!notice.message.isEmpty())
        showMsgBox(MsgBox::Warning, notice.message);
}

// The first time the window appears (after the login), the operator learns
// where typing reaches if that is not the focused window; the message waits
// until the window stands behind it.
void tools::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (shownBefore)
        return;
    shownBefore = true;
    QTimer::singleShot(0, this, [this] { showTypingNotice(typingNotices.atStart()); });
}
