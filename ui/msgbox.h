#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

class QLabel;
class QPushButton;

// The program's own frameless message dialog, for the messages that wait for
// the operator's answer; the dialog lives only for the call of showMsgBox().
// A text longer than the dialog's place for it makes the dialog taller.
class MsgBox : public QDialog
{
    Q_OBJECT

public:
    // Looks selected by the first argument of showMsgBox().
    enum Type { Warning = 1, Prompt = 2, Ask = 3 };

    MsgBox(int type, const QString &text);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

public slots:
    void okBtn_press();
    void cancleBtn_press();
    void closeBtn_press();

private:
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QPushButton *closeButton = nullptr;
    QPushButton *iconButton = nullptr;
    QLabel *titleLabel = nullptr;
    QLabel *textLabel = nullptr;
    QPoint dragOffset;
    bool dragging = false;
};

// Shows the dialog modally and returns when the operator dismisses it. The
// text comes already translated by the caller. The answer is not returned.
void showMsgBox(int type, const QString &text);

// A type's title text and the style sheets of its title and icon, all empty
// for an unknown type. The notices that leave the keyboard alone wear the
// warning look too.
struct MsgBoxLook
{
    QString title;
    QString titleStyle;
    QString iconStyle;
};
MsgBoxLook msgBoxLook(int type);
extern const QString kMsgBoxCloseButtonStyle;
// The frame both wear: the box's width, its title bar with the close button
// at the right, and where the text begins.
constexpr int kMsgBoxWidth = 340;
constexpr int kMsgBoxTitleHeight = 30;
constexpr int kMsgBoxCloseButtonSize = 30;
constexpr int kMsgBoxTextX = 90;
constexpr int kMsgBoxTitleFontPixels = 12;
