#include "formats/IconFile.h"

#include <cstdio>
#include <sys/stat.h>

#include "formats/PeResources.h"
#include "formats/plugin/DecoderSandbox.h"
#include "image/ByteReader.h"
#include "image/Exceptions.h"
#include "image/Stream.h"

namespace zelvo {

namespace {

constexpr std::size_t kIconHeaderBytes = 6;
constexpr std::size_t kIconEntryBytes = 16;

std::vector<std::uint8_t> ReadIconSource(const std::filesystem::path& path) {
    // Opening a pipe for reading would wait for a writer: look first.
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
        throw EFOpenError("Cannot open file \"" + path.string() + "\"", "not a regular file");
    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    struct stat st {};
    // A pipe or device would never end; a huge file is not an icon source.
    if (::fstat(stream.Handle(), &st) != 0 || !S_ISREG(st.st_mode) ||
        std::uint64_t(st.st_size) > kMaxIconSourceBytes)
        throw EFOpenError("Cannot open file \"" + path.string() + "\"",
                          "not a regular file of at most " + std::to_string(kMaxIconSourceBytes) + " bytes");
    return stream.ReadRest();
}

}  // namespace

bool TAdvancedIcon::LoadFromFile(const std::filesystem::path& path) {
    Clear();
    return LoadFromMemory(ReadIconSource(path));
}

bool TAdvancedIcon::LoadFromMemory(std::vector<std::uint8_t> bytes) {
    Clear();
    const auto file = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    if (SandboxOptions().AllDecoders) return IconSourceInDecoder(file, FImages);
    const std::span<const std::uint8_t> data(*file);

    if (IsPeFile(data)) {
        std::vector<TPeIconGroup> groups;
        try {
            groups = ReadPeIconGroups(data);
        } catch (const EInvalidGraphic&) {
            return false;
        }
        for (const TPeIconGroup& group : groups) {
            for (std::size_t i = 0; i < group.Icons.size(); ++i) {
                const TPeIconEntry& icon = group.Icons[i];
                FImages.emplace_back(icon.Entry, file, icon.Offset, icon.Size, group.Name + "/" + std::to_string(i));
            }
        }
        return !FImages.empty();
    }

    if (data.size() < kIconHeaderBytes) return false;
    ByteReader r(data);
    const std::uint16_t reserved = r.Get16LE();
    const std::uint16_t type = r.Get16LE();
    const std::uint16_t count = r.Get16LE();
    if (reserved != 0 || type != 1) return false;
    for (std::uint16_t i = 0; i < count && r.Remaining() >= kIconEntryBytes; ++i) {
        TIconDirEntry e;
        e.Width = r.Get8();
        e.Height = r.Get8();
        e.ColorCount = r.Get8();
        e.Reserved = r.Get8();
        e.Planes = r.Get16LE();
        e.BitCount = r.Get16LE();
        e.BytesInRes = r.Get32LE();
        e.ImageOffset = r.Get32LE();
        const std::size_t offset = std::min<std::size_t>(e.ImageOffset, data.size());
        const std::size_t size = std::min<std::size_t>(e.BytesInRes, data.size() - offset);
        FImages.emplace_back(e, file, offset, size);
    }
    return true;
}

const TIconImage* TAdvancedIcon::Images(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return &FImages[std::size_t(index)];
}

int TAdvancedIcon::IndexOfName(std::string_view name) const {
    for (std::size_t i = 0; i < FImages.size(); ++i)
        if (FImages[i].Name() == name) return int(i);
    return -1;
}

bool IsIconSourceExtension(std::string_view extension) {
    return extension == ".ico" || extension == ".exe" || extension == ".dll" || extension == ".cpl";
}

std::string IconChooserLine(int index, const TIconImage& image) {
    char line[64];
    std::snprintf(line, sizeof line, "%3d: %3d x %3d%4d bpp", index + 1, image.Width(), image.Height(),
                  image.BitCount());
    return line;
}

TDibImage LoadIconPicture(const std::filesystem::path& path, int index) {
    return LoadIconPicture(ReadIconSource(path), index);
}

TDibImage LoadIconPicture(std::vector<std::uint8_t> bytes, int index) {
    TAdvancedIcon icon;
    if (!icon.LoadFromMemory(std::move(bytes))) throw EInvalidGraphic("Icon image is not valid", "not an icon source");
    const TIconImage* image = icon.Images(index);
    if (!image)
        throw EInvalidGraphic("Icon image is not valid",
                              "image " + std::to_string(index) + " of " + std::to_string(icon.Count()));
    return RenderIconPicture(*image);
}

TDibImage RenderIconPicture(const TIconImage& image) {
    const TIconPixels& pixels = image.Pixels();
    TDibImage picture;
    picture.ReplaceData(TDibImageData::CreateDIB(pixels.Width, pixels.Height, 0, 24, DefaultUseFMO()));
    DrawIconPixels(pixels, picture, 0, 0);
    return picture;
}

}  // namespace zelvo
