#pragma once
// The open and save dialogs' file-type lists and the per-entry pattern
// lists that batch conversion, thumbnails and the slide show match files
// against. The formats and their extensions come from the engine's table of
// picture formats; the Japanese captions of its rows live here.

#include <QString>
#include <QStringList>

#include <vector>

#include "formats/QxImageIO.h"

namespace zelvo {

class TSPIs;

/// The dialogs' captions of the picture-format rows ("ビットマップファイル(*.bmp;*.dib)").
const TFilterCaptions& WindowFilterCaptions();

/// The main window's filters: the table's listed rows with the window's
/// captions, GIF and PhotoCD in GIF mode, then the accepted plug-ins.
TFormatFilters BuildWindowFilters(bool gifMode, const std::vector<TPluginFormat>& plugins);

/// The plug-ins' entries of the filters (first pattern entry and its
/// description), in collection order.
std::vector<TPluginFormat> PluginFormats(const TSPIs& plugins);

/// Searches "*.spi" into `plugins` with the window's acceptance rule: a
/// plug-in is kept only when its first pattern entry adds an extension the
/// filters do not know yet (built-in types first, then the plug-ins kept so
/// far). Returns the filters with the kept plug-ins.
TFormatFilters SearchPluginFilters(bool gifMode, TSPIs& plugins);

/// The save dialog's default extension per entry ("bmp", "jpg", "png" and,
/// in GIF mode, "gif").
QStringList SaveDialogSuffixes(bool gifMode);

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
