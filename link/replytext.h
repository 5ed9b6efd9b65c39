#pragma once

#include <QByteArray>
#include <QString>

// The scanner answers the version and model queries with characters, one per
// byte. The version loses every CR and LF; the model loses LF only, so a
// model name that the firmware ends with CR LF is not a name we know.
QString versionTextFromPayload(const QByteArray &payload);
QString modelTextFromPayload(const QByteArray &payload);
