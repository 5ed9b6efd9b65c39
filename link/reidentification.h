#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

class ScannerLink;

// A scanner plugged in again may need a while before it answers: its port
// is opened and the scanner identified again and again, each try as an
// opening does it, until one succeeds or kRetryFor has passed since the
// first. The tries tell the operator nothing; giving up does, once.
class Reidentification : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kRetryFor{10000};
    // Between a failed try and the next: the scanner's start is not hurried
    // by queries, and the operator's clicks get through.
    static constexpr std::chrono::milliseconds kPauseBetweenTries{250};

    explicit Reidentification(ScannerLink &link, QObject *parent = nullptr);

    void start(const QString &portName, const QString &baudText);
    // The operator took over, or the device went away again.
    void stop();
    // From start() until a try succeeds, the tries give up, or stop().
    bool active() const { return m_active; }

signals:
    // No try succeeded; reason is the last one's failure.
    void gaveUp(const QString &reason);

private:
    void tryOnce();

    ScannerLink &m_link;
    QString m_portName;
    QString m_baudText;
    QElapsedTimer m_sinceStart;
    QTimer m_pause;
    bool m_active = false;
};
