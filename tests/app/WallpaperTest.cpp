// The wallpaper commands with the desktop programs recorded instead of run:
// the argument lists for GNOME, MATE, Xfce and KDE, the wallpaper file and
// the registry value, and a failed save that leaves the desktop alone.

#include <gtest/gtest.h>

#include <QAction>

#include <fstream>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/devices/DeviceHooks.h"
#include "app/devices/Wallpaper.h"
#include "document/QxImage.h"
#include "platform/RegistryIni.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

class TWallpaperTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSaved = DeviceHooks();
        DeviceHooks().RunCommand = [this](const QString& program, const QStringList& arguments) {
            Commands.push_back(QStringList{program} + arguments);
            return TCommandResult{0, ListingOutput};
        };
        DeviceHooks().ShowError = [this](QWidget*, const QString&, const QString& text) { Errors << text; };
        FData = test::AppTestDir() / "data";
        setenv("XDG_DATA_HOME", FData.c_str(), 1);
    }
    void TearDown() override {
        DeviceHooks() = FSaved;
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_CURRENT_DESKTOP");
    }
    std::vector<QStringList> Commands;
    QString ListingOutput;
    QStringList Errors;
    fs::path FData;
    TDeviceHooks FSaved;
};

TEST_F(TWallpaperTest, DesktopNames) {
    EXPECT_EQ(DetectDesktop(QStringLiteral("ubuntu:GNOME")), TDesktopKind::Gnome);
    EXPECT_EQ(DetectDesktop(QStringLiteral("X-Cinnamon")), TDesktopKind::Cinnamon);
    EXPECT_EQ(DetectDesktop(QStringLiteral("MATE")), TDesktopKind::Mate);
    EXPECT_EQ(DetectDesktop(QStringLiteral("XFCE")), TDesktopKind::Xfce);
    EXPECT_EQ(DetectDesktop(QStringLiteral("KDE")), TDesktopKind::Kde);
    EXPECT_EQ(DetectDesktop(QStringLiteral("")), TDesktopKind::Other);
    EXPECT_EQ(DetectDesktop(QStringLiteral("i3")), TDesktopKind::Other);
}

TEST_F(TWallpaperTest, GnomeAndMateThroughGsettings) {
    const fs::path file = "/home/u/.local/share/zelvo/Zelvo_WallPaper.bmp";
    EXPECT_TRUE(TWallpaperSetter(TDesktopKind::Gnome).Set(file, true));
    const QString uri = QStringLiteral("'file:///home/u/.local/share/zelvo/Zelvo_WallPaper.bmp'");
    const QString schema = QStringLiteral("org.gnome.desktop.background");
    const std::vector<QStringList> gnome = {
        {"gsettings", "set", schema, "picture-options", "'wallpaper'"},
        {"gsettings", "set", schema, "picture-uri", "''"},  // cleared first: a re-set shows
        {"gsettings", "set", schema, "picture-uri", uri},
        {"gsettings", "set", schema, "picture-uri-dark", uri},
    };
    EXPECT_EQ(Commands, gnome);

    Commands.clear();
    EXPECT_TRUE(TWallpaperSetter(TDesktopKind::Mate).Set(file, false));
    const QString mate = QStringLiteral("org.mate.background");
    const std::vector<QStringList> want = {
        {"gsettings", "set", mate, "picture-options", "'centered'"},
        {"gsettings", "set", mate, "picture-filename", "''"},
        {"gsettings", "set", mate, "picture-filename", "'/home/u/.local/share/zelvo/Zelvo_WallPaper.bmp'"},
    };
    EXPECT_EQ(Commands, want);

    Commands.clear();
    EXPECT_TRUE(TWallpaperSetter(TDesktopKind::Cinnamon).Clear());
    EXPECT_EQ(Commands, (std::vector<QStringList>{
                            {"gsettings", "set", "org.cinnamon.desktop.background", "picture-options", "'none'"}}));
}

TEST_F(TWallpaperTest, XfceSetsEveryMonitorsImage) {
    ListingOutput = QStringLiteral("/backdrop/screen0/monitor0/workspace0/color-style\n"
                                   "/backdrop/screen0/monitor0/workspace0/last-image\n"
                                   "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n");
    EXPECT_TRUE(TWallpaperSetter(TDesktopKind::Xfce).Set("/w/Zelvo_WallPaper.bmp", false));
    const QStringList p = {"xfconf-query", "-c", "xfce4-desktop", "-p"};
    const QString m0 = QStringLiteral("/backdrop/screen0/monitor0/workspace0/");
    const QString m1 = QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/");
    const std::vector<QStringList> want = {
        {"xfconf-query", "-c", "xfce4-desktop", "-l"},
        p + QStringList{m0 + "last-image", "-n", "-t", "string", "-s", ""},
        p + QStringList{m0 + "last-image", "-n", "-t", "string", "-s", "/w/Zelvo_WallPaper.bmp"},
        p + QStringList{m0 + "image-style", "-n", "-t", "int", "-s", "1"},
        p + QStringList{m1 + "last-image", "-n", "-t", "string", "-s", ""},
        p + QStringList{m1 + "last-image", "-n", "-t", "string", "-s", "/w/Zelvo_WallPaper.bmp"},
        p + QStringList{m1 + "image-style", "-n", "-t", "int", "-s", "1"},
    };
    EXPECT_EQ(Commands, want);
}

