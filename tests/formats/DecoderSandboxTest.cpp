// The decoder process: every plug-in test file gives the same bytes through
// it as in process; a reply that lies is refused before it is read; hostile
// plug-ins end as the ordinary "cannot read" with the reason in the detail,
// and neither the file nor the socket they go for is touched; without a
// decoder, plug-ins are refused unless the in-process fallback is allowed.

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "PluginFilesFixture.h"
#include "SpiEnvironment.h"
#include "SpiTestSupport.h"
#include "formats/plugin/DecoderSandbox.h"
#include "formats/plugin/SPIs.h"
#include "formats/plugin/SpiBitmap.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

/// Sandbox options changed for one test and restored after, with the
/// waiting decoders (started with the old options and environment) ended.
class TScopedSandbox {
public:
    TScopedSandbox() : FSaved(SandboxOptions()) { StopWaitingDecoders(); }
    ~TScopedSandbox() {
        SandboxOptions() = FSaved;
        StopWaitingDecoders();
    }
    TScopedSandbox(const TScopedSandbox&) = delete;
    TScopedSandbox& operator=(const TScopedSandbox&) = delete;

private:
    TSandboxOptions FSaved;
};

/// The picture as a BMP file: size, depth, compression, palette and rows.
Bytes BmpBytes(const TDibImage& picture) {
    TMemoryStream stream;
    picture.SaveToStream(stream);
    return stream.Data();
}

TEST(DecoderSandbox, EveryPluginTestFileGivesTheBytesItGivesInProcess) {
    TScopedSandbox scope;
    TSPIs plugins(false, TSPISearchOptions{});
    plugins.Search((test::PluginDir() / "*.spi").string());
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(test::TestDataDir() / "plugins")) {
        const fs::path& file = entry.path();
        const std::string name = file.filename().string();
        if (entry.is_regular_file() && name.find(".ref.") == std::string::npos && file.extension() != ".md" &&
            file.extension() != ".sh" && file.parent_path().filename() != "src")
            files.push_back(file);
    }
    // A TGA whose 4.8 MB of rows come back through the pipe, into memory
    // made ready while the plug-in decodes.
    TDibImage noise = test::NoiseImage24(1600, 1000, 5);
    Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x06, 0xE8, 0x03, 24, 0};
    for (int y = 0; y < noise.Height(); ++y) {
        const std::uint8_t* row = noise.ScanLine(noise.Height() - 1 - y);
        tga.insert(tga.end(), row, row + 3 * noise.Width());
    }
    const fs::path dir = test::MakeTempDir("large");
    test::WriteFile(dir / "large.tga", tga);
    files.push_back(dir / "large.tga");
    int pictures = 0;
    bool readLarge = false;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        auto read = [&](bool sandboxed, TSPIBitmap& bitmap) {
            SandboxOptions().Plugins = sandboxed;
            try {
                bitmap.LoadFromFile(file);
                return std::string();
            } catch (const Exception& error) {
                return std::string(error.what());
            }
        };
        TSPIBitmap inProcess(&plugins), sandboxed(&plugins);
        const std::string failedInProcess = read(false, inProcess);
        const std::string failedSandboxed = read(true, sandboxed);
        EXPECT_EQ(failedSandboxed, failedInProcess);
        if (!failedInProcess.empty()) continue;
        ++pictures;
        readLarge = readLarge || file == dir / "large.tga";
        EXPECT_EQ(sandboxed.Reader(), inProcess.Reader());
        EXPECT_EQ(sandboxed.PictureInfo().Width, inProcess.PictureInfo().Width);
        EXPECT_EQ(sandboxed.PictureInfo().Height, inProcess.PictureInfo().Height);
        EXPECT_EQ(sandboxed.PictureInfo().ColorDepth, inProcess.PictureInfo().ColorDepth);
        EXPECT_EQ(sandboxed.PictureInfo().Text, inProcess.PictureInfo().Text);
        EXPECT_EQ(BmpBytes(sandboxed.Picture()), BmpBytes(inProcess.Picture()));
    }
    // TGA, PCX, TIFF, WebP, HEIC and AVIF files: a few dozen.
    EXPECT_GT(pictures, 40);
    EXPECT_TRUE(readLarge);
    fs::remove_all(dir);
}

