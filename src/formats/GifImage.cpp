#include "formats/GifImage.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>

#include "formats/GifLzw.h"
#include "image/ByteReader.h"
#include "image/ImageLimits.h"

namespace zelvo {

namespace {

constexpr const char* kInvalidPara = "TDibImageData.CreateDIB: Invalid Parameters";
constexpr std::uint8_t kExtensionIntroducer = 0x21;  // '!'
constexpr std::uint8_t kImageSeparator = 0x2C;       // ','
constexpr std::uint8_t kTrailer = 0x3B;              // ';'
constexpr std::uint8_t kGraphicControlLabel = 0xF9;

void ReadColorMap(ByteReader& reader, TGIFColorMap& map, int sizeBits) {
    const int count = 2 << (sizeBits & 7);
    map.Colors.resize(std::size_t(count));
    for (TQuantColor& c : map.Colors) {
        c.Red = reader.Get8();
        c.Green = reader.Get8();
        c.Blue = reader.Get8();
    }
}

/// The concatenated bytes of the sub-blocks at the reader's position, up to
/// their 0 block or the end of the file.
std::vector<std::uint8_t> ReadSubBlocks(ByteReader& reader) {
    std::vector<std::uint8_t> data;
    while (!reader.AtEnd()) {
        const std::size_t length = reader.Get8();
        if (length == 0) break;
        const auto block = reader.Take(std::min(length, reader.Remaining()));
        data.insert(data.end(), block.begin(), block.end());
    }
    return data;
}

/// The next byte without moving past it, or -1 at the end of the file.
int Peek(const ByteReader& reader) {
    ByteReader copy = reader;
    return copy.AtEnd() ? -1 : copy.Get8();
}

/// Reads the extensions that precede an image, from the "!".
void ReadExtensions(ByteReader& reader, TGIFSubImage& image) {
    while (Peek(reader) == kExtensionIntroducer) {
        reader.Skip(1);
        const std::uint8_t label = reader.Get8();
        if (label == kGraphicControlLabel) {
            // The block size says how much is there; a short block leaves
            // the rest of the fields at their defaults.
            TGIFGraphicControlExtension gce;
            const std::vector<std::uint8_t> data = ReadSubBlocks(reader);
            if (data.size() >= 1) gce.Packed = data[0];
            if (data.size() >= 3) gce.Delay = std::uint16_t(data[1] | (data[2] << 8));
            if (data.size() >= 4) gce.TransparentIndex = data[3];
            image.GraphicControl = gce;
            image.Transparent = gce.Transparent();
        } else if (label == 0x01 || label == 0xFE || label == 0xFF) {
            image.Extensions.push_back({label, ReadSubBlocks(reader)});
        } else {
            throw GIFException("Unknown extension type", "label " + std::to_string(label));
        }
    }
}

/// Skips the 0 bytes between blocks; stops at the end of the file.
void SkipZeros(ByteReader& reader) {
    while (Peek(reader) == 0) reader.Skip(1);
}

void CheckPixels(std::int64_t width, std::int64_t height) {
    CheckedImageBytes<EDibImageInvalidDIBPara>(width, height, 8, kInvalidPara);
}

}  // namespace

int TGIFColorMap::BitsPerPixel() const {
    int bits = 1;
    while (bits < 8 && (1 << bits) < Count()) ++bits;
    return bits;
}

TGIFReductionDefaults& GIFDefaultReduction() {
    static TGIFReductionDefaults defaults;
    return defaults;
}

TGIFImage::TGIFImage()
    : ReductionMethod(GIFDefaultReduction().Method),
      ReductionBits(GIFDefaultReduction().Bits),
      DitherMode(GIFDefaultReduction().DitherMode) {}

const TGIFColorMap& TGIFImage::ActiveMap(const TGIFSubImage& image) const {
    return image.LocalMap.Colors.empty() ? Header.GlobalMap : image.LocalMap;
}

void TGIFImage::LoadFromStream(TStream& stream) {
    const std::int64_t start = stream.Position();
    std::vector<std::uint8_t> data;
    try {
        const std::int64_t size = stream.Size();
        if (size > start) {
            data.resize(std::size_t(size - start));
            stream.ReadBuffer(data.data(), data.size());
        }
    } catch (...) {
        stream.SetPosition(start);
        throw;
    }
    try {
        ByteReader reader(data);
        TGIFHeader header;
        std::vector<TGIFSubImage> images;

        auto signatureOk = [&](std::size_t at) {
            if (data.size() < at + 6) return false;
            return std::toupper(data[at]) == 'G' && std::toupper(data[at + 1]) == 'I' &&
                   std::toupper(data[at + 2]) == 'F';
        };
        std::size_t at = 0;
        if (!signatureOk(0)) {
            at = 4;
            if (!signatureOk(4)) throw GIFException("Invalid GIF signature");
        }
        reader.Seek(at + 6);
        header.Width = reader.Get16LE();
        header.Height = reader.Get16LE();
        header.Packed = reader.Get8();
        header.BackgroundIndex = reader.Get8();
        header.AspectRatio = reader.Get8();
        CheckPixels(header.Width, header.Height);
        if (header.Packed & 0x80) {
            ReadColorMap(reader, header.GlobalMap, header.Packed & 7);
            header.GlobalMap.Optimized = (header.Packed & 0x08) != 0;
        }

        for (;;) {
            try {
                SkipZeros(reader);
                const int kind = Peek(reader);
                if (kind < 0 || kind == kTrailer) break;
                if (kind != kExtensionIntroducer && kind != kImageSeparator) break;  // unknown block: stop

                TGIFSubImage image;
                ReadExtensions(reader, image);
                const int next = Peek(reader);
                if (next < 0) break;
                if (next == kTrailer || next == 0) continue;  // extensions without an image

                reader.Skip(1);  // ","
                image.Left = reader.Get16LE();
                image.Top = reader.Get16LE();
                image.Width = reader.Get16LE();
                image.Height = reader.Get16LE();
                image.Packed = reader.Get8();
                if (image.Width == 0) image.Width = header.Width;
                if (image.Height == 0) image.Height = header.Height;
                if (image.Packed & 0x80) {
                    ReadColorMap(reader, image.LocalMap, image.Packed & 7);
                    image.LocalMap.Optimized = (image.Packed & 0x20) != 0;
                }
                if (images.empty()) {
                    // Only the first image is decoded; it is the one shown.
                    CheckPixels(image.Width, image.Height);
                    const std::uint8_t fill = image.Transparent ? image.TransparentIndex() : 0;
                    image.Pixels.assign(std::size_t(image.Width) * image.Height, fill);
                    GifDecodeLzw(reader, image.Pixels, image.Width, GifRowOrder(image.Height, image.Interlaced()));
                } else {
                    if (!reader.AtEnd()) reader.Skip(1);  // minimum code size
                    GifSkipSubBlocks(reader);
                }
                images.push_back(std::move(image));
            } catch (const EReadError&) {
                // A file cut short after its first image keeps that image.
                if (images.empty()) throw;
                break;
            }
        }
        if (images.empty()) throw EReadError(kSReadError, "no image in the file");
        Header = std::move(header);
        Images = std::move(images);
    } catch (...) {
        stream.SetPosition(start);
        throw;
    }
}

void TGIFImage::LoadFromFile(const std::filesystem::path& path) {
    TFileStream stream(path, TFileStream::Mode::fmOpenRead);
    LoadFromStream(stream);
}

TDibImage TGIFImage::ToDibImage() const {
    if (Images.empty()) throw EReadError(kSReadError, "no image");
    const TGIFSubImage& image = Images.front();
    const TGIFColorMap& map = ActiveMap(image);
    const bool covers = image.Width == Header.Width && image.Height == Header.Height;
    const int width = covers ? image.Width : Header.Width;
    const int height = covers ? image.Height : Header.Height;

    // Indices beyond the map (or a file without any map) get black entries
    // up to 256 rather than colours read from past the table.
    std::vector<TRGBQuad> table;
    for (const TQuantColor& c : map.Colors) table.push_back({c.Blue, c.Green, c.Red, 0});
    const std::uint8_t highest =
        image.Pixels.empty() ? 0 : *std::max_element(image.Pixels.begin(), image.Pixels.end());
    if (table.empty() || int(highest) >= int(table.size())) table.resize(256);

    TDibImage out;
    out.ReplaceData(TDibImageData::CreateDIB(width, height, int(table.size()), 8, DefaultUseFMO()));
    out.SetColorTable(table);
    // The part of the frame on the screen; the rest of the screen keeps
    // index 0.
    const int left = covers ? 0 : image.Left;
    const int top = covers ? 0 : image.Top;
    const int copyWidth = std::min<int>(image.Width, width - std::min(left, width));
    const int copyHeight = std::min<int>(image.Height, height - std::min(top, height));
    for (int y = 0; y < copyHeight; ++y) {
        std::memcpy(out.ScanLine(top + y) + left, image.Pixels.data() + std::size_t(y) * image.Width,
                    std::size_t(std::max(copyWidth, 0)));
    }
    return out;
}

namespace {

TDibImage PaletteForm(const TDibImage& picture, int method, int ditherMode, int bits) {
    TDibImage source(picture);
    const TDibPixelFormat format = source.PixelFormat();
    if (format == dibPf4BitRLE) source.SetPixelFormat(dibPf4Bit);
    if (format == dibPf8BitRLE) source.SetPixelFormat(dibPf8Bit);
    if (source.BitCount() > 8) source = ReduceColors(source, method, ditherMode, bits);
    return source;
}

}  // namespace

TDibImage GifPaletteForm(const TDibImage& picture) {
    const TGIFReductionDefaults& d = GIFDefaultReduction();
    return PaletteForm(picture, d.Method, d.DitherMode, d.Bits);
}

void TGIFImage::Assign(const TDibImage& picture) {
    if (picture.Width() > kMaxGifSide || picture.Height() > kMaxGifSide) {
        throw EDibImageInvalidDIBPara(kInvalidPara, "width " + std::to_string(picture.Width()) + ", height " +
                                                        std::to_string(picture.Height()) + ", GIF limit 65535");
    }
    const TDibImage source = PaletteForm(picture, ReductionMethod, DitherMode, ReductionBits);

    TGIFSubImage image;
    image.Width = std::uint16_t(source.Width());
    image.Height = std::uint16_t(source.Height());
    const int colors = source.ColorsUsed() > 0 ? source.ColorsUsed() : 1 << source.BitCount();
    for (int i = 0; i < colors; ++i) {
        const TRGBQuad q = source.ColorTable()[i];
        image.LocalMap.Colors.push_back({q.rgbRed, q.rgbGreen, q.rgbBlue});
    }
    image.Packed = std::uint8_t(0x80 | (image.LocalMap.BitsPerPixel() - 1));
    image.Pixels.resize(std::size_t(image.Width) * image.Height);
    const int bitCount = source.BitCount();
    for (int y = 0; y < image.Height; ++y) {
        const std::uint8_t* row = source.ScanLineRead(y);
        std::uint8_t* dst = image.Pixels.data() + std::size_t(y) * image.Width;
        for (int x = 0; x < image.Width; ++x) {
            if (bitCount == 8) dst[x] = row[x];
            else if (bitCount == 4) dst[x] = std::uint8_t(x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
            else dst[x] = std::uint8_t((row[x / 8] >> (7 - x % 8)) & 1);
        }
    }
    Header = TGIFHeader{};
    Header.Width = image.Width;
    Header.Height = image.Height;
    Images.clear();
    Images.push_back(std::move(image));
}

void TGIFImage::SetTransparent(bool on, std::uint8_t index) {
    if (Images.empty()) return;
    TGIFSubImage& image = Images.front();
    if (!image.GraphicControl) image.GraphicControl = TGIFGraphicControlExtension{};
    const TGIFColorMap& map = ActiveMap(image);
    if (!map.Colors.empty() && index >= map.Count()) index = 0;  // "Invalid color index"
    image.GraphicControl->TransparentIndex = index;
    image.GraphicControl->Packed = std::uint8_t(on ? image.GraphicControl->Packed | 1 : image.GraphicControl->Packed & ~1);
    image.Transparent = on;
}

void TGIFImage::OptimizeColorMaps() {
    struct Entry {
        TQuantColor Color;
        std::uint64_t Count = 0;
        int Map = 0;       // 0 global, 1 + image for a local map
        int Index = 0;     // index in that map
        int MergedInto = -1;
        int NewIndex = -1;
    };
    // The maps in use: the global one (images without a local map) and
    // every local one.
    std::vector<const TGIFColorMap*> maps{&Header.GlobalMap};
    for (const TGIFSubImage& image : Images) maps.push_back(&image.LocalMap);
    std::vector<std::vector<std::uint64_t>> counts(maps.size());
    for (std::size_t m = 0; m < maps.size(); ++m) counts[m].assign(maps[m]->Colors.size(), 0);

    bool anyTransparent = false;
    for (std::size_t i = 0; i < Images.size(); ++i) {
        TGIFSubImage& image = Images[i];
        const std::size_t m = image.LocalMap.Colors.empty() ? 0 : i + 1;
        bool transparentUsed = false;
        for (std::uint8_t& p : image.Pixels) {
            if (image.Transparent && p == image.TransparentIndex()) {
                transparentUsed = true;
                continue;
            }
            if (p >= counts[m].size()) p = 0;  // "Color not in color table"
            if (!counts[m].empty()) ++counts[m][p];
        }
        if (image.Transparent && !transparentUsed) {
            image.Transparent = false;
            image.GraphicControl->Packed &= std::uint8_t(~1);
            image.GraphicControl->TransparentIndex = 0;
        }
        anyTransparent = anyTransparent || image.Transparent;
    }

    std::vector<Entry> list;
    for (std::size_t m = 0; m < maps.size(); ++m) {
        std::vector<Entry> part;
        for (std::size_t k = 0; k < counts[m].size(); ++k)
            if (counts[m][k] > 0) part.push_back({maps[m]->Colors[k], counts[m][k], int(m), int(k)});
        std::stable_sort(part.begin(), part.end(), [](const Entry& a, const Entry& b) { return a.Count > b.Count; });
        list.insert(list.end(), part.begin(), part.end());
    }
    // Identical colours are merged into the first of them.
    auto key = [](const TQuantColor& c) { return (c.Red << 16) | (c.Green << 8) | c.Blue; };
    std::stable_sort(list.begin(), list.end(), [&](const Entry& a, const Entry& b) { return key(a.Color) < key(b.Color); });
    for (std::size_t i = 1; i < list.size(); ++i) {
        std::size_t head = i - 1;
        while (list[head].MergedInto >= 0) head = std::size_t(list[head].MergedInto);
        if (key(list[i].Color) == key(list[head].Color)) {
            list[head].Count += list[i].Count;
            list[i].Count = 0;
            list[i].MergedInto = int(head);
        }
    }
    // Sorting by count moves entries; keep the merge links by colour.
    std::stable_sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) { return a.Count > b.Count; });
    const std::size_t capacity = anyTransparent ? 255 : 256;
    std::vector<TQuantColor> kept;
    for (Entry& e : list) {
        if (e.Count == 0 || kept.size() >= capacity) break;
        e.NewIndex = int(kept.size());
        kept.push_back(e.Color);
    }
    for (Entry& e : list) {
        if (e.NewIndex >= 0) continue;
        // Merged entries share their colour with a kept one (the first
        // entry with that colour, which sorts ahead of them).
        int best = 0;
        int bestDiff = 1 << 30;
        const int total = e.Color.Red + e.Color.Green + e.Color.Blue;
        for (std::size_t k = 0; k < kept.size(); ++k) {
            if (e.MergedInto >= 0 && key(kept[k]) == key(e.Color)) {
                best = int(k);
                break;
            }
            const int diff = std::abs(kept[k].Red + kept[k].Green + kept[k].Blue - total);
            if (diff < bestDiff) {
                bestDiff = diff;
                best = int(k);
            }
        }
        e.NewIndex = best;
    }
    std::vector<std::vector<std::uint8_t>> remap(maps.size());
    for (std::size_t m = 0; m < maps.size(); ++m) remap[m].assign(std::max<std::size_t>(maps[m]->Colors.size(), 1), 0);
    for (const Entry& e : list) remap[std::size_t(e.Map)][std::size_t(e.Index)] = std::uint8_t(e.NewIndex);

