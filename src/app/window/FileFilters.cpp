#include "app/window/FileFilters.h"

#include <QFileInfo>

namespace zelvo {

QStringList QtNameFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < int(parts.size()); i += 2) {
        QString description = parts[i];
        // The description's own pattern list, if any, gives way to Qt's form.
        if (description.endsWith(QLatin1Char(')'))) {
            const int open = int(description.lastIndexOf(QLatin1Char('(')));
            if (open >= 0) description.truncate(open);
        }
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << description + QLatin1Char('(') + patterns + QLatin1Char(')');
    }
    return out;
}

bool MatchesPatternEntry(const QStringList& patternList, int index, const QString& fileName) {
    if (index < 0 || index >= patternList.size()) return false;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix.isEmpty()) return false;
    return patternList[index].contains(QLatin1Char('.') + suffix + QLatin1Char(' '));
}

QString CanonicalFileName(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.absoluteFilePath() : path;
}

}  // namespace zelvo