/// The decoder server this process started for `plugin` and the decoders
/// it forked (their command lines end with the plug-in).
std::vector<pid_t> DecodersOf(const fs::path& plugin) {
    std::vector<pid_t> out;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream status(entry.path() / "status");
        std::string line;
        pid_t parent = -1;
        while (std::getline(status, line))
            if (line.rfind("PPid:", 0) == 0) parent = pid_t(std::stol(line.substr(5)));
        std::ifstream command(entry.path() / "cmdline");
        const std::string words((std::istreambuf_iterator<char>(command)), std::istreambuf_iterator<char>());
        if (parent == ::getpid() && words.find(std::string("--serve") + '\0' + plugin.string()) != std::string::npos)
            out.push_back(pid_t(std::stol(name)));
    }
    return out;
}

TEST(DecoderSandbox, LostDecodersAndServerAreReplaced) {
    TScopedSandbox scope;
    TSPIs plugins(false, TSPISearchOptions{});
    const fs::path tga = test::PluginDir() / "tga.spi";
    plugins.Search(tga.string());
    const fs::path file = test::PluginDataFiles("tga").front();
    TSPIBitmap first(&plugins);
    first.LoadFromFile(file);
    const Bytes want = BmpBytes(first.Picture());
    // The server and the decoder waiting for the next picture are gone
    // (the system ended them): new ones take their place.
    // The decoder of the first picture may still be ending, and the next
    // one may still be starting: wait until the same two processes are
    // listed for 200 ms.
    std::vector<pid_t> lost = DecodersOf(tga);
    for (int wait = 0, stable = 0; wait < 1000 && stable < 20; ++wait) {
        ::usleep(10000);
        std::vector<pid_t> now = DecodersOf(tga);
        stable = now.size() == 2 && now == lost ? stable + 1 : 0;
        lost = std::move(now);
    }
    ASSERT_EQ(lost.size(), 2u);
    for (const pid_t pid : lost) {
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        // Ended: a zombie until the pool reaps it.
        siginfo_t info{};
        ASSERT_EQ(::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT), 0);
    }
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        TSPIBitmap again(&plugins);
        again.LoadFromFile(file);
        EXPECT_EQ(BmpBytes(again.Picture()), want);
    }
    for (const pid_t pid : DecodersOf(tga)) EXPECT_EQ(std::count(lost.begin(), lost.end(), pid), 0);
}

// A 2 x 1 picture at 8 bits with a two-colour table, as a decoder writes it.
struct TReplyParts {
    Bytes Text{'h', 'i', 0};
    Bytes Info;
    Bytes Bits{0, 1, 0, 0};
    TReplyParts() {
        Info.assign(40, 0);
        Info[0] = 40;
        Info[4] = 2;
        Info[8] = 1;
        Info[12] = 1;
        Info[14] = 8;
        Info[32] = 2;
        const Bytes table{0, 0, 255, 0, 255, 0, 0, 0};  // red, blue
        Info.insert(Info.end(), table.begin(), table.end());
    }
    Bytes Reply(TDecodeStatus status = TDecodeStatus::Read) const {
        Bytes out(DecodeReplyBytes(Text.size(), Info.size(), Bits.size()));
        TDecodeReplyHeader header{};
        header.Status = status;
        header.Width = 2;
        header.Height = 1;
        WriteDecodeReply(out.data(), header, Text, Info, Bits);
        return out;
    }
};

