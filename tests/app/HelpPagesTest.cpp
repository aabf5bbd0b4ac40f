// The generated help (build/help, made by tools/MakeHelp.cpp): every
// command of the window's table has its page, every topic a dialog's help
// button asks for has its page, pages of commands that change the picture
// show both pictures, and the undo caption a page states is the one the
// command records.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <fstream>
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/common/HelpPages.h"
#include "app/dialogs/EffectTypes.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmSlide.h"
#include "app/window/CommandTable.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

const QString kHelpDir = QString::fromUtf8(ZELVO_HELP_BUILD_DIR);

// One line of pages.tsv.
struct TPageRow {
    std::string Name, File, Menu, Undo, Before, After, Ops;
    int Topic = 0;
};

std::map<std::string, TPageRow> ReadManifest() {
    std::map<std::string, TPageRow> rows;
    std::ifstream in(std::string(ZELVO_HELP_BUILD_DIR) + "/pages.tsv");
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        f.resize(8);
        TPageRow row{f[0], f[1], f[3], f[4], f[5], f[6], f[7]};
        row.Topic = std::stoi(f[2].empty() ? "0" : f[2]);
        rows[row.Name] = row;
    }
    return rows;
}

QString HelpFile(const std::string& relative) { return kHelpDir + QLatin1Char('/') + QString::fromStdString(relative); }

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Points the help at the build's pages and records what is opened.
class THelpCapture {
public:
    THelpCapture() {
        SetHelpDirectory(kHelpDir);
        HelpOpener() = [this](const QUrl& url) {
            Opened.emplace_back(LastHelpTopic(), url);
            return true;
        };
    }
    ~THelpCapture() {
        HelpOpener() = [](const QUrl&) { return true; };
        SetHelpDirectory(QString());
    }
    THelpCapture(const THelpCapture&) = delete;
    THelpCapture& operator=(const THelpCapture&) = delete;
    std::vector<std::pair<int, QUrl>> Opened;
};

// A topic resolves to its own page, never to the index fallback.
void ExpectTopicPage(int topic) {
    SCOPED_TRACE("topic " + std::to_string(topic));
    const QUrl url = HelpPageUrl(topic);
    ASSERT_TRUE(url.isLocalFile());
    EXPECT_EQ(QFileInfo(url.toLocalFile()).fileName(), QStringLiteral("topic-%1.html").arg(topic));
    EXPECT_TRUE(QFileInfo::exists(url.toLocalFile()));
}

TEST(GeneratedHelpTest, EveryCommandOfTheTableHasItsPage) {
    const auto pages = ReadManifest();
    ASSERT_FALSE(pages.empty()) << "no pages.tsv in " << ZELVO_HELP_BUILD_DIR;
    auto form = test::MakeWindow();
    ASSERT_GT(Commands().size(), 100u);
    for (const TCommand& command : Commands()) {
        const std::string name = command.Name;
        SCOPED_TRACE(name);
        const auto found = pages.find(name);
        ASSERT_NE(found, pages.end()) << "no help/pages/" << name << ".html";
        const QByteArray page = ReadAll(HelpFile(found->second.File));
        ASSERT_FALSE(page.isEmpty());
        // The page is the one made from this command's source, and leads back to the index.
        EXPECT_TRUE(page.contains(("<meta name=\"zelvo-source\" content=\"" + name + "\">").c_str()));
        EXPECT_TRUE(page.contains("href=\"index.html\""));
    }
    // The index lists every page.
    const QByteArray index = ReadAll(HelpFile("index.html"));
    for (const auto& [name, row] : pages) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(index.contains(("href=\"" + row.File + "\"").c_str()));
    }
}

TEST(GeneratedHelpTest, PagesOfCommandsThatChangeThePictureShowBothPictures) {
    const auto pages = ReadManifest();
    ASSERT_FALSE(pages.empty());
    // A capture's picture is the screen, which the build cannot show; the
    // sample has 24 bits already, so the change to 24 bits does nothing to it.
    const std::set<std::string> withoutPictures{"mnuCaptureDesktop", "mnuCaptureActiveWindow", "mnuCaptureClientArea",
                                               "mnuColorBit24"};
    int withPictures = 0;
    for (const auto& [name, row] : pages) {
        SCOPED_TRACE(name);
        if (!row.Undo.empty() && !withoutPictures.count(name)) {
            EXPECT_FALSE(row.After.empty()) << "the command takes the undo step \"" << row.Undo << "\" but shows no pictures";
        }
        if (row.After.empty()) continue;
        ++withPictures;
        for (const std::string& picture : {row.Before, row.After}) {
            const QByteArray png = ReadAll(HelpFile(picture));
            ASSERT_GT(png.size(), 100) << picture;
            EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n")) << picture;
            const QByteArray page = ReadAll(HelpFile(row.File));
            EXPECT_TRUE(page.contains(("src=\"" + picture + "\"").c_str())) << picture;
        }
    }
    EXPECT_GT(withPictures, 5);
}

