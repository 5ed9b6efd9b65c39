#pragma once

#include <QLoggingCategory>

// The link's diagnostics: the port and speed chosen, every command sent, the
// scanner's version and model, and why a port would not open or went away.
// Nothing a card holds passes through here.
Q_DECLARE_LOGGING_CATEGORY(lcLink)
