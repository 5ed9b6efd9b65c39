#include "keyslog.h"

Q_LOGGING_CATEGORY(lcKeys, "quillon.keys")
