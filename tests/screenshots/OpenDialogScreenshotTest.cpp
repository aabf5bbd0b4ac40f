// Screenshots of the open dialog previewing a JPEG, a PNG and a BMP
// picture, taken from the screen of an X server. Runs only when
// ZELVO_GEOMETRY_SHOTS names the folder to write the PNG files to and
// ZELVO_SAMPLE the sample picture (dialog-screenshots.sh sets both under
// Xvfb), so the pictures can be looked at.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>
#include <filesystem>

#include "AppTestSupport.h"
#include "ScreenshotSupport.h"
#include "TestSupport.h"
#include "app/folders/OpenPictureDialog.h"
#include "app/common/FileFilters.h"
#include "app/window/ZVfrmMain.h"
#include "formats/QxImageIO.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::Settle;

TEST(OpenDialogScreenshots, PreviewOfAJpegAPngAndABmp) {
    const char* folder = std::getenv("ZELVO_GEOMETRY_SHOTS");
    const char* sample = std::getenv("ZELVO_SAMPLE");
    if (!folder || !sample) GTEST_SKIP() << "set ZELVO_GEOMETRY_SHOTS and ZELVO_SAMPLE";
    QDir().mkpath(QString::fromLocal8Bit(folder));

    // A folder of three pictures: a photo from the corpus, the sample
    // picture as PNG and as BMP.
    const fs::path pictures = test::MakeTempDir("zelvo-open-shots");
    fs::copy_file(test::CorpusDir() / "jpeg" / "image-rs" / "cat.jpg", pictures / "cat.jpg");
    fs::copy_file(sample, pictures / "sample.bmp");
    TDibImage picture;
    picture.LoadFromFile(sample);
    bool keyed = false;
    ASSERT_TRUE(WriteDocumentPicture(pictures / "sample.png", picture, {}, false, keyed));

    auto form = test::MakeWindow();
    TQxOpenPictureDialog dialog(form.get());
    dialog.setNameFilters(QtNameFilters(form->Filters.FOpenFilter));
    dialog.setDirectory(QString::fromStdString(pictures.string()));
    dialog.SetPreviewBaseColor(form->BackgroundColor());
    dialog.resize(640, 520);
    dialog.move(20, 20);
    dialog.show();
    Settle(500);

    for (const char* name : {"cat.jpg", "sample.png", "sample.bmp"}) {
        SCOPED_TRACE(name);
        // As a click in the file list does: the list's current item moves.
        auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
        ASSERT_NE(list, nullptr);
        QModelIndex item;
        for (int i = 0; i < 20 && !item.isValid(); ++i) {
            const QAbstractItemModel* model = list->model();
            for (int row = 0; row < model->rowCount(list->rootIndex()); ++row) {
                const QModelIndex index = model->index(row, 0, list->rootIndex());
                if (index.data().toString() == QLatin1String(name)) item = index;
            }
            if (!item.isValid()) Settle(100);  // the folder is still being read
        }
        ASSERT_TRUE(item.isValid());
        list->setCurrentIndex(item);
        Settle(TQxOpenPictureDialog::kRestMilliseconds + 450);
        for (int waited = 0; dialog.PreviewPending() && waited < 100; ++waited) Settle(200);
        EXPECT_TRUE(dialog.PaintBox->HasPicture());
        EXPECT_FALSE(dialog.PictureLabel1->text().isEmpty());
        EXPECT_FALSE(dialog.PictureLabel2->text().isEmpty());
        EXPECT_FALSE(dialog.PictureLabel3->text().isEmpty());
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 680, 580);
        const QString target = QString::fromLocal8Bit(folder) + QStringLiteral("/open-") +
                               QString::fromLatin1(name).replace(QLatin1Char('.'), QLatin1Char('-')) +
                               QStringLiteral(".png");
        ASSERT_TRUE(shot.save(target, "PNG"));
    }
    dialog.reject();
    fs::remove_all(pictures);
}

}  // namespace
}  // namespace zelvo
