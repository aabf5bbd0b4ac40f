// A large desktop font (QT_FONT_DPI=144 under Xvfb): the status bar of a
// 4000 x 3000 picture at 5000 % at every depth, the open dialog's preview
// lines, the histogram window and the effect dialogs show every text
// whole: each text is no wider or taller than the place it is drawn in, and
// that place lies inside its window, and the window fits the 1280 x 1024
// screen. Writes a
// screenshot of each. Runs only when ZELVO_GEOMETRY_SHOTS, ZELVO_SAMPLE and
// QT_FONT_DPI are set (with QT_ENABLE_HIGHDPI_SCALING=0, so that only the
// font grows).

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QLabel>
#include <QPushButton>
#include <QProgressBar>

#include <filesystem>
#include <functional>
#include <memory>

#include "ScreenshotSupport.h"
#include "TestSupport.h"
#include "app/dialogs/ZVfrmHistgram.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmRegularPreview.h"
#include "app/dialogs/ZVfrmSlide.h"
#include "app/dialogs/ZVfrmSlide2.h"
#include "app/folders/OpenPictureDialog.h"
#include "app/window/ZVStatusBar.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Every label under `root` that is shown: its size hint fits its size and
// it lies inside `root`.
void ExpectWidgetsWhole(QWidget* root) {
    const QRect inside(QPoint(0, 0), root->size());
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || !qobject_cast<QLabel*>(w)) continue;
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_LE(w->sizeHint().width(), w->width());
        EXPECT_LE(w->sizeHint().height(), w->height());
        EXPECT_TRUE(inside.contains(QRect(w->mapTo(root, QPoint(0, 0)), w->size())));
    }
}

class TLargeFontScreenshots : public test::TSampleWindowShots {
protected:
    TLargeFontScreenshots() : TSampleWindowShots(QSize(1200, 700)) {}

    void SetUp() override {
        if (qEnvironmentVariable("QT_FONT_DPI").toInt() < 120) GTEST_SKIP() << "set QT_FONT_DPI";
        TSampleWindowShots::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        // A gradient, so that the view at 5000 % shows more than one colour.
        FPicture = test::MakeTempDir("zelvo-large-font") / "large.bmp";
        TDibImage picture = test::FlatImage24(kWidth, kHeight, clBlack);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = picture.ScanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                row[3 * x] = std::uint8_t(x * 5);
                row[3 * x + 1] = std::uint8_t(y * 7);
                row[3 * x + 2] = std::uint8_t((x + y) * 3);
            }
        }
        picture.SaveToFile(FPicture);
        ASSERT_TRUE(FForm->LoadImageFile(QString::fromStdString(FPicture.string()), false));
        test::Settle(200);
        // The window, at its least size for this font, fits the screen.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_LE(FForm->minimumSizeHint().width(), screen.width());
        EXPECT_TRUE(screen.contains(FForm->frameGeometry())) << FForm->frameGeometry().width();
    }

    std::filesystem::path FPicture;
};

TEST_F(TLargeFontScreenshots, StatusBarAtEveryDepth) {
    TQxImageView& view = FForm->View();
    view.SetZoom(5000);
    const struct {
        QAction* Action;
        int Bits;
        const char* Shot;
    } depths[] = {{nullptr, 24, "1-status-24bit.png"},
                  {FForm->Actions.mnuColorBit8, 8, "2-status-8bit.png"},
                  {FForm->Actions.mnuColorBit4, 4, "3-status-4bit.png"},
                  {FForm->Actions.mnuColorBit1, 1, "4-status-1bit.png"}};
    for (const auto& depth : depths) {
        SCOPED_TRACE(depth.Bits);
        if (depth.Action) depth.Action->trigger();
        ASSERT_EQ(FForm->QxImage1().BitCount(), depth.Bits);
        // The pointer over the last pixel (view scrolled to the bottom
        // right corner) shows the largest position and its colour; it leaves
        // and comes back so that the server reports a move at every depth.
        view.SetScrollPos({view.MaxScrollX(), view.MaxScrollY()});
        test::Settle(100);
        const QPoint corner = view.PictureToScreen({kWidth - 1, kHeight - 1}) + QPoint(25, 25);
        QCursor::setPos(view.viewport()->mapToGlobal(corner - QPoint(10, 10)));
        test::Settle(100);
        QCursor::setPos(view.viewport()->mapToGlobal(corner));
        test::Settle(200);

        TZVStatusBar* bar = FForm->StatusBar1;
        const TStatusInfo info = bar->InfoSource();
        const QString texts[] = {QString(), bar->PanelText(1), bar->PanelText(2), TZVStatusBar::OwnerDrawnText(3, info),
                                 TZVStatusBar::OwnerDrawnText(4, info), TZVStatusBar::OwnerDrawnText(5, info)};
        EXPECT_EQ(texts[3], QStringLiteral("4000 x 3000"));
        EXPECT_EQ(texts[4], QStringLiteral("5000%"));
        EXPECT_EQ(texts[5], QStringLiteral("%1bit").arg(depth.Bits));
        EXPECT_EQ(texts[1], QStringLiteral("3999 , 2999"));
        // x * 5, y * 7 and (x + y) * 3 modulo 256 as blue, green and red.
        if (depth.Bits == 24) {
            EXPECT_EQ(texts[2], QStringLiteral("#02011B"));
        }
        EXPECT_EQ(texts[2].size(), 7);
        const QFontMetrics metrics = bar->fontMetrics();
        for (int panel = 1; panel < TZVStatusBar::kPanelCount; ++panel) {
            SCOPED_TRACE(panel);
            const QRect rect = bar->PanelTextRect(panel);
            EXPECT_LE(metrics.horizontalAdvance(texts[panel]), rect.width());
            // A selection as large as the picture shows in panel 2 too.
            if (panel == 2) {
                EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("4000 x 3000")), rect.width());
            }
            EXPECT_LE(metrics.height(), rect.height());
            EXPECT_LE(rect.right(), bar->width() - 1);
            // and on the screen.
            EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(
                QRect(bar->mapToGlobal(rect.topLeft()), rect.size())));
        }
        EXPECT_GE(bar->Panel0Width(), TZVStatusBar::kMinPanel0Width);
        EXPECT_EQ(FForm->ProgressBar1->width(), bar->Panel0Width() - 1);
        Shoot(depth.Shot);
    }
}

