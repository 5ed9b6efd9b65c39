#pragma once

#include <QLoggingCategory>

// What a card holds (the parts of a zone's name line, and anything else read
// from a card) goes here and only here. A program started from the desktop
// menu writes its debug output to the session journal, so this category is
// off unless the operator turns it on:
//   QT_LOGGING_RULES="quillon.card.debug=true" quillon
Q_DECLARE_LOGGING_CATEGORY(lcCard)
