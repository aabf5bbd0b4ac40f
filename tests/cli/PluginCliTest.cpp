// zelvo-cli reads plug-in formats: the real program with our plug-ins
// beside it, and in-process with the plug-in folder named in registry.ini;
// UseSusiePlugin=0 in Zelvo.ini switches the plug-ins off; a hostile
// plug-in ends as "cannot read" with the reason, exit status 1.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "CliTestSupport.h"
#include "SpiEnvironment.h"
#include "SpiTestSupport.h"
#include "formats/PnmCodec.h"

namespace zelvo::test {
namespace {

namespace fs = std::filesystem;

class PluginCli : public TCliFolderTest {
protected:
    void SetUp() override {
        TCliFolderTest::SetUp();
        // The user's own settings and plug-ins stay out of the tests.
        config_ = std::make_unique<TScopedEnv>("XDG_CONFIG_HOME", (dir_ / "config").string());
        data_ = std::make_unique<TScopedEnv>("XDG_DATA_HOME", (dir_ / "data").string());
        fs::create_directories(dir_ / "config" / "zelvo");
    }
    void TearDown() override {
        data_.reset();
        config_.reset();
        TCliFolderTest::TearDown();
    }
    void NamePluginFolder() {
        std::ofstream(dir_ / "config" / "zelvo" / "registry.ini")
            << "[HKEY_CURRENT_USER\\Software\\Quenbrol\\Susie\\Plug-in]\nPath=" << PluginDir().string() << "\n";
    }
    std::unique_ptr<TScopedEnv> config_, data_;
};

TEST_F(PluginCli, ProgramReadsEveryTestFileWithThePluginsBesideIt) {
    for (const char* kind : {"tga", "pcx", "webp", "tiff", "heic", "avif", "jxl"}) {
        for (const fs::path& file : PluginDataFiles(kind)) {
            SCOPED_TRACE(file.filename().string());
            const std::string out = Path("out.ppm");
            const std::string command = std::string("'") + ZELVO_CLI_PROGRAM + "' decode '" + file.string() + "' '" +
                                        out + "' 2>'" + Path("err.txt") + "'";
            ASSERT_EQ(std::system(command.c_str()), 0);
            EXPECT_EQ(RgbDifference(LoadPnmPictureFile(out), LoadPnmPictureFile(ReferenceOf(file))), "");
        }
    }
}

// A file whose extension lies opens by its contents: a PNG named .jpg, a
// WebP named .png (through the plug-in), a JPEG named .bmp; a file no
// reader knows keeps its extension reader's message.
TEST_F(PluginCli, FilesWhoseExtensionLiesOpenByTheirSignature) {
    struct TCase {
        fs::path File;
        const char* Name;
        fs::path Reference;
    };
    const fs::path webp = TestDataDir() / "plugins" / "webp" / "lossless.webp";
    const fs::path png = TestDataDir() / "plugins" / "src" / "rgba.png";
    const fs::path jpeg = TestDataDir() / "exif" / "orient-1.jpg";
    ASSERT_EQ(RunCli({"decode", png.string(), Path("png.ppm")}), 0);
    ASSERT_EQ(RunCli({"decode", jpeg.string(), Path("jpeg.ppm")}), 0);
    const TCase cases[] = {{png, "png.jpg", Path("png.ppm")},
                           {webp, "webp.png", ReferenceOf(webp)},
                           {jpeg, "jpeg.bmp", Path("jpeg.ppm")}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::copy_file(c.File, Path(c.Name));
        const std::string command = std::string("'") + ZELVO_CLI_PROGRAM + "' decode '" + Path(c.Name) + "' '" +
                                    Path("out.ppm") + "' 2>'" + Path("err.txt") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(RgbDifference(LoadPnmPictureFile(Path("out.ppm")), LoadPnmPictureFile(c.Reference)), "");
    }
    std::ofstream(Path("text.jpg")) << "not a picture at all";
    std::string err;
    EXPECT_EQ(RunCli({"decode", Path("text.jpg"), Path("x.ppm")}, &err), 1);
    EXPECT_NE(err.find("JPEG"), std::string::npos) << err;
}

TEST_F(PluginCli, RegistryFolderServesTheCommands) {
    NamePluginFolder();
    const fs::path file = TestDataDir() / "plugins" / "pcx" / "nb-planes4.pcx";
    std::string err, out;
    ASSERT_EQ(RunCli({"decode", file.string(), Path("out.ppm")}, &err), 0) << err;
    EXPECT_EQ(RgbDifference(LoadPnmPictureFile(Path("out.ppm")), LoadPnmPictureFile(ReferenceOf(file))), "");
    ASSERT_EQ(RunCli({"info", (TestDataDir() / "plugins" / "tga" / "nb-cmap-rle.tga").string()}, &err, &out), 0);
    EXPECT_NE(out.find("width: 37\nheight: 23\nbitcount: 8\n"), std::string::npos) << out;
    // A file no plug-in reads.
    std::ofstream(Path("broken.tga")) << "not a picture at all";
    EXPECT_EQ(RunCli({"decode", Path("broken.tga"), Path("x.ppm")}, &err), 1);
    EXPECT_EQ(err, "認識できない画像形式です\n");
}

TEST_F(PluginCli, SettingSwitchesThePluginsOff) {
    NamePluginFolder();
    std::ofstream(dir_ / "config" / "zelvo" / "Zelvo.ini") << "[Settings]\nUseSusiePlugin=0\n";
    const std::string file = (TestDataDir() / "plugins" / "tga" / "nb-rgb-rle.tga").string();
    std::string err;
    EXPECT_EQ(RunCli({"decode", file, Path("out.ppm")}, &err), 1);
    EXPECT_EQ(err, "no reader for this file type: " + file + "\n");
}

TEST_F(PluginCli, HostilePluginsEndAsCannotReadWithTheReason) {
    // The hostile plug-ins in the registry's folder, two seconds a picture.
    std::ofstream(dir_ / "config" / "zelvo" / "registry.ini")
        << "[HKEY_CURRENT_USER\\Software\\Quenbrol\\Susie\\Plug-in]\nPath=" << HostileSpiDir().string() << "\n";
    std::ofstream(dir_ / "config" / "zelvo" / "Zelvo.ini") << "[Settings]\nDecoderSeconds=2\n";
    const std::pair<const char*, const char*> cases[] = {
        {"NULL", "(hostile_null.spi: the decoder crashed (signal 11, SIGSEGV))"},
        {"LOOP", "(hostile_loop.spi: the decoder was stopped after 2 s)"},
        {"SNOOF", "(hostile_snoop.spi: the decoder was stopped: the plug-in called open"},
        {"FORK", "(hostile_fork.spi: the decoder was stopped: the plug-in called "},
    };
    for (const auto& [magic, reason] : cases) {
        SCOPED_TRACE(magic);
        const std::string file = Path(std::string("bad.") + (magic[0] == 'S' ? "snoop" : magic));
        std::ofstream(file) << magic;
        const std::string command = std::string("'") + ZELVO_CLI_PROGRAM + "' decode '" + file + "' '" +
                                    Path("out.ppm") + "' 2>'" + Path("err.txt") + "'";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        std::ifstream in(Path("err.txt"));
        const std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(err.rfind("認識できない画像形式です ", 0), 0u) << err;
        EXPECT_NE(err.find(reason), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(Path("out.ppm")));
    }
}

}  // namespace
}  // namespace zelvo::test