TEST_F(TLargeFontScreenshots, OpenDialogAndHistogramReadouts) {
    TQxOpenPictureDialog dialog(FForm.get());
    dialog.setDirectory(QString::fromStdString(FPicture.parent_path().string()));
    dialog.move(20, 20);
    dialog.show();
    dialog.SelectionChanged(QString::fromStdString(FPicture.string()));
    dialog.UpdatePreview();
    test::Settle(300);
    for (int waited = 0; dialog.PreviewPending() && waited < 100; ++waited) test::Settle(200);
    EXPECT_TRUE(dialog.PictureLabel1->text().contains(QStringLiteral("4000 x 3000")));
    for (QLabel* label : {dialog.PictureLabel1, dialog.PictureLabel2, dialog.PictureLabel3})
        EXPECT_FALSE(label->text().isEmpty());
    ExpectWidgetsWhole(dialog.PicturePanel);
    EXPECT_LE(dialog.PicturePanel->mapTo(&dialog, QPoint(0, dialog.PicturePanel->height())).y(), dialog.height());
    Shoot("5-open-dialog.png");
    dialog.hide();

    TZVfrmHistgram window(FForm->QxImage1(), FForm.get());
    window.move(20, 20);
    window.show();
    // The largest counts a picture can have: 65535 x 65535 pixels.
    window.lblCount->setText(QStringLiteral("4294836225"));
    window.lblAllCount->setText(QStringLiteral("4294836225"));
    window.lblLevel->setText(QStringLiteral("255"));
    test::Settle(200);
    ExpectWidgetsWhole(&window);
    Shoot("6-histogram.png");
}

// The effect dialogs: every label whole, and none covers another control.
TEST_F(TLargeFontScreenshots, EffectDialogLabels) {
    const struct {
        const char* Name;
        std::function<std::unique_ptr<QDialog>()> Make;
    } dialogs[] = {
        {"brightness", [&] { return std::make_unique<TZVfrmPreview>(*FForm, *FindPreviewEffect(TPreviewEffectType::Brightness)); }},
        {"mosaic", [&] { return std::make_unique<TZVfrmSlide>(*FForm, *FindSlideEffect(TSlideEffectType::Mosaic)); }},
        {"block", [&] { return std::make_unique<TZVfrmSlide2>(*FForm); }},
        {"blind", [&] { return std::make_unique<TZVfrmRegularPreview>(*FForm); }},
    };
    for (const auto& entry : dialogs) {
        SCOPED_TRACE(entry.Name);
        const std::unique_ptr<QDialog> dialog = entry.Make();
        dialog->move(20, 20);
        dialog->show();
        test::Settle(200);
        ExpectWidgetsWhole(dialog.get());
        for (const QLabel* label : dialog->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            if (label->isHidden()) continue;
            for (const QWidget* other : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (other == label || other->isHidden() || qobject_cast<const QLabel*>(other)) continue;
                EXPECT_FALSE(label->geometry().intersects(other->geometry()))
                    << label->objectName().toStdString() << " " << other->objectName().toStdString();
            }
        }
        // The OK, cancel and help buttons show their captions whole.
        const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly);
        for (const QPushButton* button : buttons) {
            SCOPED_TRACE(button->objectName().toStdString());
            EXPECT_LE(button->sizeHint().width(), button->width());
            EXPECT_LE(button->sizeHint().height(), button->height());
            for (const QPushButton* other : buttons)
                if (other->y() == button->y()) {
                    EXPECT_EQ(other->height(), button->height());
                }
            EXPECT_TRUE(QRect(QPoint(0, 0), dialog->size()).contains(button->geometry()));
        }
        if (entry.Name == std::string("brightness")) Shoot("7-brightness.png");
    }
}

}  // namespace
}  // namespace zelvo
