#pragma once

#include <QSettings>
#include <QString>

// The port that last identified a scanner, kept per user in the settings
// of our own name. "Config.ini" holds the transmit settings alone and never
// learns of it.
QString rememberedPort(const QSettings &settings);
void rememberPort(QSettings &settings, const QString &portName);
