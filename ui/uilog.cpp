#include "uilog.h"

Q_LOGGING_CATEGORY(lcUi, "quillon.ui")
