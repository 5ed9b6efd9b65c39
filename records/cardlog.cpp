#include "cardlog.h"

// Warnings and worse only, unless a logging rule asks for more.
Q_LOGGING_CATEGORY(lcCard, "quillon.card", QtWarningMsg)
