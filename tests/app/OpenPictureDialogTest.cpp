// The open dialog's preview: where the picture goes in the box, the three
// lines, the wait for a resting selection, the switch and its setting.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>
#include <QTimer>

#include <climits>
#include <filesystem>
#include <fstream>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/common/Settings.h"
#include "app/folders/OpenPictureDialog.h"
#include "app/window/ZVfrmMain.h"
#include "formats/JpegImage.h"
#include "formats/PngImage.h"
#include "image/Stream.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(PreviewFitRect, UnscaledWhenItFitsElseScaledToTheNearerSide) {
    struct TCase {
        int Width, Height, BoxWidth, BoxHeight;
        TRect Expected;
    };
    const TCase cases[] = {
        // 64 x 48 in 150 x 150: unscaled at ((150-64)/2, (150-48)/2).
        {64, 48, 150, 150, Bounds(43, 51, 64, 48)},
        {150, 150, 150, 150, Bounds(0, 0, 150, 150)},
        // 1600 x 1200 in 144 x 200: 144 wide, 1200 x 144 / 1600 = 108 high,
        // (200 - 108) / 2 = 46 from the top.
        {1600, 1200, 144, 200, Bounds(0, 46, 144, 108)},
        {1200, 1600, 200, 144, Bounds(46, 0, 108, 144)},
        // Taller than wide but still relatively wider than a narrow box:
        // 1200 x 1600 in 144 x 200 takes the width (1600 x 144 / 1200 = 192);
        // taking the height would make it 150 wide, wider than the box.
        {1200, 1600, 144, 200, Bounds(0, 4, 144, 192)},
        // Wider than tall but relatively taller than a wide box.
        {300, 200, 400, 100, Bounds(125, 0, 150, 100)},
        // A line of pixels keeps at least one pixel.
        {100000, 1, 142, 142, Bounds(0, 70, 142, 1)},
        {1, 100000, 142, 142, Bounds(70, 0, 1, 142)},
        // Products far above 32 bits.
        {INT_MAX, INT_MAX - 1, 32767, 32767, Bounds(0, 0, 32767, 32766)},
        {0, 10, 142, 142, TRect{}},
        {10, 10, 0, 142, TRect{}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.Width << "x" << c.Height << " in " << c.BoxWidth << "x"
                                          << c.BoxHeight);
        const TRect r = PreviewFitRect(c.Width, c.Height, c.BoxWidth, c.BoxHeight);
        EXPECT_EQ(r, c.Expected) << r.Left << "," << r.Top << " " << r.Width() << "x" << r.Height();
    }
}

TEST(PreviewTexts, DepthNamesAndSizesWithSeparators) {
    for (int bits : {1, 4, 8, 15, 16, 24, 32}) EXPECT_EQ(PreviewDepthName(bits), QStringLiteral("%1 bpp").arg(bits));
    for (int bits : {0, 2, 3, 48}) EXPECT_TRUE(PreviewDepthName(bits).isEmpty()) << bits;

    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    EXPECT_EQ(PreviewFileSizeText(0), QStringLiteral("0 bytes"));
    EXPECT_EQ(PreviewFileSizeText(999), QStringLiteral("999 bytes"));
    EXPECT_EQ(PreviewFileSizeText(1000), QStringLiteral("1,000 bytes"));
    EXPECT_EQ(PreviewFileSizeText(1234567), QStringLiteral("1,234,567 bytes"));
    EXPECT_EQ(PreviewFileSizeText(5000000000), QStringLiteral("5,000,000,000 bytes"));
    // Even the plain C locale separates the thousands.
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(PreviewFileSizeText(1234567), QStringLiteral("1,234,567 bytes"));
    QLocale::setDefault(saved);
}

