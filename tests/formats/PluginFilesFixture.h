#pragma once
// What the tests of our plug-in files share: bytes in and out of files, and
// a fixture with every plug-in of the build folder loaded and a scratch
// folder.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "SpiTestSupport.h"
#include "formats/QxImageIO.h"
#include "formats/plugin/DecoderSandbox.h"
#include "formats/plugin/SPIs.h"

namespace zelvo::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class PluginFilesFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTempDir("plugin-files");
        // These tests are about the plug-ins' own decoding, thousands of
        // files at every length: in process. DecoderSandboxTest holds the
        // decoder process to the same bytes for every test file.
        sandboxed_ = std::exchange(SandboxOptions().Plugins, false);
        plugins_ = std::make_unique<TSPIs>(false, TSPISearchOptions{});
        plugins_->Search((PluginDir() / "*.spi").string());
    }
    void TearDown() override {
        plugins_.reset();
        SandboxOptions().Plugins = sandboxed_;
        std::filesystem::remove_all(dir_);
    }
    /// `file` read as the document reads it (plug-ins included).
    TDibImage Read(const std::filesystem::path& file) {
        TDibImage picture;
        TPictureFileInfo info;
        EXPECT_TRUE(ReadDocumentPicture(file, false, picture, info)) << file;
        return picture;
    }
    std::filesystem::path dir_;
    std::unique_ptr<TSPIs> plugins_;
    bool sandboxed_ = true;
};

}  // namespace zelvo::test
