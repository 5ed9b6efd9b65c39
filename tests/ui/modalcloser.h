#pragma once

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

// Dismisses every modal dialog that opens while it lives, and remembers what
// each one said (its title and the texts of its labels), so that a test can
// drive a slot that blocks in a modal run.
class ModalCloser : public QObject
{
public:
    struct Seen
    {
        QString className;
        QString windowTitle;
        QStringList texts;
    };

    ModalCloser()
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
        auto *dialog = qobject_cast<QDialog *>(modal);
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
        dialog->reject();
    }

    QTimer timer;
    QPointer<QDialog> lastClosed;
};
