#include "ListColumns.h"

#include <QFontMetrics>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>

namespace mg {

void fitListColumns(QTreeWidget *view, const QStringList &widestValues, const QList<int> &designedWidths)
{
    const QFontMetrics fm = view->fontMetrics();
    int listWidth = view->frameWidth() * 2 + 4 + view->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int column = 0; column < view->columnCount(); ++column) {
        const int header = fm.horizontalAdvance(view->headerItem()->text(column)) + 22;
        const QString value = widestValues.value(column);
        const int content = value.isEmpty() ? 0 : fm.horizontalAdvance(value) + 18;
        const int width = std::max({header, content, designedWidths.value(column)});
        view->setColumnWidth(column, width);
        listWidth += width;
    }
    view->setMinimumWidth(listWidth);
}

} // namespace mg
