#include "typingnotices.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

constexpr char kContext[] = "tools";
const QString kGnome = QStringLiteral("GNOME");
const QString kKde = QStringLiteral("KDE");

// Sources are marked with QT_TRANSLATE_NOOP so that they are found under
// the main window's context.
QString text(const char *sourceText)
{
    return QCoreApplication::translate(kContext, sourceText);
}

// XDG_CURRENT_DESKTOP is a colon-separated list ("ubuntu:GNOME").
bool isDesktop(const QString &currentDesktop, const QString &desktop)
{
    for (const QString &name : currentDesktop.split(QLatin1Char(':')))
        if (name.compare(desktop, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

QString reachNotice(KeyboardReach reach, const QString &currentDesktop)
{
    switch (reach) {
    case KeyboardReach::FocusedWindow:
        return {};
    case KeyboardReach::XWaylandWindows: {
        QString notice = text(QT_TRANSLATE_NOOP("tools", "This is a Wayland session: scanned data is typed only into "
                                                         "programs running through XWayland. Native Wayland "
                                                         "applications will not receive the text."));
        if (isDesktop(currentDesktop, kGnome))
            notice += QLatin1Char(' ')
                      + text(QT_TRANSLATE_NOOP("tools", "GNOME offers ordinary programs no keyboard route except "
                                                        "its remote-desktop portal, which Quillon does not use: "
                                                        "log in to \"GNOME on Xorg\" to type into every "
                                                        "application."));
        else if (isDesktop(currentDesktop, kKde))
            notice += QLatin1Char(' ')
                      + text(QT_TRANSLATE_NOOP("tools", "Log in to a \"Plasma (X11)\" session to type into every "
                                                        "application."));
        return notice;
    }
    case KeyboardReach::Nowhere:
        return text(QT_TRANSLATE_NOOP("tools", "Nothing will be typed: the desktop offers no virtual "
                                               "keyboard, and no X display with the XTest extension could be "
                                               "opened. Scanned data is only written to the log."));
    }
    return {};
}

TypingNotices::TypingNotices(KeyboardReach reach, QString currentDesktop)
    : reach(reach)
    , currentDesktop(std::move(currentDesktop))
{
}

TypingNotice TypingNotices::aboutReach()
{
    TypingNotice notice{reachNotice(reach, currentDesktop), {}};
    if (!notice.status.isEmpty() && !reachTold) {
        notice.message = notice.status;
        reachTold = true;
    }
    return notice;
}

TypingNotice TypingNotices::atStart()
{
    return aboutReach();
}

bool TypingNotices::holdsBack(bool ownWindowActive, TypingNotice *notice)
{
    if (reach == KeyboardReach::Nowhere) {
        *notice = aboutReach();
        return true;
    }
    if (ownWindowActive) {
        *notice = TypingNotice{text(QT_TRANSLATE_NOOP("tools", "Quillon's own window has the keyboard focus: put "
                                                               "the cursor where the data should go. The block "
                                                               "was not typed; it is in the log.")),
                               {}};
        return true;
    }
    return false;
}

TypingNotice TypingNotices::afterTyping(std::size_t untyped)
{
    if (untyped == 0)
        return TypingNotice{reachNotice(reach, currentDesktop), {}};
    TypingNotice notice{text(QT_TRANSLATE_NOOP("tools", "Characters not typed: %1. The keyboard set-up has no "
                                                        "key for them, or the desktop stopped taking keys; the "
                                                        "block is in the log."))
                            .arg(untyped),
                        {}};
    if (!lossTold) {
        notice.message = text(QT_TRANSLATE_NOOP("tools", "Some characters of a block could not be typed: the "
                                                         "keyboard set-up has no key for them, or the desktop "
                                                         "stopped taking keys from Quillon. The block is in the "
                                                         "log; check the text where it was typed."));
        lossTold = true;
    }
    return notice;
}
