// zelvo-cli --sandbox: every command gives the same exit status, output
// and files as without it, reading through the decoder process (which a
// missing decoder program shows).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "TestSupport.h"
#include "formats/plugin/DecoderSandbox.h"
#include "image/Stream.h"

namespace zelvo {
namespace {

using test::RunCli;
namespace fs = std::filesystem;

class SandboxCli : public test::TCliFolderTest {
protected:
    void SetUp() override {
        TCliFolderTest::SetUp();
        const fs::path corpus = test::TestDataDir() / "corpus";
        fs::copy_file(corpus / "jpeg" / "pillow" / "hopper.jpg", dir_ / "photo.jpg");
        fs::copy_file(corpus / "png" / "pngsuite" / "basn3p04.png", dir_ / "palette.png");
        fs::copy_file(corpus / "gif" / "pillow" / "hopper.gif", dir_ / "hopper.gif");
        test::NoiseImage24(37, 21, 5).SaveToFile(dir_ / "noise.bmp");
        std::vector<std::uint8_t> bad(64, 0x33);
        TFileStream(dir_ / "bad.png", TFileStream::Mode::fmCreate).WriteBuffer(bad.data(), bad.size());
    }
    void TearDown() override {
        SandboxOptions().AllDecoders = false;
        TCliFolderTest::TearDown();
    }
};

TEST_F(SandboxCli, CommandsGiveTheSameResultsThroughTheDecoder) {
    const struct {
        std::vector<std::string> Args;
        const char* Output;  ///< the file written, or nullptr
    } kCommands[] = {
        {{"decode", "photo.jpg", "OUT.ppm"}, "OUT.ppm"},
        {{"decode", "palette.png", "OUT.bmp"}, "OUT.bmp"},
        {{"decode", "--gif-mode", "hopper.gif", "OUT.png"}, "OUT.png"},
        {{"apply", "noise.bmp", "OUT.jpg", "Soft"}, "OUT.jpg"},
        {{"info", "photo.jpg"}, nullptr},
        {{"histogram", "palette.png"}, nullptr},
        {{"decode", "bad.png", "OUT.bmp"}, "OUT.bmp"},
        {{"decode", "missing.jpg", "OUT.bmp"}, "OUT.bmp"},
    };
    for (const auto& command : kCommands) {
        SCOPED_TRACE(command.Args[0] + " " + command.Args[1]);
        struct TRun {
            int Status;
            std::string Out, Err;
            std::vector<std::uint8_t> File;
        } runs[2];
        for (int sandboxed = 0; sandboxed < 2; ++sandboxed) {
            std::vector<std::string> args;
            for (const std::string& arg : command.Args)
                args.push_back(arg.find('.') != std::string::npos ? Path(arg.starts_with("OUT") ? std::to_string(sandboxed) + arg : arg) : arg);
            // Before the command once, among its options once.
            if (sandboxed) args.insert(command.Args[0] == "decode" ? args.begin() : args.end(), "--sandbox");
            TRun& run = runs[sandboxed];
            run.Status = RunCli(args, &run.Err, &run.Out);
            if (command.Output && fs::exists(Path(std::to_string(sandboxed) + command.Output)))
                run.File = ReadWholeFile(Path(std::to_string(sandboxed) + command.Output));
        }
        EXPECT_EQ(runs[1].Status, runs[0].Status) << runs[1].Err;
        EXPECT_EQ(runs[1].Out, runs[0].Out);
        EXPECT_EQ(runs[1].Err, runs[0].Err);
        EXPECT_EQ(runs[1].File, runs[0].File);
        const bool fails = command.Args[1] == "bad.png" || command.Args[1] == "missing.jpg";
        EXPECT_EQ(runs[0].Status, fails ? 1 : 0) << runs[0].Err;
    }
}

TEST_F(SandboxCli, ReadsGoThroughTheDecoderProcess) {
    // Without a decoder program the sandboxed read fails with its message;
    // the same command without --sandbox reads in process.
    const fs::path saved = std::exchange(SandboxOptions().Program, dir_ / "no-such-decoder");
    std::string err;
    EXPECT_EQ(RunCli({"--sandbox", "decode", Path("photo.jpg"), Path("a.ppm")}, &err), 1);
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(fs::exists(Path("a.ppm")));
    EXPECT_EQ(RunCli({"decode", Path("photo.jpg"), Path("a.ppm")}, &err), 0) << err;
    SandboxOptions().Program = saved;
}

}  // namespace
}  // namespace zelvo