TEST_F(TWallpaperTest, KdeThroughPlasmaScripting) {
    TWallpaperSetter kde(TDesktopKind::Kde);
    kde.QdbusProgram = QStringLiteral("qdbus");
    EXPECT_TRUE(kde.Set("/w/Zelvo_WallPaper.bmp", true));
    ASSERT_EQ(Commands.size(), 1u);
    const QStringList& q = Commands[0];
    ASSERT_EQ(q.size(), 5);
    EXPECT_EQ(q.mid(0, 4), (QStringList{"qdbus", "org.kde.plasmashell", "/PlasmaShell",
                                        "org.kde.PlasmaShell.evaluateScript"}));
    EXPECT_TRUE(q[4].contains(QStringLiteral("d.wallpaperPlugin = \"org.kde.image\";")));
    EXPECT_TRUE(q[4].contains(QStringLiteral("d.writeConfig(\"Image\", \"\");\n"
                                             "    d.writeConfig(\"Image\", \"file:///w/Zelvo_WallPaper.bmp\");")));
    EXPECT_TRUE(q[4].contains(QStringLiteral("d.writeConfig(\"FillMode\", 3);")));  // tiled

    Commands.clear();
    kde.QdbusProgram.clear();
    EXPECT_TRUE(kde.Set("/w/Zelvo_WallPaper.bmp", false));
    ASSERT_EQ(Commands.size(), 1u);
    EXPECT_EQ(Commands[0].mid(0, 6), (QStringList{"dbus-send", "--session", "--dest=org.kde.plasmashell",
                                                  "--type=method_call", "/PlasmaShell",
                                                  "org.kde.PlasmaShell.evaluateScript"}));
    EXPECT_TRUE(Commands[0][6].startsWith(QStringLiteral("string:var all = desktops();")));
    EXPECT_TRUE(Commands[0][6].contains(QStringLiteral("\"FillMode\", 6)")));  // centred
}

TEST_F(TWallpaperTest, CommandWritesTheFileAndRegistryButNotTheDocumentState) {
    setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
    for (const bool modified : {true, false}) {
        SCOPED_TRACE(modified);
        Commands.clear();
        auto form = test::WindowWithSample(9, 7, "wall.bmp", 8);
        TQxImage& doc = form->QxImage1();
        doc.SetModified(modified);
        doc.SaveProgressive = true;
        doc.ColorKeyed = true;
        form->Actions.mnuWallPaperTile->trigger();
        EXPECT_EQ(doc.Modified(), modified);
        EXPECT_TRUE(doc.SaveProgressive);
        EXPECT_TRUE(doc.ColorKeyed);
        const fs::path file = FData / "zelvo" / "Zelvo_WallPaper.bmp";
        TDibImage written;
        written.LoadFromFile(file);
        EXPECT_TRUE(test::SamePixels(written, doc.Bitmap().ToDibImage()));
        EXPECT_EQ(ReadRegistryString(kDesktopKey, kTileWallpaperValue, ""), "1");
        ASSERT_EQ(Commands.size(), 4u);
        EXPECT_EQ(Commands[2].last(), QStringLiteral("'file://") + QString::fromStdString(file.string()) + "'");
    }
    auto form = test::WindowWithSample(9, 7, "wall2.bmp");
    form->Actions.mnuWallPaperCenter->trigger();
    EXPECT_EQ(ReadRegistryString(kDesktopKey, kTileWallpaperValue, ""), "0");
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(TWallpaperTest, FailedSaveLeavesTheDesktopAlone) {
    setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
    auto form = test::WindowWithSample(5, 5, "wall-fail.bmp");
    // The data folder cannot be made: a file stands in its way.
    const fs::path blocked = test::AppTestDir() / "data-blocked";
    fs::create_directories(blocked);
    std::ofstream(blocked / "zelvo") << "in the way";
    setenv("XDG_DATA_HOME", blocked.c_str(), 1);
    form->Actions.mnuWallPaperCenter->trigger();
    EXPECT_TRUE(Commands.empty());
    EXPECT_EQ(Errors, QStringList{QString::fromUtf8("保存に失敗しました")});
    fs::remove_all(blocked);
}

}  // namespace
}  // namespace zelvo
