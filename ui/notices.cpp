#include "notices.h"

#include "noticewindow.h"

namespace {
std::size_t slot(NoticeKind kind) { return static_cast<std::size_t>(kind); }
} // namespace

Notices::Notices() = default;

Notices::~Notices() = default;

void Notices::show(NoticeKind kind, const QString &text)
{
    std::unique_ptr<NoticeWindow> &window = windows[slot(kind)];
    if (!window)
        window = std::make_unique<NoticeWindow>();
    window->setText(text);
    int above = 0;
    for (std::size_t below = 0; below < slot(kind); ++below)
        if (windows[below] && windows[below]->isVisible())
            above += windows[below]->height() + kGap;
    window->showInCorner(above);
}

void Notices::end(NoticeKind kind)
{
    if (const std::unique_ptr<NoticeWindow> &window = windows[slot(kind)])
        window->hide();
}

QString Notices::shown(NoticeKind kind) const
{
    const std::unique_ptr<NoticeWindow> &window = windows[slot(kind)];
    return window && window->isVisible() ? window->text() : QString();
}
