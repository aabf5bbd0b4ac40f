#include "AppTestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "app/common/Language.h"
#include "app/common/Settings.h"
#include "app/window/ZVApplication.h"
#include "image/DibImage.h"

namespace zelvo::test {

namespace {

class TAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        FDir = MakeTempDir("zelvo-app");
        setenv("XDG_CONFIG_HOME", (FDir / "config").c_str(), 1);
        setenv("XDG_STATE_HOME", (FDir / "state").c_str(), 1);
        SetSettingsPath(FDir / "Zelvo.ini");
        static int argc = 1;
        static char name[] = "zelvo_app_tests";
        static char* argv[] = {name, nullptr};
        FApp = std::make_unique<TZVApplication>(argc, argv);
        TZVApplication::ExceptionHandler() = [](const std::string& message) {
            ADD_FAILURE() << "exception reached the application: " << message;
        };
        // The screenshot runs in another language (ZELVO_TEST_LANGUAGE=en);
        // without it the program's own Japanese texts.
        if (const char* language = std::getenv("ZELVO_TEST_LANGUAGE"))
            InstallInterfaceLanguage(QString::fromLatin1(language));
    }
    void TearDown() override {
        FApp.reset();
        std::filesystem::remove_all(FDir);
    }
    std::filesystem::path FDir;
    std::unique_ptr<TZVApplication> FApp;
};

TAppEnvironment* gEnvironment =
    static_cast<TAppEnvironment*>(::testing::AddGlobalTestEnvironment(new TAppEnvironment));

}  // namespace

std::filesystem::path AppTestDir() { return gEnvironment->FDir; }

void WriteSettingsText(const std::string& text) {
    std::ofstream out(SettingsPath(), std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ReadSettingsText() {
    std::ifstream in(SettingsPath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::unique_ptr<TZVfrmMain> MakeWindow(const QStringList& arguments) {
    auto form = std::make_unique<TZVfrmMain>(arguments);
    form->AskSaveHook = [] { return TSaveAnswer::Cancel; };
    form->AskReloadHook = [] { return false; };
    form->OpenFileHook = [] { return QString(); };
    form->SaveFileHook = [] { return QString(); };
    form->StartInstanceHook = [](const QString&, const QStringList&) { return true; };
    // What windows of earlier tests left is not offered; the recovery
    // tests call OfferRecovery themselves.
    form->OfferRecoveryHook = [] {};
    return form;
}

QString WriteSampleBmp(const std::string& name, int width, int height, int bitCount) {
    const auto path = AppTestDir() / name;
    TDibImage image = bitCount == 24 ? NoiseImage24(width, height, 7) : NoiseImagePalette(width, height, bitCount, 1 << bitCount, 7);
    image.SaveToFile(path);
    return QString::fromStdString(path.string());
}

std::unique_ptr<TZVfrmMain> WindowWithSample(int width, int height, const std::string& name, int bitCount) {
    WriteSettingsText("");
    auto form = MakeWindow();
    EXPECT_TRUE(form->LoadImageFile(WriteSampleBmp(name, width, height, bitCount), false));
    return form;
}

QStringList UndoCaptions(TZVfrmMain& form) {
    QStringList out;
    for (QAction* a : form.mnuUndoList->actions()) out << a->text();
    return out;
}

}  // namespace zelvo::test
