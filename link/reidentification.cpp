#include "reidentification.h"

#include "linklog.h"
#include "scannerlink.h"

Reidentification::Reidentification(ScannerLink &link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(kPauseBetweenTries);
    connect(&m_pause, &QTimer::timeout, this, &Reidentification::tryOnce);
}

void Reidentification::start(const QString &portName, const QString &baudText)
{
    m_portName = portName;
    m_baudText = baudText;
    m_active = true;
    m_sinceStart.start();
    tryOnce();
}

void Reidentification::stop()
{
    m_active = false;
    m_pause.stop();
}

void Reidentification::tryOnce()
{
    if (!m_active)
        return;
    m_link.openLink(m_portName, m_baudText, ScannerLink::Failures::Quiet);
    // A click during the try, or the device gone again, stopped us.
    if (!m_active)
        return;
    if (m_link.portOpen()) {
        m_active = false;
        return;
    }
    if (m_sinceStart.elapsed() < kRetryFor.count()) {
        qCDebug(lcLink).noquote() << "identifying" << m_portName << "again:" << m_link.lastFailure();
        m_pause.start();
        return;
    }
    m_active = false;
    emit gaveUp(m_link.lastFailure());
}
