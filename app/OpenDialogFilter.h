// The open-file dialog's filter is kept as the language file writes it,
// "Description|pattern|Description|pattern", with several patterns of one
// entry separated by ';'. The toolkit wants one "Description (patterns)"
// entry per filter instead.
#pragma once

#include <QString>
#include <QStringList>

namespace tervaline::app {

// Each pair becomes "Description (p1 p2)". The Windows pattern *.* (every
// file, with or without a dot) becomes *. A trailing description without
// a pattern stands for every file; empty entries are dropped.
QStringList ToQtNameFilters(const QString& filter);

}  // namespace tervaline::app
