// The PNG encoder: the header chunks the container's attributes call for,
// then every row filtered five ways and the cheapest one kept, pieces of
// rows filtered and deflated on the pool into one zlib stream of IDAT
// chunks.

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "formats/PngChunks.h"
#include "formats/PngDeflate.h"
#include "formats/PngImage.h"
#include "formats/PngInterlace.h"
#include "formats/PngRowFilters.h"

namespace zelvo {
namespace {

using namespace png;

class TChunkWriter {
public:
    explicit TChunkWriter(TStream& stream) : stream_(stream) {}
    void Write(std::uint32_t type, std::span<const std::uint8_t> data) {
        std::uint8_t head[8];
        Put32(head, std::uint32_t(data.size()));
        Put32(head + 4, type);
        uLong crc = crc32(0, head + 4, 4);
        if (!data.empty()) crc = crc32(crc, data.data(), uInt(data.size()));
        std::uint8_t tail[4];
        Put32(tail, std::uint32_t(crc));
        stream_.WriteBuffer(head, 8);
        if (!data.empty()) stream_.WriteBuffer(data.data(), data.size());
        stream_.WriteBuffer(tail, 4);
    }
    static void Put32(std::uint8_t* p, std::uint32_t v) {
        p[0] = std::uint8_t(v >> 24);
        p[1] = std::uint8_t(v >> 16);
        p[2] = std::uint8_t(v >> 8);
        p[3] = std::uint8_t(v);
    }
    static void Append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
        std::uint8_t b[4];
        Put32(b, v);
        out.insert(out.end(), b, b + 4);
    }
    static void Append16(std::vector<std::uint8_t>& out, std::uint16_t v) {
        out.push_back(std::uint8_t(v >> 8));
        out.push_back(std::uint8_t(v));
    }

private:
    TStream& stream_;
};

// Each comment record "$#" keyword CR LF text gives one tEXt chunk; any
// other comment of two or more characters becomes one "Comment" chunk.
void WriteComment(TChunkWriter& out, const std::string& comment) {
    auto writeText = [&](std::string_view keyword, std::string_view text) {
        std::vector<std::uint8_t> data(keyword.begin(), keyword.end());
        data.push_back(0);
        data.insert(data.end(), text.begin(), text.end());
        out.Write(kTEXT, data);
    };
    const std::string_view all(comment);
    if (all.starts_with("$#")) {
        std::size_t pos = 0;
        while (pos < all.size()) {
            const std::size_t start = pos + 2;
            std::size_t next = all.find("$#", start);
            if (next == std::string_view::npos) next = all.size();
            const std::string_view record = all.substr(start, next - start);
            const std::size_t crlf = record.find("\r\n");
            const std::string_view keyword = record.substr(0, crlf);
            const std::string_view text = crlf == std::string_view::npos ? std::string_view() : record.substr(crlf + 2);
            if (!keyword.empty() && keyword.size() <= 79) writeText(keyword, text);
            pos = next;
        }
    } else if (all.size() > 1) {
        writeText("Comment", all);
    }
}

// Fetches pass row `count` pixels at columns x0, x0 + dx, ... of a
// container row in file order.
void FetchRow(int bitCount, bool alpha, const std::uint8_t* src, int count, int x0, int dx, std::uint8_t* dst) {
    const std::size_t n = std::size_t(count);
    const std::size_t start = std::size_t(x0), step = std::size_t(dx);
    switch (bitCount) {
        case 1:
            if (dx == 1) {
                std::memcpy(dst, src, (n + 7) / 8);
            } else {
                std::memset(dst, 0, (n + 7) / 8);
                for (std::size_t i = 0; i < n; ++i) {
                    const std::size_t x = start + i * step;
                    if ((src[x >> 3] >> (7 - (x & 7))) & 1) dst[i >> 3] |= std::uint8_t(0x80 >> (i & 7));
                }
            }
            return;
        case 4:
            if (dx == 1) {
                std::memcpy(dst, src, (n + 1) / 2);
            } else {
                std::memset(dst, 0, (n + 1) / 2);
                for (std::size_t i = 0; i < n; ++i) {
                    const std::size_t x = start + i * step;
                    const int v = (x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4;
                    dst[i >> 1] |= std::uint8_t((i & 1) ? v : v << 4);
                }
            }
            return;
        case 8:
            if (dx == 1) std::memcpy(dst, src, n);
            else for (std::size_t i = 0; i < n; ++i) dst[i] = src[start + i * step];
            return;
        case 24: {
            const std::uint8_t* s = src + 3 * start;
            for (std::size_t i = 0; i < n; ++i, s += 3 * step, dst += 3) {
                dst[0] = s[2];
                dst[1] = s[1];
                dst[2] = s[0];
            }
            return;
        }
        default: {
            const std::uint8_t* s = src + 4 * start;
            if (alpha) {
                for (std::size_t i = 0; i < n; ++i, s += 4 * step, dst += 4) {
                    dst[0] = s[2];
                    dst[1] = s[1];
                    dst[2] = s[0];
                    dst[3] = s[3];
                }
            } else {
                for (std::size_t i = 0; i < n; ++i, s += 4 * step, dst += 3) {
                    dst[0] = s[2];
                    dst[1] = s[1];
                    dst[2] = s[0];
                }
            }
            return;
        }
    }
}

// Level 5 of libdeflate's 12: on photos and screen shots still a few per
// cent smaller than zlib's default level with every filter tried per row,
// in about a third of zlib's time; the levels above it gain under 1 % for
// a third more time and more.
constexpr int kDeflateLevel = 5;

// The zlib stream of the image data in IDAT chunks of kZBufferSize bytes.
void WriteIdat(TChunkWriter& out, const std::vector<std::uint8_t>& packed) {
    for (std::size_t at = 0; at < packed.size(); at += kZBufferSize)
        out.Write(kIDAT, std::span(packed.data() + at, std::min(kZBufferSize, packed.size() - at)));
}

}  // namespace

int NearestPaletteIndex(const TRGBQuad* palette, int count, TColor color) {
    int best = -1;
    int bestDistance = 0;
    const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    for (int i = 0; i < count; ++i) {
        const int d = std::abs(palette[i].rgbRed - r) + std::abs(palette[i].rgbGreen - g) +
                      std::abs(palette[i].rgbBlue - b);
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
            if (d == 0) break;
        }
    }
    return best;
}

