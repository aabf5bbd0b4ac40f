#pragma once
// The open and save dialogs' file-type lists and the per-entry pattern
// lists that batch conversion, thumbnails and the slide show match files
// against.

#include <QString>
#include <QStringList>

namespace zelvo {

/// A "description|patterns|..." filter as Qt file-dialog name filters: the
/// patterns go inside the parentheses, blank-separated
/// ("ビットマップファイル(*.bmp *.dib)").
QStringList QtNameFilters(const QString& filter);

/// True when `fileName`'s lower-cased extension is in entry `index` of
/// `patternList` ("." + extension + " " occurs in it).
bool MatchesPatternEntry(const QStringList& patternList, int index, const QString& fileName);

/// `path` made absolute when the file exists (its name as stored on disk),
/// otherwise unchanged.
QString CanonicalFileName(const QString& path);

}  // namespace zelvo
