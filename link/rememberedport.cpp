#include "rememberedport.h"

namespace {
const QString kLastPortKey = QStringLiteral("link/lastPort");
} // namespace

QString rememberedPort(const QSettings &settings) { return settings.value(kLastPortKey).toString(); }

void rememberPort(QSettings &settings, const QString &portName) { settings.setValue(kLastPortKey, portName); }
