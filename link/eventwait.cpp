#include "eventwait.h"

#include <QEventLoop>
#include <QTimer>

void waitWithEvents(std::chrono::milliseconds duration)
{
    if (duration.count() <= 0)
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(duration);
    loop.exec();
}
