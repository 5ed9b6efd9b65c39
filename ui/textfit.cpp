#include "textfit.h"

#include <QFontMetrics>
#include <QLabel>

int wrappedTextHeight(const QLabel &label)
{
    const QMargins margins = label.contentsMargins();
    const int margin = 2 * label.margin();
    const int width = label.width() - margins.left() - margins.right() - margin;
    const QRect needed = QFontMetrics(label.font())
                             .boundingRect(QRect(0, 0, width, QWIDGETSIZE_MAX), Qt::TextWordWrap | Qt::AlignLeft,
                                           label.text());
    return needed.height() + margins.top() + margins.bottom() + margin;
}

void setStatusText(QLabel *label, const QString &text)
{
    const QString oneLine = text.simplified();
    const QMargins margins = label->contentsMargins();
    const int width = label->width() - margins.left() - margins.right() - 2 * label->margin();
    label->setText(QFontMetrics(label->font()).elidedText(oneLine, Qt::ElideRight, width));
    label->setToolTip(oneLine);
}