class OpenPreview : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = test::MakeTempDir("zelvo-open");
        test::NoiseImage24(64, 48, 3).SaveToFile(FDir / "photo.bmp");
        test::NoiseImagePalette(20, 10, 8, 256, 4).SaveToFile(FDir / "palette.bmp");
        test::NoiseImagePalette(20, 10, 1, 2, 4).SaveToFile(FDir / "mono.bmp");
        SaveJpegPicture(test::FlatImage24(1600, 1200, RGB(200, 30, 30)), FDir / "big.jpg", 85, false);
        fs::create_directory(FDir / "folder.bmp");
        std::ofstream(FDir / "broken.png", std::ios::binary) << "\x89PNG\r\n\x1a\nbroken";
        ::mkfifo((FDir / "pipe.bmp").c_str(), 0600);
    }
    void TearDown() override { fs::remove_all(FDir); }

    QString Path(const char* name) const { return QString::fromStdString((FDir / name).string()); }

    // Selects `name` and previews it at once, as the rest timer would, then
    // waits for its decode.
    void Preview(TQxOpenPictureDialog& dialog, const char* name) {
        dialog.SelectionChanged(Path(name));
        dialog.UpdatePreview();
        WaitForDecode(dialog);
    }

    static void WaitForDecode(const TQxOpenPictureDialog& dialog) {
        QElapsedTimer timer;
        timer.start();
        while (dialog.PreviewPending() && timer.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    static bool Cleared(const TQxOpenPictureDialog& dialog) {
        return dialog.PictureLabel1->text().isEmpty() && dialog.PictureLabel2->text().isEmpty() &&
               dialog.PictureLabel3->text().isEmpty() && !dialog.PaintBox->HasPicture();
    }

    fs::path FDir;
};

TEST_F(OpenPreview, LabelsGiveSizeDepthFileSizeAndTime) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    TQxOpenPictureDialog dialog;
    struct TCase {
        const char* Name;
        const char* Size;
    };
    for (const TCase& c : {TCase{"photo.bmp", "64 x 48 pixels 24 bpp"}, TCase{"palette.bmp", "20 x 10 pixels 8 bpp"},
                           TCase{"mono.bmp", "20 x 10 pixels 1 bpp"}, TCase{"big.jpg", "1600 x 1200 pixels 24 bpp"}}) {
        SCOPED_TRACE(c.Name);
        Preview(dialog, c.Name);
        EXPECT_EQ(dialog.PictureLabel1->text(), Text("画像ｻｲｽﾞ：\t") + QString::fromLatin1(c.Size));
        const qint64 bytes = qint64(fs::file_size(FDir / c.Name));
        EXPECT_EQ(dialog.PictureLabel2->text(),
                  Text("ﾌｧｲﾙｻｲｽﾞ：\t") + QLocale().toString(bytes) + QStringLiteral(" bytes"));
        const QString time = dialog.PictureLabel3->text();
        EXPECT_TRUE(time.startsWith(Text("最終更新：\t"))) << time.toStdString();
        EXPECT_GT(time.size(), 10);
        EXPECT_TRUE(dialog.PaintBox->HasPicture());
    }
    // 64 x 48 bytes of BMP: 54 header bytes + 48 rows of 192 = 9270.
    Preview(dialog, "photo.bmp");
    EXPECT_EQ(dialog.PictureLabel2->text(), Text("ﾌｧｲﾙｻｲｽﾞ：\t9,270 bytes"));
    QLocale::setDefault(saved);
}

TEST_F(OpenPreview, FoldersPipesAndBrokenFilesShowNothing) {
    TQxOpenPictureDialog dialog;
    for (const char* name : {"folder.bmp", "pipe.bmp", "broken.png", "missing.jpg"}) {
        SCOPED_TRACE(name);
        Preview(dialog, "photo.bmp");
        ASSERT_FALSE(Cleared(dialog));
        QElapsedTimer timer;
        timer.start();
        Preview(dialog, name);
        EXPECT_TRUE(Cleared(dialog));
        EXPECT_LT(timer.elapsed(), 2000);  // a pipe is never opened
    }
}

TEST_F(OpenPreview, DecodesOnlyOnceTheSelectionRests) {
    TQxOpenPictureDialog dialog;
    const int before = dialog.PreviewDecodes();
    // Moving through three files quickly decodes only the last.
    for (const char* name : {"photo.bmp", "big.jpg", "palette.bmp"}) {
        dialog.SelectionChanged(Path(name));
        Settle(TQxOpenPictureDialog::kRestMilliseconds / 3);
    }
    EXPECT_EQ(dialog.PreviewDecodes(), before);
    EXPECT_TRUE(Cleared(dialog));
    Settle(TQxOpenPictureDialog::kRestMilliseconds * 2);
    WaitForDecode(dialog);
    EXPECT_EQ(dialog.PreviewDecodes(), before + 1);
    EXPECT_EQ(dialog.PictureLabel1->text(), Text("画像ｻｲｽﾞ：\t20 x 10 pixels 8 bpp"));
}

TEST_F(OpenPreview, TheSwitchClearsAndRestoresThePreview) {
    TQxOpenPictureDialog dialog;
    EXPECT_TRUE(dialog.EnablePreview());
    EXPECT_TRUE(dialog.PreviewCheckBox->isChecked());
    EXPECT_EQ(dialog.PreviewCheckBox->text(), Text("プレビュー(&P)"));
    Preview(dialog, "photo.bmp");
    dialog.PreviewCheckBox->setChecked(false);
    EXPECT_FALSE(dialog.EnablePreview());
    EXPECT_TRUE(Cleared(dialog));
    // Switched off, a new selection shows nothing, even after the rest.
    dialog.SelectionChanged(Path("palette.bmp"));
    Settle(TQxOpenPictureDialog::kRestMilliseconds * 2);
    EXPECT_TRUE(Cleared(dialog));
    // Switched on, the current selection shows as soon as it is decoded.
    dialog.SetEnablePreview(true);
    WaitForDecode(dialog);
    EXPECT_TRUE(dialog.PreviewCheckBox->isChecked());
    EXPECT_EQ(dialog.PictureLabel1->text(), Text("画像ｻｲｽﾞ：\t20 x 10 pixels 8 bpp"));
}