void EncodePng(const TDibContainer& image, bool interlaced, TStream& stream,
               std::span<const TMetadataBlock> chunks) {
    if (image.Empty()) throw EDibContainerError("TPngImage.SaveToStream: not Image");
    const int bitCount = image.BitCount();
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
        throw EPngSaveError("PNG SaveStream: support BitCount", "bit count " + std::to_string(bitCount));
    }
    const bool paletted = bitCount <= 8;
    const bool alpha = bitCount == 32 && image.GetAlpha();
    const int colorType = paletted ? 3 : alpha ? 6 : 2;
    const int fileBits = paletted ? bitCount : alpha ? 32 : 24;

    TChunkWriter out(stream);
    stream.WriteBuffer(kSignature, 8);

    std::vector<std::uint8_t> ihdr;
    TChunkWriter::Append32(ihdr, std::uint32_t(image.Width()));
    TChunkWriter::Append32(ihdr, std::uint32_t(image.Height()));
    ihdr.push_back(std::uint8_t(paletted ? bitCount : 8));
    ihdr.push_back(std::uint8_t(colorType));
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(interlaced ? 1 : 0);
    out.Write(kIHDR, ihdr);
    // A colour profile must come before the palette and the image data.
    for (const TMetadataBlock& chunk : chunks) {
        if (chunk.Type == kICCP) out.Write(chunk.Type, chunk.Data);
    }

    if (!image.GetComment().empty()) WriteComment(out, image.GetComment());
    if (image.GetGamma() != 0) {
        std::vector<std::uint8_t> data;
        TChunkWriter::Append32(data, image.GetGamma());
        out.Write(kGAMA, data);
    }
    const TPoint offset = image.GetOffset();
    if (offset.X != 0 || offset.Y != 0) {
        // Offsets in pixels (unit 0).
        std::vector<std::uint8_t> data;
        TChunkWriter::Append32(data, std::uint32_t(offset.X));
        TChunkWriter::Append32(data, std::uint32_t(offset.Y));
        data.push_back(0);
        out.Write(kOFFS, data);
    }

    // A palette longer than the depth can index is cut: PNG readers refuse
    // such files, and the extra entries are unreachable anyway.
    int paletteCount = 0;
    if (paletted) {
        paletteCount = image.PaletteCount();
        if (paletteCount <= 0) paletteCount = 1 << bitCount;
        paletteCount = std::min(paletteCount, 1 << bitCount);
        std::vector<std::uint8_t> data;
        const TRGBQuad* table = image.Palette();
        for (int i = 0; i < paletteCount; ++i) {
            data.push_back(table[i].rgbRed);
            data.push_back(table[i].rgbGreen);
            data.push_back(table[i].rgbBlue);
        }
        out.Write(kPLTE, data);
    }

    const TColor background = image.GetBackgroundColor();
    if (paletted && background != kNoColor) {
        const std::uint8_t index = std::uint8_t(NearestPaletteIndex(image.Palette(), paletteCount, background));
        out.Write(kBKGD, std::span(&index, 1));
    } else if (!paletted && (background != kNoColor || alpha)) {
        const TColor c = background == kNoColor ? 0 : background;
        std::vector<std::uint8_t> data;
        TChunkWriter::Append16(data, GetRValue(c));
        TChunkWriter::Append16(data, GetGValue(c));
        TChunkWriter::Append16(data, GetBValue(c));
        out.Write(kBKGD, data);
    }

    const TColor transparent = image.GetTransparentColor();
    if (paletted) {
        const std::vector<std::uint8_t>& table = image.GetAlphaTable();
        if (!table.empty()) {
            out.Write(kTRNS, std::span(table.data(), std::min<std::size_t>(table.size(), std::size_t(paletteCount))));
        } else if (transparent != kNoColor) {
            const int index = NearestPaletteIndex(image.Palette(), paletteCount, transparent);
            std::vector<std::uint8_t> data(std::size_t(index) + 1, 255);
            data[std::size_t(index)] = 0;
            out.Write(kTRNS, data);
        }
    } else if (bitCount == 24 && transparent != kNoColor) {
        std::vector<std::uint8_t> data;
        TChunkWriter::Append16(data, GetRValue(transparent));
        TChunkWriter::Append16(data, GetGValue(transparent));
        TChunkWriter::Append16(data, GetBValue(transparent));
        out.Write(kTRNS, data);
    }

    const bool keptPhys = std::any_of(chunks.begin(), chunks.end(),
                                      [](const TMetadataBlock& chunk) { return chunk.Type == kPHYS; });
    const TPhysicalSize phys = image.GetPhysicalSize();
    if (!keptPhys && phys.PixelsPerUnitX != 0 && phys.PixelsPerUnitY != 0) {
        std::uint32_t x = phys.PixelsPerUnitX, y = phys.PixelsPerUnitY;
        if (phys.Unit == TPhysicalUnit::puInch) {
            // Per inch to per metre: value x 10000 / 254, rounded.
            x = std::uint32_t((std::uint64_t(x) * 10000 + 127) / 254);
            y = std::uint32_t((std::uint64_t(y) * 10000 + 127) / 254);
        }
        std::vector<std::uint8_t> data;
        TChunkWriter::Append32(data, x);
        TChunkWriter::Append32(data, y);
        data.push_back(phys.Unit == TPhysicalUnit::puAspect ? 0 : 1);
        out.Write(kPHYS, data);
    }

    for (const TMetadataBlock& chunk : chunks) {
        if (chunk.Type != kICCP) out.Write(chunk.Type, chunk.Data);
    }

    // Image data: every row filtered five ways and the cheapest one kept,
    // in pieces of whole rows of one pass that are filtered and deflated on
    // the pool. A row's filter depends on that row and the one above only,
    // so a piece fetches the row above its first one itself.
    const std::vector<TPass> passes = MakePasses(image.Width(), image.Height(), interlaced, fileBits);
    std::size_t maxRow = 0;
    for (const TPass& p : passes) maxRow = std::max(maxRow, p.RowBytes);
    const std::size_t bpp = std::size_t(std::max(1, fileBits / 8));
    struct TRows {
        const TPass* Pass;
        int Begin, End;
    };
    std::vector<TRows> pieces;
    for (const TPass& p : passes) {
        const int rows = int(std::clamp<std::size_t>(kDeflatePieceBytes / (p.RowBytes + 1), 1, std::size_t(p.Height)));
        for (int r = 0; r < p.Height; r += rows) pieces.push_back({&p, r, std::min(p.Height, r + rows)});
    }
    const std::vector<std::uint8_t> packed =
        DeflatePieces(int(pieces.size()), kDeflateLevel, [&](int index, std::vector<std::uint8_t>& filtered) {
            if (pieces.empty()) return;
            const TRows& piece = pieces[std::size_t(index)];
            const TPass& p = *piece.Pass;
            const std::size_t n = p.RowBytes;
            // Every byte is written below: the buffer is only grown.
            filtered.resize((n + 1) * std::size_t(piece.End - piece.Begin));
            std::vector<std::uint8_t> rawA(kRowPad + maxRow, 0), rawB(kRowPad + maxRow, 0);
            std::array<std::vector<std::uint8_t>, 5> candidates;
            for (int f = 1; f < 5; ++f) candidates[std::size_t(f)].assign(maxRow, 0);
            std::uint8_t* raw = rawA.data() + kRowPad;
            std::uint8_t* prev = rawB.data() + kRowPad;
            if (piece.Begin > 0)
                FetchRow(bitCount, alpha, image.ScanLine(p.G.Y0 + (piece.Begin - 1) * p.G.DY), p.Width, p.G.X0, p.G.DX, prev);
            std::uint8_t* to = filtered.data();
            for (int r = piece.Begin; r < piece.End; ++r, to += n + 1) {
                FetchRow(bitCount, alpha, image.ScanLine(p.G.Y0 + r * p.G.DY), p.Width, p.G.X0, p.G.DX, raw);
                int best = 0;
                const std::uint8_t* bestRow = raw;
                std::uint32_t bestCost = RowCost(raw, n);
                for (int f = 1; f < 5 && bestCost > 0; ++f) {
                    std::uint8_t* cand = candidates[std::size_t(f)].data();
                    FilterRow(f, raw, prev, n, bpp, cand);
                    const std::uint32_t cost = RowCost(cand, n);
                    if (cost < bestCost) {
                        best = f;
                        bestRow = cand;
                        bestCost = cost;
                    }
                }
                to[0] = std::uint8_t(best);
                std::memcpy(to + 1, bestRow, n);
                std::swap(raw, prev);
            }
        });
    WriteIdat(out, packed);
    out.Write(kIEND, {});
}

}  // namespace zelvo
