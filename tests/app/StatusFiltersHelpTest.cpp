// Status-bar panels, the dialogs' filters, hints, help pages and the drop
// component.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMimeData>
#include <QProgressBar>
#include <QStatusTipEvent>
#include <QUrl>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/common/FileDrop.h"
#include "app/common/FileFilters.h"
#include "app/common/HelpPages.h"
#include "app/window/ZVStatusBar.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

TEST(StatusBarTest, OwnerDrawnPanelTexts) {
    TStatusInfo info;
    EXPECT_EQ(TZVStatusBar::OwnerDrawnText(3, info), QString());  // no picture: glyphs only
    info = {false, 640, 480, 250, 8};
    EXPECT_EQ(TZVStatusBar::OwnerDrawnText(3, info), QStringLiteral("640 x 480"));
    EXPECT_EQ(TZVStatusBar::OwnerDrawnText(4, info), QStringLiteral("250%"));
    EXPECT_EQ(TZVStatusBar::OwnerDrawnText(5, info), QStringLiteral("8bit"));
}

TEST(StatusBarTest, PanelZeroTakesTheRestAndTheProgressBarFollows) {
    auto form = test::MakeWindow({test::WriteSampleBmp("status.bmp", 12, 7)});
    form->resize(700, 400);
    form->show();
    TZVStatusBar* bar = form->StatusBar1;
    // 700 - (65 + 65 + 90 + 65 + 65) = 350 when the texts fit those widths;
    // a panel whose text needs more in this font is wider.
    int others = 0;
    for (int i = 1; i < TZVStatusBar::kPanelCount; ++i) {
        EXPECT_GE(bar->PanelWidth(i), TZVStatusBar::kPanelWidths[std::size_t(i)]) << i;
        others += bar->PanelWidth(i);
    }
    const int rest = 700 - others;
    EXPECT_EQ(bar->Panel0Width(), rest);
    EXPECT_EQ(bar->PanelLeft(3), rest + bar->PanelWidth(1) + bar->PanelWidth(2));
    EXPECT_EQ(bar->PanelAt(bar->PanelLeft(4) + 10), 4);
    EXPECT_EQ(form->ProgressBar1->geometry(), QRect(1, 2, rest - 1, bar->height() - 2));
    form->resize(300, 400);
    EXPECT_EQ(bar->Panel0Width(), 150);  // never below 150
    EXPECT_EQ(form->ProgressBar1->width(), 149);
    EXPECT_FALSE(form->ProgressBar1->isVisible());
}

TEST(StatusBarTest, LongHintGoesToPanelZero) {
    auto form = test::MakeWindow();
    QStatusTipEvent tip(form->Actions.mnuOpen->statusTip());
    QApplication::sendEvent(form.get(), &tip);
    EXPECT_EQ(form->StatusBar1->PanelText(0), QString::fromUtf8("開く"));
    EXPECT_EQ(form->Actions.mnuOpen->toolTip(), QString::fromUtf8("開く"));
}

TEST(StatusBarTest, BusyBracketShowsProgress) {
    auto form = test::MakeWindow({test::WriteSampleBmp("busy.bmp", 4, 4)});
    form->show();
    form->BeginBusy();
    EXPECT_FALSE(form->isEnabled());
    EXPECT_TRUE(form->ProgressBar1->isVisible());
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    form->QxImage1().DoProgress(40);
    EXPECT_EQ(form->ProgressBar1->value(), 40);
    form->EndBusy();
    EXPECT_TRUE(form->isEnabled());
    EXPECT_FALSE(form->ProgressBar1->isVisible());
}

TEST(FileFiltersTest, QtFiltersKeepTheEntriesAndTheirPatterns) {
    const QString filter = QString::fromUtf8(
        "全ての画像ファイル|*.bmp;*.dib;*.png|ビットマップファイル(*.bmp;*.dib)|*.bmp;*.dib|PNG ファイル(*.png)|*.png");
    EXPECT_EQ(QtNameFilters(filter), (QStringList{QString::fromUtf8("全ての画像ファイル(*.bmp *.dib *.png)"),
                                                  QString::fromUtf8("ビットマップファイル(*.bmp *.dib)"),
                                                  QString::fromUtf8("PNG ファイル(*.png)")}));
}

TEST(FileFiltersTest, WindowFiltersAndPatternMatching) {
    auto form = test::MakeWindow();
    ASSERT_EQ(form->Filters.FDescriptionList.size(), 5);
    EXPECT_EQ(form->Filters.FDescriptionList[0], QString::fromUtf8("全ての画像ファイル"));
    EXPECT_EQ(form->Filters.FPatternList[1], QStringLiteral("*.bmp *.dib "));
    EXPECT_EQ(form->Filters.FAllPatterns, QStringLiteral("*.bmp;*.dib;*.jpg;*.jpe;*.jpeg;*.png;*.ico"));
    EXPECT_EQ(form->Filters.FSaveFilter,
              QString::fromUtf8("ビットマップファイル(*.bmp)|*.bmp|JPEG ファイル(*.jpg)|*.jpg|PNG ファイル(*.png)|*.png"
                                "|WebP ファイル(*.webp)|*.webp|TIFF ファイル(*.tif)|*.tif|AVIF ファイル(*.avif)|*.avif"
                                "|HEIC ファイル(*.heic)|*.heic|JPEG XL ファイル(*.jxl)|*.jxl"));
    struct TCase {
        int Entry;
        const char* File;
        bool Match;
    };
    const TCase cases[] = {{0, "a.JPG", true},  {0, "a.gif", false}, {1, "b.dib", true},
                           {2, "c.jpeg", true}, {2, "c.jp", false},  {3, "noext", false},
                           {9, "a.png", false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        EXPECT_EQ(MatchesPatternEntry(form->Filters.FPatternList, c.Entry, QString::fromLatin1(c.File)), c.Match);
    }
}

TEST(HelpPagesTest, TopicsOpenTheirPageOrTheIndex) {
    std::vector<QUrl> opened;
    HelpOpener() = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    SetHelpDirectory(QString::fromUtf8(ZELVO_HELP_BUILD_DIR));
    ASSERT_FALSE(HelpDirectory().isEmpty());
    EXPECT_TRUE(ShowHelpTopic(kHelpMainWindow));
    EXPECT_TRUE(ShowHelpTopic(0));
    EXPECT_TRUE(ShowHelpTopic(9999));  // no page: the index
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_TRUE(opened[0].toLocalFile().endsWith(QStringLiteral("/topic-2.html")));
    EXPECT_TRUE(opened[1].toLocalFile().endsWith(QStringLiteral("/index.html")));
    EXPECT_TRUE(opened[2].toLocalFile().endsWith(QStringLiteral("/index.html")));
    // The menu's topic finder goes the same way.
    auto form = test::MakeWindow();
    form->Actions.mnuHelpTopics->trigger();
    EXPECT_EQ(opened.size(), 4u);
    SetHelpDirectory(QString());
}

TEST(FileDropTest, NeedsAWindowAndPassesOnlyLocalFiles) {
    QObject notAWindow;
    try {
        TFileDrop drop(&notAWindow);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "Invalidate Window Handle in FileDrop");
    }
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.org/a.png")), QUrl::fromLocalFile(QStringLiteral("/tmp/b c.bmp"))});
    EXPECT_EQ(TFileDrop::DroppedFiles(data), QStringList{QStringLiteral("/tmp/b c.bmp")});
}

}  // namespace
}  // namespace zelvo
