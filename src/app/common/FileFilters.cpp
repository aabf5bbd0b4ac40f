#include "app/common/FileFilters.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <map>
#include <string>

#include "formats/plugin/SPIs.h"

namespace zelvo {

namespace {

struct TRowCaptions {
    const char* Open;
    const char* Save;
};

// By the rows' keys. Rows without captions (netpbm) are not listed.
const std::map<std::string, TRowCaptions, std::less<>>& RowCaptions() {
    static const std::map<std::string, TRowCaptions, std::less<>> captions = {
        {"bmp", {QT_TRANSLATE_NOOP("FileFilters", "ビットマップファイル(*.bmp;*.dib)"), QT_TRANSLATE_NOOP("FileFilters", "ビットマップファイル(*.bmp)")}},
        {"jpeg", {QT_TRANSLATE_NOOP("FileFilters", "JPEG ファイル (*.jpg;*.jpeg;*.jpe)"), QT_TRANSLATE_NOOP("FileFilters", "JPEG ファイル(*.jpg)")}},
        {"png", {QT_TRANSLATE_NOOP("FileFilters", "PNG ファイル(*.png)"), QT_TRANSLATE_NOOP("FileFilters", "PNG ファイル(*.png)")}},
        {"ico", {QT_TRANSLATE_NOOP("FileFilters", "アイコン ファイル(*.ico)"), ""}},
        {"gif", {QT_TRANSLATE_NOOP("FileFilters", "GIF ファイル(*.gif)"), QT_TRANSLATE_NOOP("FileFilters", "GIF ファイル(*.gif)")}},
        {"pcd", {QT_TRANSLATE_NOOP("FileFilters", "PCD ファイル(*.pcd)"), ""}},
        // Read by the plug-ins, which give the open dialog's entries.
        {"webp", {"", QT_TRANSLATE_NOOP("FileFilters", "WebP ファイル(*.webp)")}},
        {"tiff", {"", QT_TRANSLATE_NOOP("FileFilters", "TIFF ファイル(*.tif)")}},
        {"avif", {"", QT_TRANSLATE_NOOP("FileFilters", "AVIF ファイル(*.avif)")}},
        {"heic", {"", QT_TRANSLATE_NOOP("FileFilters", "HEIC ファイル(*.heic)")}},
        {"jxl", {"", QT_TRANSLATE_NOOP("FileFilters", "JPEG XL ファイル(*.jxl)")}},
    };
    return captions;
}

std::string CaptionOf(const TPictureFormat& row, bool save) {
    const auto& captions = RowCaptions();
    const auto found = captions.find(row.Key);
    const char* caption = found == captions.end() ? "" : save ? found->second.Save : found->second.Open;
    return *caption ? QCoreApplication::translate("FileFilters", caption).toStdString() : std::string();
}

}  // namespace

const TFilterCaptions& WindowFilterCaptions() {
    static const TFilterCaptions captions{
        QCoreApplication::translate("FileFilters", "全ての画像ファイル").toStdString(),
        [](const TPictureFormat& row) { return CaptionOf(row, false); },
        [](const TPictureFormat& row) { return CaptionOf(row, true); },
    };
    return captions;
}

TFormatFilters BuildWindowFilters(bool gifMode, const std::vector<TPluginFormat>& plugins) {
    return BuildFormatFilters(gifMode, plugins, WindowFilterCaptions());
}

namespace {

TPluginFormat FormatOf(const TSPI& plugin) {
    TPluginFormat format;
    if (!plugin.Patterns().empty()) {
        format.Patterns = plugin.Patterns().front();
        format.Description = plugin.Descriptions().front();
    }
    return format;
}

}  // namespace

std::vector<TPluginFormat> PluginFormats(const TSPIs& plugins) {
    std::vector<TPluginFormat> formats;
    for (int i = 0; i < plugins.Count(); ++i) formats.push_back(FormatOf(plugins.Item(i)));
    return formats;
}

TFormatFilters SearchPluginFilters(bool gifMode, TSPIs& plugins) {
    auto previous = plugins.OnAfterLoad;
    plugins.OnAfterLoad = [&plugins, gifMode](TSPI& plugin, bool& accept) {
        std::vector<TPluginFormat> formats = PluginFormats(plugins);
        formats.push_back(FormatOf(plugin));
        accept = !formats.back().Patterns.empty() && BuildWindowFilters(gifMode, formats).PluginAccepted.back();
    };
    plugins.Search("*.spi");
    plugins.OnAfterLoad = previous;
    return BuildWindowFilters(gifMode, PluginFormats(plugins));
}

QStringList SaveDialogSuffixes(bool gifMode) {
    QStringList suffixes;
    for (const std::string& ext : BuildWindowFilters(gifMode, {}).SaveExtensions)
        suffixes << QString::fromStdString(ext);
    return suffixes;
}

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