TEST(GeneratedHelpTest, EveryTopicOfTheEffectTablesAndTheWindowHasItsPage) {
    THelpCapture capture;
    auto form = test::WindowWithSample(64, 48, "help-topics.bmp");
    std::set<int> topics{kHelpMainWindow, kHelpBatchConvert, kHelpSlideShow, kHelpHomePage, kHelpProductUpdate};
    // Every row of the two shared effect dialogs, by type number.
    for (int type = 0; type < 100; ++type) {
        if (const TPreviewEffect* row = FindPreviewEffect(TPreviewEffectType(type))) {
            if (const int topic = row->Setup(*form).HelpTopic) topics.insert(topic);
        }
        if (const TSlideEffect* row = FindSlideEffect(TSlideEffectType(type))) {
            if (const int topic = row->Setup(*form).HelpTopic) topics.insert(topic);
        }
    }
    EXPECT_GT(topics.size(), 20u);
    for (const int topic : topics) ExpectTopicPage(topic);
    // F1 and the help menu.
    form->findChild<QAction*>(QStringLiteral("actHelpContext"))->trigger();
    form->Actions.mnuHomePage->trigger();
    form->Actions.mnuProductUpdate->trigger();
    form->Actions.mnuHelpTopics->trigger();
    ASSERT_EQ(capture.Opened.size(), 4u);
    EXPECT_EQ(capture.Opened[0].second, HelpPageUrl(kHelpMainWindow));
    EXPECT_EQ(capture.Opened[3].second.fileName(), QStringLiteral("index.html"));
}

// Presses the help button of whatever modal dialog is open, then closes it.
class THelpPresser {
public:
    THelpPresser() {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
                if (button->text() == QStringLiteral("ヘルプ") && button->isEnabled()) {
                    button->click();
                    ++Pressed;
                    break;
                }
            }
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            else modal->close();
        });
        FTimer.start(10);
    }
    int Pressed = 0;

private:
    QTimer FTimer;
};

TEST(GeneratedHelpTest, EveryHelpButtonOfTheMenusDialogsOpensItsPage) {
    THelpCapture capture;
    auto form = test::WindowWithSample(64, 48, "help-buttons.bmp");
    THelpPresser presser;
    // Every command whose caption ends in "..." opens a dialog (the zoom and
    // colour-depth pop-ups and the about box open none that is modal). Left
    // out: the devices, so the test never waits for a scanner or a printer,
    // the open dialog (scripted away by MakeWindow), and the spotlight, which
    // first waits for a click on the picture (its topic is checked with the
    // effect tables).
    const std::set<QString> devices{QStringLiteral("TWAIN1"), QStringLiteral("mnuAcquire"),
                                    QStringLiteral("mnuSetPrinter"), QStringLiteral("mnuOpen"),
                                    QStringLiteral("mnuSpotLight")};
    int tried = 0;
    for (const TCommand& command : Commands()) {
        const QString name = QString::fromLatin1(command.Name);
        QAction* action = form->findChild<QAction*>(name);
        if (!action || !action->text().endsWith(QStringLiteral("...")) || devices.count(name) || !action->isEnabled())
            continue;
        SCOPED_TRACE(name.toStdString());
        const std::size_t before = capture.Opened.size();
        action->trigger();
        ++tried;
        // Modeless windows (text insertion): press their help button too.
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top == form.get() || !top->isVisible()) continue;
            for (QAbstractButton* button : top->findChildren<QAbstractButton*>())
                if (button->text() == QStringLiteral("ヘルプ")) button->click();
            top->close();
        }
        QApplication::processEvents();
        for (std::size_t k = before; k < capture.Opened.size(); ++k) {
            const auto& [topic, url] = capture.Opened[k];
            SCOPED_TRACE("topic " + std::to_string(topic));
            EXPECT_TRUE(QFileInfo::exists(url.toLocalFile())) << url.toString().toStdString();
            // Topic 0 is the index itself; any other topic has its own page.
            EXPECT_EQ(url.fileName(), topic == 0 ? QStringLiteral("index.html") : QStringLiteral("topic-%1.html").arg(topic));
        }
        form->QxImage1().SetSelectionRect({0, 0, 0, 0});
    }
    EXPECT_GT(tried, 30);
    EXPECT_GT(capture.Opened.size(), 30u);
}