    // The transparent entry comes last, in the colour the picture had there
    // so that a reader ignoring transparency still shows the same picture.
    const std::uint8_t transparentIndex = std::uint8_t(kept.size());
    if (anyTransparent) {
        const TGIFSubImage& firstTransparent =
            *std::find_if(Images.begin(), Images.end(), [](const TGIFSubImage& i) { return i.Transparent; });
        const TGIFColorMap& map = ActiveMap(firstTransparent);
        const std::uint8_t old = firstTransparent.TransparentIndex();
        kept.push_back(old < map.Colors.size() ? map.Colors[old] : TQuantColor{});
    }
    for (std::size_t i = 0; i < Images.size(); ++i) {
        TGIFSubImage& image = Images[i];
        const std::size_t m = image.LocalMap.Colors.empty() ? 0 : i + 1;
        const std::uint8_t old = image.TransparentIndex();
        for (std::uint8_t& p : image.Pixels) {
            p = image.Transparent && p == old ? transparentIndex : remap[m][p];
        }
        if (image.Transparent) image.GraphicControl->TransparentIndex = transparentIndex;
        image.LocalMap = TGIFColorMap{};
        image.Packed &= std::uint8_t(~0xA7);
    }
    if (kept.empty()) kept.push_back({});
    Header.GlobalMap.Colors = std::move(kept);
    Header.GlobalMap.Optimized = true;
}