void Put64(Bytes& reply, std::size_t at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) reply[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

TEST(DecoderReply, SoundReplyGivesItsPixelsAndText) {
    const Bytes bytes = TReplyParts().Reply();
    const TDecodeReply reply = ParseDecodeReply(bytes);
    EXPECT_EQ(reply.Info.Text, "hi");
    EXPECT_EQ(reply.Info.Width, 2);
    const TDibImage picture = PictureFromDecodeReply(reply);
    EXPECT_EQ(test::RgbBytes(picture), (Bytes{255, 0, 0, 0, 0, 255}));
}

TEST(DecoderReply, RepliesThatLieAreRefusedBeforeReading) {
    // Offsets of the header's fields: status 12, text 48, info 64, rows 80.
    const Bytes sound = TReplyParts().Reply();
    const std::size_t size = sound.size();
    struct TCase {
        const char* Name;
        std::function<void(Bytes&)> Change;
        const char* Detail;
    };
    const TCase cases[] = {
        {"short of its header", [](Bytes& r) { r.resize(95); }, "shorter than its header"},
        {"empty", [](Bytes& r) { r.clear(); }, "shorter than its header"},
        {"wrong magic", [](Bytes& r) { r[0] = 'X'; }, "wrong magic"},
        {"other version", [](Bytes& r) { r[8] = 2; }, "version 2"},
        {"unknown status", [](Bytes& r) { r[12] = 7; }, "status 7"},
        {"rows past the end", [size](Bytes& r) { Put64(r, 80, size - 2); }, "outside a reply"},
        {"rows at an offset that wraps", [](Bytes& r) { Put64(r, 80, ~std::uint64_t(0) - 1); }, "outside a reply"},
        {"rows longer than the reply", [](Bytes& r) { Put64(r, 88, 1 << 20); }, "outside a reply"},
        {"rows longer than any picture", [](Bytes& r) { Put64(r, 88, ~std::uint64_t(0)); }, "limit"},
        {"text inside the header", [](Bytes& r) { Put64(r, 48, 8); }, "outside a reply"},
        {"information block over the rows",
         [size](Bytes& r) { Put64(r, 64, size - 4); Put64(r, 72, 4); }, "overlaps"},
        {"information block longer than a table", [](Bytes& r) { Put64(r, 72, 2000); }, "limit"},
        {"picture without rows", [](Bytes& r) { Put64(r, 80, 0); Put64(r, 88, 0); }, "without its information"},
        {"declined yet with sections", [](Bytes& r) { r[12] = 1; }, "without a picture"},
        {"rows too few for the picture", [](Bytes& r) { Put64(r, 88, 2); }, "rows need 4 bytes"},
        {"depth it cannot have", [](Bytes& r) { r[96 + 3 + 14] = 7; }, "bit count 7"},
        {"palette beyond its block", [](Bytes& r) { r[96 + 3 + 32] = 200; }, "200 colours"},
        {"wider than its rows", [](Bytes& r) { r[96 + 3 + 4] = 100; }, "rows need"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes reply = sound;
        c.Change(reply);
        try {
            PictureFromDecodeReply(ParseDecodeReply(reply));
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& error) {
            EXPECT_STREQ(error.what(), "認識できない画像形式です");
            EXPECT_NE(error.Detail().find(c.Detail), std::string::npos) << error.Detail();
        }
        // Where the rows lie, as the editor reads it before the rest: inside
        // the reply, past its header, or refused for the same fault.
        try {
            const TReplyRows rows = ReplyRowsSection(reply, reply.size());
            EXPECT_TRUE(rows.Bytes == 0 || (rows.Offset >= 96 && rows.Offset + rows.Bytes <= reply.size()));
        } catch (const EInvalidGraphic& error) {
            EXPECT_NE(error.Detail().find(c.Detail), std::string::npos) << error.Detail();
        }
    }
}

// A plug-in's description comes back from its bytes whole; bytes that end
// early or go on, or that hold what GetPluginInfo cannot give, are refused.
TEST(DecoderReply, PluginDescriptionReadsBackWholeAndLiesAreRefused) {
    const TSPIDescription description{"00IN", "Test", {"*.abc;*.abd", "*.xyz"}, {"ABC", "XYZ"}, 29};
    const Bytes sound = PluginDescriptionBytes(description);
    const TSPIDescription back = ParsePluginDescription(sound);
    EXPECT_EQ(back.Version, "00IN");
    EXPECT_EQ(back.Name, "Test");
    EXPECT_EQ(back.Patterns, description.Patterns);
    EXPECT_EQ(back.Descriptions, description.Descriptions);
    EXPECT_EQ(back.EntryPoints, 29u);
    struct TCase {
        const char* Name;
        std::function<void(Bytes&)> Change;
        const char* Detail;
    };
    // Texts from offset 8: "00IN" (length 4) at 8, "Test" at 14, "*.abc;*.abd" at 20.
    const TCase cases[] = {
        {"cut short", [](Bytes& b) { b.pop_back(); }, "ends in a text"},
        {"no counts", [](Bytes& b) { b.resize(7); }, "ends in its counts"},
        {"bytes after it", [](Bytes& b) { b.push_back(0); }, "1 bytes after"},
        {"a pattern without description", [](Bytes& b) { b[4] = 5; }, "5 texts"},
        {"more pairs than a plug-in has", [](Bytes& b) { b[5] = 2; }, "texts"},
        {"an entry point nobody knows", [](Bytes& b) { b[1] = 2; }, "entry points"},
        {"a text longer than the buffer", [](Bytes& b) { b[8] = 0; b[9] = 1; }, "256 bytes"},
        {"an empty pattern", [](Bytes& b) { b[20] = 0; b.erase(b.begin() + 22, b.begin() + 33); }, "empty text"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes bytes = sound;
        c.Change(bytes);
        try {
            ParsePluginDescription(bytes);
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& error) {
            EXPECT_NE(error.Detail().find(c.Detail), std::string::npos) << error.Detail();
        }
    }
}

// Plug-ins are described in a decoder process as they describe themselves
// when loaded here; what is no plug-in fails the same way.
TEST(DecoderSandbox, PluginsDescribeThemselvesInTheDecoderAsInProcess) {
    std::vector<fs::path> plugins;
    for (const fs::path& dir : {test::PluginDir(), test::TestSpiDir()})
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".spi") plugins.push_back(entry.path());
    ASSERT_GE(plugins.size(), 10u);
    for (const fs::path& plugin : plugins) {
        SCOPED_TRACE(plugin.filename().string());
        const TSPIDescription here = ReadSPIDescription(plugin);
        TSPIDescription there;
        try {
            there = DescribeInDecoder(plugin);
        } catch (const ESPIError& error) {
            ADD_FAILURE() << error.what() << " " << error.Detail();
            continue;
        }
        EXPECT_EQ(there.Version, here.Version);
        EXPECT_EQ(there.Name, here.Name);
        EXPECT_EQ(there.Patterns, here.Patterns);
        EXPECT_EQ(there.Descriptions, here.Descriptions);
        EXPECT_EQ(there.EntryPoints, here.EntryPoints);
    }
    const fs::path text = test::MakeTempDir("describe") / "text.spi";
    std::ofstream(text) << "not a library";
    EXPECT_THROW(ReadSPIDescription(text), ESPIFOpenErrorSPI);
    EXPECT_THROW(DescribeInDecoder(text), ESPIFOpenErrorSPI);
    StopWaitingDecoders();
}

// The hostile plug-ins, each given a file of its own in a folder whose
// HOME holds a secret and which has a socket listening.
class HostilePlugins : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::MakeTempDir("hostile");
        fs::create_directories(dir_ / ".ssh");
        secret_ = dir_ / ".ssh" / "id_rsa";
        test::WriteFile(secret_, Bytes{'k', 'e', 'y'});
        home_ = std::make_unique<test::TScopedEnv>("HOME", dir_.string());
        socketPath_ = (dir_ / "listen.sock").string();
        socketEnv_ = std::make_unique<test::TScopedEnv>("ZELVO_TEST_SOCKET", socketPath_);
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath_.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::listen(listener_, 4), 0);
        watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(::inotify_add_watch(watch_, secret_.c_str(), IN_OPEN | IN_ACCESS), 0);
        plugins_ = std::make_unique<TSPIs>(false, TSPISearchOptions{});
        plugins_->Search((test::HostileSpiDir() / "*.spi").string());
        ASSERT_EQ(plugins_->Count(), 5);
        SandboxOptions().TimeLimitSeconds = 2;
        SandboxOptions().AddressSpaceMarginBytes = std::uint64_t(1) << 30;
    }
    void TearDown() override {
        plugins_.reset();
        ::close(listener_);
        ::close(watch_);
        socketEnv_.reset();
        home_.reset();
        fs::remove_all(dir_);
    }
    /// Nobody opened the secret or connected to the socket.
    void ExpectUntouched() {
        char events[4096];
        EXPECT_LT(::read(watch_, events, sizeof events), 0) << "the secret was opened";
        const int peer = ::accept(listener_, nullptr, nullptr);
        EXPECT_LT(peer, 0) << "the socket was connected to";
        if (peer >= 0) ::close(peer);
    }

    TScopedSandbox scope_;
    fs::path dir_, secret_;
    std::string socketPath_;
    std::unique_ptr<test::TScopedEnv> home_, socketEnv_;
    int listener_ = -1, watch_ = -1;
    std::unique_ptr<TSPIs> plugins_;
};