// Confirms whatever the command opens: ticks "クリップボードから入力" where a
// dialog offers it, then presses OK (or "位置確定" in the placing window);
// a dialog whose OK stays disabled is cancelled.
bool ConfirmWindow(QWidget* window) {
    // A control at 0 often means "no change" (brightness 0): move it, so OK
    // takes a step.
    for (QAbstractSlider* slider : window->findChildren<QAbstractSlider*>()) {
        if (slider->isEnabled() && slider->value() == 0 && slider->maximum() > 0)
            slider->setValue(std::max(1, slider->maximum() / 4));
    }
    for (QCheckBox* box : window->findChildren<QCheckBox*>())
        if (box->text().contains(QStringLiteral("クリップボード")) && box->isEnabled()) box->setChecked(true);
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if ((button->text() == QStringLiteral("OK") || button->text() == QStringLiteral("位置確定")) &&
            button->isEnabled() && button->isVisible()) {
            button->click();
            return true;
        }
    }
    return false;
}

// The operations a page names start with "--select L,T,R,B" when the
// command works on a selection; the same rectangle is selected in the window.
std::optional<TRect> SelectionOf(const std::string& ops) {
    int l = 0, t = 0, r = 0, b = 0;
    if (std::sscanf(ops.c_str(), "--select %d,%d,%d,%d", &l, &t, &r, &b) != 4) return std::nullopt;
    return TRect{l, t, r, b};
}

TEST(GeneratedHelpTest, TheUndoCaptionOfAPageIsTheOneTheCommandRecords) {
    const auto pages = ReadManifest();
    ASSERT_FALSE(pages.empty());
    // Commands that wait for the user: the spotlight for a click on the
    // picture, the captures for the screen.
    const std::set<std::string> waiting{"mnuSpotLight", "mnuCaptureDesktop", "mnuCaptureActiveWindow",
                                        "mnuCaptureClientArea"};
    QTimer confirmer;
    QObject::connect(&confirmer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            if (!ConfirmWindow(dialog)) dialog->reject();
        }
    });
    confirmer.start(10);
    int checked = 0;
    for (const auto& [name, row] : pages) {
        if (row.Undo.empty() || waiting.count(name)) continue;
        SCOPED_TRACE(name);
        test::WriteSettingsText("");
        auto form = test::MakeWindow();
        ASSERT_TRUE(form->LoadImageFile(QString::fromUtf8(ZELVO_SAMPLE_PICTURE), false));
        QAction* action = form->findChild<QAction*>(QString::fromStdString(name));
        ASSERT_NE(action, nullptr) << "the page names an undo caption but is no command";
        // Paste and the clipboard inputs of merge and combine find a picture.
        form->QxImage1().CopyToClipboard();
        if (const auto rect = SelectionOf(row.Ops)) form->QxImage1().SetSelectionRect(*rect);
        if (!action->isEnabled()) {
            // The depth change to the picture's own depth: start from 8 bits.
            form->QxImage1().ColorDepth(TColorDepth::Bits8);
            form->QxImage1().ClearUndo();
            form->UpdateCommandState();
        }
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
        // Modeless windows (text insertion, merge-paste placing) are confirmed here.
        QElapsedTimer waited;
        waited.start();
        while (test::UndoCaptions(*form).isEmpty() && waited.elapsed() < 5000) {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top != form.get() && top->isVisible() && !top->isModal()) ConfirmWindow(top);
            }
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        if (test::UndoCaptions(*form).isEmpty()) {
            // A dialog whose defaults change nothing (gamma 1.0) takes no
            // step; a command without a dialog always does.
            EXPECT_TRUE(action->text().endsWith(QStringLiteral("..."))) << "no undo step";
            continue;
        }
        EXPECT_EQ(test::UndoCaptions(*form).first().toStdString(), row.Undo);
        ++checked;
    }
    EXPECT_GT(checked, 40);
}

}  // namespace
}  // namespace zelvo
