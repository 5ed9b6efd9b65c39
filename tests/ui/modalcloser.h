#pragma once

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

// Dismisses every modal dialog that opens while it lives, and remembers what
// each one said (its title and the texts of its labels), so that a test can
// drive a slot that blocks in a modal run. whileOpen, when given, runs inside
// each dialog's modal run before the dialog is closed.
class ModalCloser : public QObject
{
public:
    struct Seen
    {
        QString className;
        QString windowTitle;
        QStringList texts;
    };

    explicit ModalCloser(std::function<void()> whileOpen = {}) : whileOpen(std::move(whileOpen))
    {
        connect(&timer, &QTimer::timeout, this, [this] { closeActive(); });
        timer.start(kPollMs);
    }

    QList<Seen> seen;

private:
    static constexpr int kPollMs = 20;

    void closeActive()
    {
        QWidget *modal = QApplication::activeModalWidget();
        QPointer<QDialog> dialog = qobject_cast<QDialog *>(modal);
        if (!dialog || dialog == lastClosed)
            return;
        Seen s;
        s.className = QString::fromLatin1(dialog->metaObject()->className());
        s.windowTitle = dialog->windowTitle();
        for (QLabel *label : dialog->findChildren<QLabel *>())
            if (!label->text().isEmpty())
                s.texts << label->text();
        seen << s;
        lastClosed = dialog;
        if (whileOpen)
            whileOpen();
        if (dialog)
            dialog->reject();
    }

    std::function<void()> whileOpen;
    QTimer timer;
    QPointer<QDialog> lastClosed;
};