TEST_F(HostilePlugins, EachEndsAsCannotReadWithItsReason) {
    struct TCase {
        const char* File;
        std::string Bytes;
        std::vector<const char*> Reasons;  // one of them in the detail
    };
    const TCase cases[] = {
        {"a.null", "NULL", {"hostile_null.spi: the decoder crashed (signal 11, SIGSEGV)"}},
        {"a.loop", "LOOP", {"hostile_loop.spi: the decoder was stopped after 2 s"}},
        // Out of address space the hog writes through the null malloc gave
        // it; without the limit (sanitiser builds) the clock stops it.
        {"a.hog", "HOGG", {"hostile_hog.spi: the decoder crashed", "hostile_hog.spi: the decoder was stopped after"}},
        {"file.snoop", "SNOOF", {"hostile_snoop.spi: the decoder was stopped: the plug-in called open"}},
        {"net.snoop", "SNOON", {"hostile_snoop.spi: the decoder was stopped: the plug-in called socket"}},
        {"a.fork", "FORK", {"hostile_fork.spi: the decoder was stopped: the plug-in called clone",
                            "hostile_fork.spi: the decoder was stopped: the plug-in called fork"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        test::WriteFile(dir_ / c.File, Bytes(c.Bytes.begin(), c.Bytes.end()));
        TSPIBitmap bitmap(plugins_.get());
        try {
            bitmap.LoadFromFile(dir_ / c.File);
            ADD_FAILURE() << "read";
        } catch (const EInvalidGraphic& error) {
            EXPECT_STREQ(error.what(), "認識できない画像形式です");
            bool found = false;
            for (const char* reason : c.Reasons) found = found || error.Detail().find(reason) != std::string::npos;
            EXPECT_TRUE(found) << error.Detail();
        }
        ExpectUntouched();
    }
}

TEST_F(HostilePlugins, WithoutDecoderPluginsAreRefusedUnlessAllowedInProcess) {
    SandboxOptions().Program = dir_ / "no-such-decoder";
    StopWaitingDecoders();
    // Our TGA reader, not a hostile one, may run in process when allowed.
    plugins_.reset();
    TSPIs ours(false, TSPISearchOptions{});
    ours.Search((test::PluginDir() / "tga.spi").string());
    const fs::path tga = test::PluginDataFiles("tga").front();
    TSPIBitmap refused(&ours);
    try {
        refused.LoadFromFile(tga);
        ADD_FAILURE() << "read without a decoder";
    } catch (const EDecoderUnavailable& error) {
        EXPECT_STREQ(error.what(), "画像デコーダーのプロセスを起動できません");
    }
    SandboxOptions().InProcessFallback = true;
    TSPIBitmap allowed(&ours);
    allowed.LoadFromFile(tga);
    EXPECT_GT(allowed.Picture().Width(), 0);
}

}  // namespace
}  // namespace zelvo
