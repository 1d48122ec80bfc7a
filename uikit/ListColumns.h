#pragma once

#include <QList>
#include <QStringList>

class QTreeWidget;

namespace mg {

// Sizes the columns of a list view for the font in use: each column is as
// wide as the widest of its header, its widest legal value (empty: none) and
// its designed width in pixels (0: none). The view's minimum width then shows
// every column without scrolling sideways, also once a long list brings its
// vertical scroll bar.
void fitListColumns(QTreeWidget *view, const QStringList &widestValues, const QList<int> &designedWidths = {});

} // namespace mg
