// Typing a block into the operator's window, and telling the operator when
// that cannot be done: nothing can be typed on this desktop, Quillon's own
// window has the keyboard focus, or characters were lost.
#include "tools.h"
#include "ui_tools.h"

#include "barcodetext.h"
#include "noticewindow.h"
#include "textfit.h"
#include "typebytes.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

// A read that is no card, typed as it came: as the characters it encodes
// when it is UTF-8 beyond ASCII, else byte by byte as Latin-1.
void tools::typeBlock(const QByteArray &bytes)
{
    readStatus.clear();
    if (const std::optional<QString> text = utf8BarcodeText(bytes))
        typeWith([this, &text] { typeText(injector, *text); });
    else
        typeWith([this, &bytes] { typeBytes(injector, bytes); });
}

// A card's composed output, Latin-1 as the composer made it.
void tools::typeCardText(const QByteArray &latin1)
{
    typeWith([this, &latin1] { typeBytes(injector, latin1); });
}

void tools::typeWith(const std::function<void()> &type)
{
    if (!typingReady) {
        type();
        return;
    }
    TypingNotice notice;
    // A notice takes no keys, should a desktop activate it all the same.
    QWidget *active = QApplication::activeWindow();
    const bool ownWindowActive = active && !qobject_cast<NoticeWindow *>(active);
    if (typingNotices.holdsBack(ownWindowActive, &notice)) {
        showTypingNotice(notice);
        return;
    }
    type();
    showTypingNotice(typingNotices.afterTyping(keyboard->takeUntypedCount()));
}

// The message goes to a notice that leaves the keyboard with the operator's
// application, where the next scan is typed; once typing works again it
// closes.
void tools::showTypingNotice(const TypingNotice &notice)
{
    typingStatus = notice.status;
    showReadStatus();
    if (!notice.message.isEmpty())
        notices.show(NoticeKind::Typing, notice.message);
    else if (notice.status.isEmpty())
        notices.end(NoticeKind::Typing);
}

// The right half of the status line: what the last read showed, then what
// typing it showed, then what the transmit list cannot type.
void tools::showReadStatus()
{
    QStringList parts;
    for (const QString &part : {readStatus, typingStatus, settingsStatus})
        if (!part.isEmpty())
            parts << part;
    setStatusText(ui->lBtypingNotice, parts.join(QLatin1Char(' ')));
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
