// Opening files for reading: only regular files are read as pictures.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "TestSupport.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"
#include "image/Stream.h"

namespace zelvo {
namespace {

TEST(FileStream, ReadRefusesFifoDirectoryAndDeviceWithoutBlocking) {
    const auto dir = test::MakeTempDir("zelvo-stream");
    const auto fifo = dir / "pipe.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "folder.bmp");

    // A FIFO with no writer would block an ordinary open forever.
    const std::filesystem::path paths[] = {fifo, dir / "folder.bmp", "/dev/zero"};
    for (const auto& path : paths) {
        SCOPED_TRACE(path.string());
        EXPECT_THROW(TFileStream(path, TFileStream::Mode::fmOpenRead), EFOpenError);
        TDibImage image;
        EXPECT_THROW(image.LoadFromFile(path), EFOpenError);
    }
    std::filesystem::remove_all(dir);
}

TEST(FileStream, RegularFileStillReadsWholeAfterTheCheck) {
    const auto dir = test::MakeTempDir("zelvo-stream");
    const auto path = dir / "data.bin";
    std::string bytes(70000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7);
    std::ofstream(path, std::ios::binary) << bytes;

    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    std::string back(bytes.size(), '\0');
    EXPECT_EQ(stream.Read(back.data(), back.size()), bytes.size());
    EXPECT_EQ(back, bytes);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
