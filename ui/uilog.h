#pragma once

#include <QLoggingCategory>

// The windows' own diagnostics, such as the login.
Q_DECLARE_LOGGING_CATEGORY(lcUi)