TEST_F(OpenPreview, ALargePictureDecodesAsideAndANewerSelectionOvertakesIt) {
    // 6000 x 4000 pixels (72 MB decoded) in a small file.
    {
        TFileStream file(FDir / "large.png", TFileStream::Mode::fmCreate);
        SavePngPicture(test::FlatImage24(6000, 4000, RGB(10, 200, 30)), file, false, 0, false);
    }
    TQxOpenPictureDialog dialog;
    // An event-loop timer counts its ticks and watches that the large
    // picture's lines never show.
    int ticks = 0;
    bool largeShown = false;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        largeShown = largeShown || dialog.PictureLabel1->text().contains(QStringLiteral("6000 x 4000"));
    });
    ticker.start();

    dialog.SelectionChanged(Path("large.png"));
    dialog.UpdatePreview();
    // The call only starts the decode, and the event loop goes on meanwhile.
    EXPECT_TRUE(dialog.PreviewPending());
    QElapsedTimer waiting;
    waiting.start();
    while (ticks < 3 && dialog.PreviewPending() && waiting.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_GE(ticks, 3);

    Preview(dialog, "palette.bmp");
    EXPECT_FALSE(dialog.PreviewPending());
    EXPECT_EQ(dialog.PictureLabel1->text(), Text("画像ｻｲｽﾞ：\t20 x 10 pixels 8 bpp"));
    // Whatever the large decode still delivers comes too late.
    Settle(300);
    EXPECT_EQ(dialog.PictureLabel1->text(), Text("画像ｻｲｽﾞ：\t20 x 10 pixels 8 bpp"));
    EXPECT_FALSE(largeShown);

    // Decoded alone, the large picture shows, shrunk to the box.
    dialog.PaintBox->setFixedSize(150, 100);
    Preview(dialog, "large.png");
    EXPECT_EQ(dialog.PictureLabel1->text(), Text("画像ｻｲｽﾞ：\t6000 x 4000 pixels 24 bpp"));
    EXPECT_EQ(dialog.PaintBox->PictureRect(), Bounds(0, 0, 150, 100));
    EXPECT_EQ(dialog.PaintBox->grab().toImage().pixelColor(75, 50), QColor(10, 200, 30));
}

TEST_F(OpenPreview, PaintsThePictureFittedOnTheBoxColour) {
    test::FlatImage24(64, 48, clRed).SaveToFile(FDir / "small.bmp");
    test::FlatImage24(300, 100, clBlue).SaveToFile(FDir / "wide.bmp");
    TQxOpenPictureDialog dialog;
    dialog.SetPreviewBaseColor(clTeal);
    dialog.PaintBox->setFixedSize(150, 100);
    const QColor teal(0, 128, 128);

    // 64 x 48 unscaled at ((150 - 64) / 2, (100 - 48) / 2) = (43, 26).
    Preview(dialog, "small.bmp");
    QImage shot = dialog.PaintBox->grab().toImage();
    EXPECT_EQ(dialog.PaintBox->PictureRect(), Bounds(43, 26, 64, 48));
    EXPECT_EQ(shot.pixelColor(42, 50), teal);
    EXPECT_EQ(shot.pixelColor(43, 26), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(106, 73), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(107, 73), teal);

    // 300 x 100 takes the width: 150 x 50 from y = 25.
    Preview(dialog, "wide.bmp");
    shot = dialog.PaintBox->grab().toImage();
    EXPECT_EQ(shot.pixelColor(75, 24), teal);
    EXPECT_EQ(shot.pixelColor(75, 25), QColor(Qt::blue));
    EXPECT_EQ(shot.pixelColor(0, 74), QColor(Qt::blue));
    EXPECT_EQ(shot.pixelColor(149, 74), QColor(Qt::blue));
    EXPECT_EQ(shot.pixelColor(75, 75), teal);

    // Switched off: the box colour only.
    dialog.SetEnablePreview(false);
    shot = dialog.PaintBox->grab().toImage();
    EXPECT_EQ(shot.pixelColor(75, 50), teal);
}

TEST_F(OpenPreview, TheSwitchGoesBackToTheWindowAndIntoTheSettings) {
    test::WriteSettingsText("");
    auto form = test::MakeWindow();
    form->Options.FLastDirectory = QString::fromStdString(FDir.string());
    ASSERT_TRUE(form->Options.FOpenPreview);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<TQxOpenPictureDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        EXPECT_TRUE(dialog->PreviewCheckBox->isChecked());
        EXPECT_EQ(dialog->PreviewBaseColor(), form->BackgroundColor());
        dialog->PreviewCheckBox->click();
        dialog->reject();
    });
    EXPECT_TRUE(RunOpenPictureDialog(*form).isEmpty());
    EXPECT_TRUE(seen);
    EXPECT_FALSE(form->Options.FOpenPreview);
    ASSERT_TRUE(WriteSettings(*form));
    EXPECT_EQ(TIniFile(SettingsPath()).ReadString("Settings", "OpenPreview", ""), "0");

    // The next dialog starts switched off and picks a file.
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<TQxOpenPictureDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog->PreviewCheckBox->isChecked());
        dialog->selectFile(Path("photo.bmp"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(RunOpenPictureDialog(*form, Text("開く")), Path("photo.bmp"));
}

}  // namespace
}  // namespace zelvo
