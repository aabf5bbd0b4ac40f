// The editor in English: captions, menus, dialogs and engine messages come
// from the English catalogue, the help opens the English page where one
// exists, and switching back gives the Japanese texts unchanged.

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

#include "AppTestSupport.h"
#include "app/common/HelpPages.h"
#include "app/common/Language.h"
#include "app/window/ZVfrmMain.h"

namespace zelvo {
namespace {

// Installs a language for one test and puts Japanese back afterwards.
class TLanguage {
public:
    explicit TLanguage(const char* code) { Chosen = InstallInterfaceLanguage(QString::fromLatin1(code)); }
    ~TLanguage() { InstallInterfaceLanguage(QStringLiteral("ja")); }
    QString Chosen;
};

QStringList MenuTitles(TZVfrmMain& form) {
    QStringList titles;
    for (QAction* action : form.menuBar()->actions()) titles << action->text();
    return titles;
}

TEST(InterfaceLanguageTest, EnglishCaptionsMessagesAndBackToJapanese) {
    {
        const TLanguage english("en");
        ASSERT_EQ(english.Chosen, QStringLiteral("en")) << "no build/translations/zelvo_en.qm";
        const std::unique_ptr<TZVfrmMain> form = test::MakeWindow();
        EXPECT_EQ(MenuTitles(*form), (QStringList{"&File", "&Edit", "&View", "&Image", "&Color", "Effec&ts", "&Help"}));
        QAction* open = form->findChild<QAction*>(QStringLiteral("mnuOpen"));
        ASSERT_NE(open, nullptr);
        EXPECT_EQ(open->text(), QStringLiteral("&Open..."));
        EXPECT_EQ(open->toolTip(), QStringLiteral("Open"));
        // An engine message with a value, one without, one the catalogue lacks.
        EXPECT_EQ(EngineMessage("JPEG エラー #53"), QStringLiteral("JPEG error #53"));
        EXPECT_EQ(EngineMessage("%1は[%2]では使えないSusie Plugin APIです"),
                  QStringLiteral("%1 is a Susie plug-in API that [%2] does not offer"));
        EXPECT_EQ(EngineMessage("Stream read error"), QStringLiteral("Stream read error"));
        EXPECT_EQ(EffectText("明るさの設定："), QStringLiteral("Brightness:"));
        // The help: the English page of a topic where there is one, else the Japanese page.
        SetHelpDirectory(QString::fromUtf8(ZELVO_HELP_BUILD_DIR));
        EXPECT_TRUE(HelpPageUrl(2).toLocalFile().endsWith(QStringLiteral("/en/topic-2.html"))) << HelpPageUrl(2).toString().toStdString();
        EXPECT_TRUE(HelpPageUrl(0).toLocalFile().endsWith(QStringLiteral("/en/index.html")));
        // Every built page has its English text; a folder with a page in
        // Japanese only shows the fallback.
        QTemporaryDir partial;
        ASSERT_TRUE(QDir(partial.path()).mkpath(QStringLiteral("en")));
        for (const char* name : {"index.html", "topic-73.html", "en/topic-2.html"}) {
            QFile page(partial.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        }
        SetHelpDirectory(partial.path());
        EXPECT_EQ(HelpPageUrl(73).toLocalFile(), partial.filePath(QStringLiteral("topic-73.html")));
        EXPECT_EQ(HelpPageUrl(2).toLocalFile(), partial.filePath(QStringLiteral("en/topic-2.html")));
        SetHelpDirectory(QString::fromUtf8(ZELVO_HELP_BUILD_DIR));
    }
    EXPECT_EQ(InterfaceLanguage(), QStringLiteral("ja"));
    const std::unique_ptr<TZVfrmMain> form = test::MakeWindow();
    EXPECT_EQ(MenuTitles(*form), (QStringList{QString::fromUtf8("ファイル(&F)"), QString::fromUtf8("編集(&E)"),
                                              QString::fromUtf8("表示(&V)"), QString::fromUtf8("イメージ(&I)"),
                                              QString::fromUtf8("カラー(&C)"), QString::fromUtf8("加工(&T)"),
                                              QString::fromUtf8("ヘルプ(&H)")}));
    EXPECT_EQ(EngineMessage("JPEG エラー #53"), QString::fromUtf8("JPEG エラー #53"));
    EXPECT_TRUE(HelpPageUrl(2).toLocalFile().endsWith(QStringLiteral("/topic-2.html")));
    EXPECT_FALSE(HelpPageUrl(2).toLocalFile().contains(QStringLiteral("/en/")));
    SetHelpDirectory(QString());
}

}  // namespace
}  // namespace zelvo
