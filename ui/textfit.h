#pragma once

#include <QString>

class QLabel;

// The height a word-wrapped label needs to show all of its text at its
// present width.
int wrappedTextHeight(const QLabel &label);

// Shows text on a one-line status label: elided at the label's width when it
// does not fit, the whole text in its tool tip. A message of several lines
// is shown on one.
void setStatusText(QLabel *label, const QString &text);
