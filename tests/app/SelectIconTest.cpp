// The icon chooser and the main window's way through it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/dialogs/ZVfrmSelectIcon.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

QString Corpus(const char* file) { return QString::fromStdString((test::CorpusDir() / file).string()); }

QStringList Lines(const TZVfrmSelectIcon& dialog) {
    QStringList out;
    for (int i = 0; i < dialog.ListBox1->count(); ++i) out << dialog.ListBox1->item(i)->text();
    return out;
}

TEST(SelectIcon, PrepareListsEveryImageInFileOrder) {
    TZVfrmSelectIcon dialog;
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("アイコンの選択"));
    EXPECT_EQ(dialog.btnOK->text(), QStringLiteral("OK"));
    EXPECT_TRUE(dialog.btnOK->isDefault());
    EXPECT_EQ(dialog.btnCancel->text(), QString::fromUtf8("キャンセル"));

    ASSERT_EQ(dialog.Prepare((test::CorpusDir() / "ico/image-rs/smile.ico")), TZVfrmSelectIcon::kShowDialog);
    EXPECT_EQ(Lines(dialog), QStringList({QStringLiteral("  1:  32 x  32   4 bpp"),
                                          QStringLiteral("  2:  16 x  16   4 bpp")}));
    EXPECT_EQ(dialog.SelectedIndex(), 0);

    // A program: every image of its one group, the PNG entry first.
    ASSERT_EQ(dialog.Prepare(test::CorpusDir() / "pe/wine/hh.exe"), TZVfrmSelectIcon::kShowDialog);
    ASSERT_EQ(dialog.ListBox1->count(), 10);
    EXPECT_EQ(dialog.ListBox1->item(0)->text(), QStringLiteral("  1: 256 x 256  32 bpp"));
    EXPECT_EQ(dialog.ListBox1->item(9)->text(), QStringLiteral(" 10:  16 x  16   4 bpp"));

    // One image: used directly. Not an icon source, no icon, unreadable:
    // nothing to show.
    EXPECT_EQ(dialog.Prepare(test::CorpusDir() / "ico/pillow/hopper.ico"), TZVfrmSelectIcon::kSingleImage);
    EXPECT_EQ(dialog.Prepare(test::CorpusDir() / "pe/exiftool/EXE.exe"), TZVfrmSelectIcon::kNothingToShow);
    EXPECT_EQ(dialog.ListBox1->count(), 0);
    EXPECT_EQ(dialog.Prepare(test::CorpusDir() / "pcd/exiftool/PhotoCD.pcd"), TZVfrmSelectIcon::kNothingToShow);
    EXPECT_TRUE(dialog.LoadFailure().empty());
    EXPECT_EQ(dialog.Prepare(test::CorpusDir() / "no-such.ico"), TZVfrmSelectIcon::kNothingToShow);
    EXPECT_FALSE(dialog.LoadFailure().empty());
}

TEST(SelectIcon, PreviewDrawsTheSelectedImageCentredOnWhite) {
    TZVfrmSelectIcon dialog;
    ASSERT_EQ(dialog.Prepare(test::CorpusDir() / "ico/image-rs/smile.ico"), TZVfrmSelectIcon::kShowDialog);
    const auto& icon = dialog.Icon();
    for (int row : {0, 1}) {
        SCOPED_TRACE(row);
        dialog.ListBox1->setCurrentRow(row);
        const QImage preview = dialog.PreviewImage();
        ASSERT_EQ(preview.size(), QSize(100, 100));
        const int side = icon.Images(row)->Width();
        const int at = (100 - side) / 2;  // 34 for 32, 42 for 16
        EXPECT_EQ(preview.pixelColor(0, 0), QColor(Qt::white));
        EXPECT_EQ(preview.pixelColor(at - 1, at - 1), QColor(Qt::white));
        EXPECT_EQ(preview.pixelColor(at + side, at + side), QColor(Qt::white));
        // Inside, the image as drawn over white.
        TDibImage white = test::FlatImage24(side, side, RGB(255, 255, 255));
        icon.Images(row)->Draw(white, 0, 0);
        for (int y = 0; y < side; y += 5)
            for (int x = 0; x < side; x += 3) {
                const TColor c = white.GetPixels(x, y);
                ASSERT_EQ(preview.pixelColor(at + x, at + y), QColor(GetRValue(c), GetGValue(c), GetBValue(c)))
                    << x << "," << y;
            }
        EXPECT_FALSE(dialog.Image1->pixmap().isNull());
    }
    // A 256 x 256 image shows its middle: (100 - 256) / 2 = -78.
    ASSERT_EQ(dialog.Prepare(test::CorpusDir() / "ico/nsis/nsis-menu.ico"), TZVfrmSelectIcon::kShowDialog);
    dialog.ListBox1->setCurrentRow(4);
    TDibImage white = test::FlatImage24(256, 256, RGB(255, 255, 255));
    dialog.Icon().Images(4)->Draw(white, 0, 0);
    const TColor c = white.GetPixels(78 + 50, 78 + 50);
    EXPECT_EQ(dialog.PreviewImage().pixelColor(50, 50), QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
}

TEST(SelectIcon, MainWindowOpensTheChosenImageOrNothing) {
    auto form = test::MakeWindow();
    int shown = 0;
    int choose = 1;
    form->ChooseIconHook = [&](TZVfrmSelectIcon& chooser) {
        ++shown;
        if (choose < 0) return int(QDialog::Rejected);
        chooser.ListBox1->setCurrentRow(choose);
        return int(QDialog::Accepted);
    };
    // Several images: the chooser picks image 1 (16 x 16).
    ASSERT_TRUE(form->LoadImageFile(Corpus("ico/image-rs/smile.ico"), false));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 16);
    EXPECT_EQ(form->QxImage1().Bitmap().Height(), 16);
    EXPECT_EQ(form->QxImage1().Bitmap().Dib().BitCount(), 24);
    EXPECT_FALSE(form->QxImage1().Modified());

    // Cancel: nothing loads, the picture stays.
    choose = -1;
    EXPECT_FALSE(form->LoadImageFile(Corpus("pe/wine/iexplore.exe"), false));
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 16);

    // A program's image by the chooser: image 0 of iexplore.exe is 256 x 256.
    choose = 0;
    ASSERT_TRUE(form->LoadImageFile(Corpus("pe/wine/iexplore.exe"), false));
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 256);

    // One image: no chooser. No icon: nothing, no chooser.
    ASSERT_TRUE(form->LoadImageFile(Corpus("pe/nsis/zlib-x86-ansi.exe"), false));
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 32);
    EXPECT_FALSE(form->LoadImageFile(Corpus("pe/exiftool/EXE.exe"), false));
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 32);
}

}  // namespace
}  // namespace zelvo
