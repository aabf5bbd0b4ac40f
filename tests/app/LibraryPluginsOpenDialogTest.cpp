// The open dialog with our WebP, TIFF and HEIF/AVIF plug-ins beside the
// program: their types join the filter after the built-in ones, and the
// preview shows their pictures with size and depth.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

#include <filesystem>

#include "AppTestSupport.h"
#include "SpiTestSupport.h"
#include "app/folders/OpenPictureDialog.h"
#include "app/common/FileFilters.h"
#include "formats/plugin/SPIs.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

TEST(LibraryPluginsInTheOpenDialog, FilterListsThemAndThePreviewShowsTheirPictures) {
    TSPIs plugins(false, {TSPISearchOption::spsAppDir},
                  [](TSPISearchOption) { return std::vector<fs::path>{test::PluginDir()}; });
    const TFormatFilters filters = SearchPluginFilters(false, plugins);
    for (const char* entry : {"|WebP ファイル|*.webp", "|TIFF ファイル|*.tif;*.tiff",
                              "|HEIF/AVIF ファイル|*.heic;*.heif;*.hif;*.avif"}) {
        EXPECT_NE(filters.OpenFilter.find(entry), std::string::npos) << entry << " in " << filters.OpenFilter;
    }
    for (const char* pattern : {";*.webp", ";*.tif;*.tiff", ";*.heic;*.heif;*.hif;*.avif"})
        EXPECT_NE(filters.AllPatterns.find(pattern), std::string::npos) << pattern;

    TQxOpenPictureDialog dialog;
    struct TCase {
        const char* File;
        const char* Size;
    };
    const TCase cases[] = {{"webp/alpha-lossy.webp", "37 x 23 pixels 24 bpp"},
                           {"tiff/bilevel-g4.tiff", "37 x 23 pixels 1 bpp"},
                           {"tiff/pal8-lzw.tiff", "37 x 23 pixels 8 bpp"},
                           {"heic/photo.heic", "37 x 23 pixels 24 bpp"},
                           {"avif/alpha.avif", "37 x 23 pixels 24 bpp"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        dialog.SelectionChanged(QString::fromStdString((test::TestDataDir() / "plugins" / c.File).string()));
        dialog.UpdatePreview();
        QElapsedTimer waited;
        waited.start();
        while (dialog.PreviewPending() && waited.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_TRUE(dialog.PaintBox->HasPicture());
        EXPECT_TRUE(dialog.PictureLabel1->text().endsWith(QString::fromLatin1(c.Size)))
            << dialog.PictureLabel1->text().toStdString();
    }
}

}  // namespace
}  // namespace zelvo
