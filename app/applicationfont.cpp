#include "applicationfont.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace {

const QString kApplicationFontFamily = QStringLiteral("Microsoft Yahei");
// The same family under its Chinese name, which the message dialog's style
// sheets use.
const QString kApplicationFontFamilyChineseName = QStringLiteral(u"微软雅黑");
constexpr int kApplicationFontPoints = 9;

// WenQuanYi Micro Hei (Debian: fonts-wqy-microhei) was drawn to stand in for
// it. The usual fallback, DejaVu Sans, is so much wider that "Separador de
// campo:" and "Formato de fecha:" overrun their labels.
const QStringList kSubstituteFamilies = {QStringLiteral("WenQuanYi Micro Hei")};
// Even the stand-in's Latin letters are a little wider than the design
// font's: "Puerto:" has 40 pixels before the port box covers it and needs 42.
// Narrowed to this share of their width, every text of the forms fits with a
// pixel to spare.
constexpr int kSubstituteStretchPercent = 93;

} // namespace

QStringList applicationFontSubstitutes()
{
    return kSubstituteFamilies;
}

void setApplicationFont()
{
    QFont font(kApplicationFontFamily, kApplicationFontPoints);
    if (!QFontDatabase().families().contains(kApplicationFontFamily, Qt::CaseInsensitive)) {
        for (const QString &name : {kApplicationFontFamily, kApplicationFontFamilyChineseName})
            QFont::insertSubstitutions(name, kSubstituteFamilies);
        font.setStretch(kSubstituteStretchPercent);
    }
    QApplication::setFont(font);
}
