#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// A notice that stays on screen without taking the keyboard from the
// operator's application: it is never activated, accepts no focus, and
// sits in a corner of the screen above other windows until the condition it
// tells of ends or the operator closes it. Scans typed meanwhile go where
// the operator left the cursor.
class NoticeWindow : public QWidget
{
    Q_OBJECT

public:
    NoticeWindow();

    void setText(const QString &text);
    QString text() const;
    // Places the notice in the bottom-right corner of the screen, `above`
    // pixels higher for notices stacked below it. Shown, it is not
    // activated.
    void placeInCorner(int above);

private:
    QLabel *titleLabel = nullptr;
    QLabel *textLabel = nullptr;
    QPushButton *iconButton = nullptr;
    QPushButton *closeButton = nullptr;
};
