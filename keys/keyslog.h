#pragma once

#include <QLoggingCategory>

// The keyboard chosen at start and what it can reach; never the typed text.
Q_DECLARE_LOGGING_CATEGORY(lcKeys)
