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
    arrange(slot(kind));
    window->show();
}

void Notices::end(NoticeKind kind)
{
    if (const std::unique_ptr<NoticeWindow> &window = windows[slot(kind)])
        window->hide();
    arrange(kKinds);
}

// Each notice on screen stands on those of the kinds before it; `showing` is
// about to appear.
void Notices::arrange(std::size_t showing)
{
    int above = 0;
    for (std::size_t i = 0; i < kKinds; ++i) {
        if (!windows[i] || !(windows[i]->isVisible() || i == showing))
            continue;
        windows[i]->placeInCorner(above);
        above += windows[i]->height() + kGap;
    }
}

QString Notices::shown(NoticeKind kind) const
{
    const std::unique_ptr<NoticeWindow> &window = windows[slot(kind)];
    return window && window->isVisible() ? window->text() : QString();
}
