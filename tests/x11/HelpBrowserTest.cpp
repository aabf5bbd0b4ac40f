// The help opens in the desktop's browser through the desktop's own route:
// QDesktopServices hands the page's file:// URL to xdg-open, which starts
// the program the MIME settings name for text/html. A stand-in browser,
// registered in private XDG folders, records what it was asked to open.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "TestSupport.h"
#include "app/common/HelpPages.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

// Sets environment variables for the life of the object.
class TEnvironment {
public:
    void Set(const char* name, const std::optional<std::string>& value) {
        if (!FSaved.count(name)) {
            const char* old = std::getenv(name);
            FSaved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) setenv(name, value->c_str(), 1);
        else unsetenv(name);
    }
    ~TEnvironment() {
        for (const auto& [name, value] : FSaved) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> FSaved;
};

TEST(HelpBrowserTest, ATopicOpensItsPageThroughXdgOpen) {
    const fs::path dir = test::MakeTempDir("zelvo-help-browser");
    const fs::path record = dir / "opened.txt";
    const fs::path browser = dir / "browser.sh";
    std::ofstream(browser) << "#!/bin/sh\necho \"$@\" >> '" << record.string() << "'\n";
    fs::permissions(browser, fs::perms::owner_all);
    fs::create_directories(dir / "data/applications");
    fs::create_directories(dir / "config");
    std::ofstream(dir / "data/applications/zelvo-test-browser.desktop")
        << "[Desktop Entry]\nType=Application\nName=Test browser\nExec=" << browser.string()
        << " %u\nMimeType=text/html;\n";
    std::ofstream(dir / "config/mimeapps.list") << "[Default Applications]\ntext/html=zelvo-test-browser.desktop\n";

    TEnvironment env;
    env.Set("XDG_DATA_HOME", (dir / "data").string());
    env.Set("XDG_CONFIG_HOME", (dir / "config").string());
    env.Set("XDG_DATA_DIRS", "/usr/share");
    // No desktop session: xdg-open takes its generic, MIME-database route.
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                             "BROWSER"})
        env.Set(name, std::nullopt);

    SetHelpDirectory(QString::fromUtf8(ZELVO_HELP_BUILD_DIR));
    ASSERT_TRUE(ShowHelpTopic(kHelpMainWindow));
    const QString expected = HelpPageUrl(kHelpMainWindow).toLocalFile();
    SetHelpDirectory(QString());

    QElapsedTimer waited;
    waited.start();
    std::string opened;
    while (waited.elapsed() < 15000) {
        QApplication::processEvents();
        std::ifstream in(record);
        if (std::getline(in, opened)) break;
        QThread::msleep(50);
    }
    // xdg-open gives the browser the page's path (it turns file:// URLs into paths).
    EXPECT_EQ(QString::fromStdString(opened), expected);
    EXPECT_TRUE(expected.endsWith(QStringLiteral("/help/topic-2.html")));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