void TGIFImage::SaveToStream(TStream& stream) const {
    if (Images.empty()) throw GIFException("Unsupported GIF version");
    bool needs89a = Header.GlobalMap.Optimized;
    for (const TGIFSubImage& image : Images)
        needs89a = needs89a || image.LocalMap.Optimized || image.GraphicControl || !image.Extensions.empty();

    std::vector<std::uint8_t> head = {'G', 'I', 'F', '8', std::uint8_t(needs89a ? '9' : '7'), 'a'};
    auto put16 = [](std::vector<std::uint8_t>& out, int v) {
        out.push_back(std::uint8_t(v & 0xFF));
        out.push_back(std::uint8_t(v >> 8));
    };
    auto putMap = [](std::vector<std::uint8_t>& out, const TGIFColorMap& map) {
        const int entries = 1 << map.BitsPerPixel();
        for (int i = 0; i < entries; ++i) {
            const TQuantColor c = i < map.Count() ? map.Colors[std::size_t(i)] : TQuantColor{};
            out.insert(out.end(), {c.Red, c.Green, c.Blue});
        }
    };
    put16(head, Header.Width);
    put16(head, Header.Height);
    const TGIFColorMap& global = Header.GlobalMap;
    std::uint8_t packed = 0;
    if (!global.Colors.empty()) {
        const int bits = global.BitsPerPixel();
        packed = std::uint8_t(0x80 | (global.Optimized ? 0x08 : 0) | ((bits - 1) << 4) | (bits - 1));
    }
    head.insert(head.end(), {packed, Header.BackgroundIndex, Header.AspectRatio});
    if (!global.Colors.empty()) putMap(head, global);
    stream.WriteBuffer(head.data(), head.size());

    for (const TGIFSubImage& image : Images) {
        std::vector<std::uint8_t> block;
        for (const TGIFExtension& ext : image.Extensions) {
            block.insert(block.end(), {kExtensionIntroducer, ext.Label});
            for (std::size_t at = 0; at < ext.Data.size(); at += 255) {
                const std::size_t n = std::min<std::size_t>(255, ext.Data.size() - at);
                block.push_back(std::uint8_t(n));
                block.insert(block.end(), ext.Data.begin() + std::ptrdiff_t(at), ext.Data.begin() + std::ptrdiff_t(at + n));
            }
            block.push_back(0);
        }
        if (image.GraphicControl) {
            const TGIFGraphicControlExtension& g = *image.GraphicControl;
            block.insert(block.end(), {kExtensionIntroducer, kGraphicControlLabel, 4, g.Packed,
                                       std::uint8_t(g.Delay & 0xFF), std::uint8_t(g.Delay >> 8), g.TransparentIndex, 0});
        }
        block.push_back(kImageSeparator);
        put16(block, image.Left);
        put16(block, image.Top);
        put16(block, image.Width);
        put16(block, image.Height);
        const TGIFColorMap& map = ActiveMap(image);
        std::uint8_t imagePacked = std::uint8_t(image.Packed & 0x40);
        if (!image.LocalMap.Colors.empty()) {
            imagePacked |= std::uint8_t(0x80 | (image.LocalMap.Optimized ? 0x20 : 0) | (image.LocalMap.BitsPerPixel() - 1));
        }
        block.push_back(imagePacked);
        if (!image.LocalMap.Colors.empty()) putMap(block, image.LocalMap);
        stream.WriteBuffer(block.data(), block.size());
        GifEncodeLzw(stream, image.Pixels, image.Width, GifRowOrder(image.Height, image.Interlaced()),
                     std::max(2, map.BitsPerPixel()), map.Count());
    }
    const std::uint8_t trailer = kTrailer;
    stream.WriteBuffer(&trailer, 1);
}

void SaveGifPicture(const TDibImage& picture, TStream& stream, bool transparent, std::uint8_t transparentIndex,
                    bool interlaced) {
    GIFDefaultReduction().Method = 7;
    GIFDefaultReduction().DitherMode = 0;
    TGIFImage gif;
    gif.Assign(picture);
    gif.Images.front().GraphicControl = TGIFGraphicControlExtension{};
    gif.SetTransparent(transparent, transparentIndex);
    gif.Images.front().SetInterlaced(interlaced);
    gif.OptimizeColorMaps();
    gif.SaveToStream(stream);
}

}  // namespace zelvo
