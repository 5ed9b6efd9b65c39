#include "linklog.h"

Q_LOGGING_CATEGORY(lcLink, "quillon.link")
