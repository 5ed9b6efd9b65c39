#pragma once

#include <QStringList>

// Sets Quillon's application font, "Microsoft Yahei" at 9 points, for every
// widget class. The windows are laid out with absolute geometry for that
// font; where it is not installed (a Linux desktop, as a rule) its names are
// first mapped to a family with close metrics, so that labels keep fitting
// their designed widths. The family name itself stays what the forms and
// style sheets ask for. Needs the application object.
void setApplicationFont();

// The families that stand in for "Microsoft Yahei" when it is missing, best
// first.
QStringList applicationFontSubstitutes();
