#pragma once

#include <QString>

#include <array>
#include <memory>

class NoticeWindow;

// What a notice is about; each kind has one notice at most, replaced by the
// next of its kind and closed when its condition ends.
enum class NoticeKind {
    Link,   // the scanner went away, or could not be opened or identified
    Typing, // what was typed, or could not be
};

// The notices of the main window, stacked in the corner of the screen with
// the link's lowest. None of them takes the keyboard focus.
class Notices
{
public:
    Notices();
    ~Notices();

    void show(NoticeKind kind, const QString &text);
    void end(NoticeKind kind);
    // The text of the notice on screen for kind; empty when none is.
    QString shown(NoticeKind kind) const;

private:
    static constexpr std::size_t kKinds = 2;

    void arrange(std::size_t showing);

    static constexpr int kGap = 8;

    std::array<std::unique_ptr<NoticeWindow>, kKinds> windows;
};
