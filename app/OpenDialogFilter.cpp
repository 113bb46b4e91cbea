#include "app/OpenDialogFilter.h"

namespace tervaline::app {

namespace {

QString ToQtPatterns(const QString& patterns) {
    QStringList result;
    for (QString pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        pattern = pattern.trimmed();
        if (pattern.isEmpty()) continue;
        result.append(pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern);
    }
    if (result.isEmpty()) result.append(QStringLiteral("*"));
    return result.join(u' ');
}

}  // namespace

QStringList ToQtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = i + 1 < parts.size() ? parts[i + 1] : QString();
        if (description.isEmpty() && patterns.trimmed().isEmpty()) continue;
        const QString qtPatterns = ToQtPatterns(patterns);
        result.append((description.isEmpty() ? qtPatterns : description) + QStringLiteral(" (") +
                      qtPatterns + u')');
    }
    return result;
}

}  // namespace tervaline::app
