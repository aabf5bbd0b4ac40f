// Pixel-format conversion: the routes of TDibImage::SetPixelFormat and the
// expansion, 1-bit and halftone steps.

#include "image/DibConvert.h"
#include "image/DibPixelIndex.h"

#include <algorithm>
#include <cstring>

#include "image/DibRle.h"
#include "image/ScopeExit.h"

namespace zelvo {
namespace {

DibDataPtr NewLike(const TDibImageData& src, int bitCount, int colors) {
    DibDataPtr dst(TDibImageData::CreateDIB(src.Width, src.Header.biHeight, colors, bitCount, src.UseFMO));
    dst->Header.biXPelsPerMeter = src.Header.biXPelsPerMeter;
    dst->Header.biYPelsPerMeter = src.Header.biYPelsPerMeter;
    return dst;
}

bool IsUncompressed(const TDibImageData& src, int bitCount) {
    return src.Header.biBitCount == bitCount && src.Header.biCompression == BI_RGB;
}


const std::uint8_t* SrcRow(const TDibImageData& d, int storageRow) {
    return d.Bits + std::size_t(storageRow) * std::size_t(d.RowBytes());
}
std::uint8_t* DstRow(TDibImageData& d, int storageRow) {
    return d.Bits + std::size_t(storageRow) * std::size_t(d.RowBytes());
}

DibDataPtr ExpandIndices(const TDibImageData& src, int toBits) {
    const int colors = int(std::min<std::uint32_t>(src.Header.biClrUsed, 1u << src.Header.biBitCount));
    DibDataPtr dst = NewLike(src, toBits, colors == 0 ? int(1u << src.Header.biBitCount) : colors);
    std::copy_n(src.ColorTable.begin(), 256, dst->ColorTable.begin());
    const int fromBits = src.Header.biBitCount;
    for (int y = 0; y < src.Height; ++y) {
        const std::uint8_t* in = SrcRow(src, y);
        std::uint8_t* out = DstRow(*dst, y);
        for (int x = 0; x < src.Width; ++x) {
            const auto index = std::uint8_t(DibIndexAt(in, x, fromBits));
            if (toBits == 8) {
                out[x] = index;
            } else if (x & 1) {
                out[x >> 1] |= index;
            } else {
                out[x >> 1] = std::uint8_t(index << 4);
            }
        }
    }
    return dst;
}

DibDataPtr MonoMatch(const TDibImageData& src, TColor monoColor) {
    DibDataPtr dst = NewLike(src, 1, 2);
    dst->ColorTable[0] = TRGBQuad{0, 0, 0, 0};
    dst->ColorTable[1] = TRGBQuad{255, 255, 255, 0};
    const TColor wanted = ColorToRGB(monoColor);
    const int bits = src.Header.biBitCount;
    bool white[256] = {};
    if (bits != 24) {
        for (int i = 0; i < 256; ++i) {
            const TRGBQuad& q = src.ColorTable[std::size_t(i)];
            white[i] = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue) == wanted;
        }
    }
    for (int y = 0; y < src.Height; ++y) {
        const std::uint8_t* in = SrcRow(src, y);
        std::uint8_t* out = DstRow(*dst, y);
        for (int x = 0; x < src.Width; ++x) {
            bool set;
            if (bits == 24) {
                const std::uint8_t* p = in + std::size_t(x) * 3;
                set = RGB(p[2], p[1], p[0]) == wanted;
            } else {
                set = white[DibIndexAt(in, x, bits)];
            }
            if (set) out[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
        }
    }
    return dst;
}

}  // namespace

DibDataPtr Convert1BitRGBTo4BitRGB(const TDibImageData& src) {
    if (!IsUncompressed(src, 1))
        throw EDibImageBadDIBType("Convert1BitRGBTo4BitRGB: Invalid Bitcount & Compression Combination");
    return ExpandIndices(src, 4);
}

DibDataPtr Convert1BitRGBTo8BitRGB(const TDibImageData& src) {
    if (!IsUncompressed(src, 1))
        throw EDibImageBadDIBType("Convert1BitRGBTo8BitRGB: Invalid Bitcount & Compression Combination");
    return ExpandIndices(src, 8);
}

DibDataPtr Convert4BitRGBTo8BitRGB(const TDibImageData& src) {
    if (!IsUncompressed(src, 4))
        throw EDibImageBadDIBType("Convert4BitRGBTo8BitRGB: Invalid Bitcount & Compression Combination");
    return ExpandIndices(src, 8);
}

DibDataPtr ConvertPaletteToTrueColor(const TDibImageData& src) {
    const int bits = src.Header.biBitCount;
    if (src.Header.biCompression != BI_RGB || (bits != 1 && bits != 4 && bits != 8))
        throw EDibImageBadDIBType("ConvertPaletteToTrueColor: Invalid Bitcount & Compression Combination");
    DibDataPtr dst = NewLike(src, 24, 0);
    for (int y = 0; y < src.Height; ++y) {
        const std::uint8_t* in = SrcRow(src, y);
        std::uint8_t* out = DstRow(*dst, y);
        for (int x = 0; x < src.Width; ++x, out += 3) {
            const TRGBQuad& q = src.ColorTable[DibIndexAt(in, x, bits)];
            out[0] = q.rgbBlue;
            out[1] = q.rgbGreen;
            out[2] = q.rgbRed;
        }
    }
    return dst;
}

DibDataPtr ConvertTrueColorTo1BitRGB(const TDibImageData& src, TColor monoColor) {
    if (!IsUncompressed(src, 24)) throw EDibImageBadDIBType("ConvertTrueColorTo1BitRGB: Invalid Bitcount");
    return MonoMatch(src, monoColor);
}

DibDataPtr Convert8BitTo1BitRGB(const TDibImageData& src, TColor monoColor) {
    if (!IsUncompressed(src, 8)) throw EDibImageBadDIBType("Convert8BitTo1BitRGB: Invalid Bitcount or Compression");
    return MonoMatch(src, monoColor);
}

DibDataPtr Convert4BitRGBTo1BitRGB(const TDibImageData& src, TColor monoColor) {
    if (!IsUncompressed(src, 4)) throw EDibImageBadDIBType("Convert4BitRGBTo1BitRGB: Invalid Bitcount");
    return MonoMatch(src, monoColor);
}

DibDataPtr ConvertToHalfToneBW(const TDibImageData& src) {
    if (src.Header.biCompression != BI_RGB) throw EAssertionFailed("ConvertToHalfToneBW: Invalid DIB Format");
    const int bits = src.Header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        throw EDibImageBadDIBType("ConvertToHalfToneBW: Invalid Bit Count");
    const int width = src.Width;
    DibDataPtr dst = NewLike(src, 1, 2);
    dst->ColorTable[0] = TRGBQuad{0, 0, 0, 0};
    dst->ColorTable[1] = TRGBQuad{255, 255, 255, 0};

    // Error rows of W + 2 entries; entry x + 1 belongs to column x. The
    // values record output minus wanted value, as 16-bit numbers.
    struct Err {
        std::int16_t c[3];
    };
    std::vector<Err> previous(std::size_t(width) + 2, Err{{0, 0, 0}});
    std::vector<Err> current(std::size_t(width) + 2, Err{{0, 0, 0}});
    // Rows are walked in storage order; even rows left to right, odd rows
    // right to left.
    for (int y = 0; y < src.Height; ++y) {
        std::copy(current.begin(), current.end(), previous.begin());
        Err carry{{0, 0, 0}};
        const std::uint8_t* in = SrcRow(src, y);
        std::uint8_t* out = DstRow(*dst, y);
        const bool even = (y & 1) == 0;
        for (int i = 0; i < width; ++i) {
            const int x = even ? i : width - 1 - i;
            int rgb[3];
            if (bits == 24) {
                const std::uint8_t* p = in + std::size_t(x) * 3;
                rgb[0] = p[2];
                rgb[1] = p[1];
                rgb[2] = p[0];
            } else {
                const TRGBQuad& q = src.ColorTable[DibIndexAt(in, x, bits)];
                rgb[0] = q.rgbRed;
                rgb[1] = q.rgbGreen;
                rgb[2] = q.rgbBlue;
            }
            const Err& above = previous[std::size_t(x) + 1];
            const Err& diagonal = even ? previous[std::size_t(x)] : previous[std::size_t(x) + 2];
            int wanted[3];
            for (int c = 0; c < 3; ++c) {
                const int sum = above.c[c] * 12 + carry.c[c] * 12 + diagonal.c[c] * 5;
                wanted[c] = rgb[c] - sum / 32;  // truncates towards zero
            }
            Err stored;
            if (wanted[0] + wanted[1] + wanted[2] < 384) {
                for (int c = 0; c < 3; ++c) stored.c[c] = std::int16_t(-wanted[c]);
            } else {
                out[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
                for (int c = 0; c < 3; ++c) stored.c[c] = std::int16_t(255 - wanted[c]);
            }
            current[std::size_t(x) + 1] = stored;
            carry = stored;
        }
    }
    return dst;
}

DibDataPtr ConvertToHalfTone(const TDibImageData& src) {
    const int bits = src.Header.biBitCount;
    if (src.Header.biCompression != BI_RGB || (bits != 1 && bits != 4 && bits != 8 && bits != 24))
        throw EDibImageBadDIBType("ConvertToHalfTone: Invalid Bit Count");
    const HPALETTE palette = HalftonePalette();
    DibDataPtr dst = NewLike(src, 8, int(palette->Entries.size()));
    for (std::size_t i = 0; i < palette->Entries.size(); ++i) {
        const auto& e = palette->Entries[i];
        dst->ColorTable[i] = TRGBQuad{e.peBlue, e.peGreen, e.peRed, 0};
    }
    // A 4 x 4 ordered dither onto 6 red, 7 green and 5 blue levels. A level
    // step is 255 / (levels - 1); the threshold matrix spreads the rounding
    // point across one step.
    static constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    auto level = [](int value, int levels, int threshold) {
        // value x (levels - 1) / 255 with a dithered rounding offset.
        const int scaled = value * (levels - 1) * 16 + threshold * 255 + 127;
        return std::min(levels - 1, scaled / (255 * 16));
    };
    for (int y = 0; y < src.Height; ++y) {
        const std::uint8_t* in = SrcRow(src, y);
        std::uint8_t* out = DstRow(*dst, y);
        for (int x = 0; x < src.Width; ++x) {
            int r, g, b;
            if (bits == 24) {
                const std::uint8_t* p = in + std::size_t(x) * 3;
                r = p[2];
                g = p[1];
                b = p[0];
            } else {
                const TRGBQuad& q = src.ColorTable[DibIndexAt(in, x, bits)];
                r = q.rgbRed;
                g = q.rgbGreen;
                b = q.rgbBlue;
            }
            const int t = kBayer[y & 3][x & 3];
            out[x] = std::uint8_t(level(r, 6, t) * 35 + level(g, 7, t) * 5 + level(b, 5, t));
        }
    }
    return dst;
}

// ---------------------------------------------------------------------------

void TDibImage::SetPixelFormat(TDibPixelFormat target) {
    const TDibPixelFormat current = GetPixelFormat();
    if (target == current) return;
    UniqueDIB();

    const char* message = nullptr;
    int total = 0;
    const bool toFour = target == dibPf4Bit || target == dibPf4BitRLE;
    const bool toEight = target == dibPf8Bit || target == dibPf8BitRLE;
    if (toFour && (current == dibPf8Bit || current == dibPf8BitRLE || current == dibPf24Bit)) {
        total = 16;
        static const char* const kNames[3][2] = {
            {"PixelFormat 8Bit -> 4Bit", "PixelFormat 8Bit -> 4BitRLE"},
            {"PixelFormat 8BitRLE -> 4Bit", "PixelFormat 8BitRLE -> 4BitRLE"},
            {"PixelFormat 24Bit -> 4Bit", "PixelFormat 24Bit -> 4BitRLE"}};
        const int from = current == dibPf8Bit ? 0 : current == dibPf8BitRLE ? 1 : 2;
        message = kNames[from][target == dibPf4BitRLE ? 1 : 0];
    } else if (toEight && current == dibPf24Bit) {
        total = 256;
        message = target == dibPf8Bit ? "PixelFormat 24Bit -> 8Bit" : "PixelFormat 24Bit -> 8BitRLE";
    }

    int stepsDone = 0;
    const ReductionStepFn step = [&] {
        ++stepsDone;
        if (stepsDone < total) Progress(TProgressStage::psRunning, std::uint8_t(stepsDone * 100 / total), message);
    };
    struct EndProgress {
        TDibImage* image;
        const char* message;
        ~EndProgress() {
            if (message) image->Progress(TProgressStage::psEnding, 100, message);
        }
    };
    if (message) Progress(TProgressStage::psStarting, 0, message);
    {
        EndProgress ender{this, message};

        // RLE sources are decoded first.
        const TDibImageData* source = DibData();
        DibDataPtr decoded;
        TDibPixelFormat from = current;
        if (current == dibPf8BitRLE) {
            decoded.reset(Convert8BitRLETo8BitRGB(*source));
            from = dibPf8Bit;
        } else if (current == dibPf4BitRLE) {
            decoded.reset(Convert4BitRLETo4BitRGB(*source));
            from = dibPf4Bit;
        }
        if (decoded) source = decoded.get();

        // RLE targets are reached through their uncompressed form.
        TDibPixelFormat plain = target;
        if (target == dibPf8BitRLE) plain = dibPf8Bit;
        if (target == dibPf4BitRLE) plain = dibPf4Bit;

        if (ConvertMode > 1 && from == dibPf24Bit && (plain == dibPf4Bit || plain == dibPf8Bit))
            throw EAssertionFailed("PixelFormat Error");
        const bool high = ConvertMode == 1;

        DibDataPtr result;
        if (plain == from) {
            result = std::move(decoded);  // only the compression changes
        } else if (plain == dibPfHalftone) {
            result = ConvertToHalfTone(*source);
        } else if (plain == dibPfHalftoneBW) {
            result = ConvertToHalfToneBW(*source);
        } else {
            switch (from) {
                case dibPf1Bit:
                    if (plain == dibPf4Bit) result = Convert1BitRGBTo4BitRGB(*source);
                    else if (plain == dibPf8Bit) result = Convert1BitRGBTo8BitRGB(*source);
                    else if (plain == dibPf24Bit) result = ConvertPaletteToTrueColor(*source);
                    break;
                case dibPf4Bit:
                    if (plain == dibPf1Bit) result = Convert4BitRGBTo1BitRGB(*source, MonoColor);
                    else if (plain == dibPf8Bit) result = Convert4BitRGBTo8BitRGB(*source);
                    else if (plain == dibPf24Bit) result = ConvertPaletteToTrueColor(*source);
                    break;
                case dibPf8Bit:
                    if (plain == dibPf1Bit) result = Convert8BitTo1BitRGB(*source, MonoColor);
                    else if (plain == dibPf4Bit) result = Convert8BitRGBTo4BitRGB(*source, step);
                    else if (plain == dibPf24Bit) result = ConvertPaletteToTrueColor(*source);
                    break;
                case dibPf24Bit:
                    if (plain == dibPf1Bit) result = ConvertTrueColorTo1BitRGB(*source, MonoColor);
                    else if (plain == dibPf4Bit)
                        result = high ? ConvertTrueColorTo4BitRGBHigh(*source, step)
                                      : ConvertTrueColorTo4BitRGBLow(*source, step);
                    else if (plain == dibPf8Bit)
                        result = high ? ConvertTrueColorTo8BitRGBHigh(*source, step)
                                      : ConvertTrueColorTo8BitRGBLow(*source, step);
                    break;
                default: break;
            }
        }
        if (!result && plain != from) throw EAssertionFailed("PixelFormat Error");

        if (target == dibPf8BitRLE || target == dibPf4BitRLE) {
            const TDibImageData& plainData = result ? *result : *source;
            DibDataPtr encoded(target == dibPf8BitRLE ? Convert8BitRGBTo8BitRLE(plainData)
                                                      : Convert4BitRGBTo4BitRLE(plainData));
            result = std::move(encoded);
        }
        if (!result) throw EAssertionFailed("PixelFormat Error");
        result->PaletteChanged = true;
        TDibImageData* fresh = result.release();
        // Swap the storage in without the change notification; it comes last.
        TNotifyEvent saved = std::move(OnChange);
        OnChange = nullptr;
        TScopeExit notifyAgain([&] { OnChange = std::move(saved); });
        ReplaceData(fresh);
    }
    UpdatePaletteModified();
    Changed();
}

}  // namespace zelvo
