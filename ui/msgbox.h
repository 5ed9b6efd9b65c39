#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

class QLabel;
class QPushButton;

// The program's own frameless message dialog. Every problem shown to the
// operator goes through showMsgBox(); the dialog lives only for that call.
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
