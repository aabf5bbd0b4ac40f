#pragma once
// TDibContainer: a device-independent picture with the attributes the PNG
// codec reads and writes (alpha, transparent and background colour,
// physical size, gamma, offset, comment).
//
// Pixels are 1, 4, 8, 24 or 32 bits per pixel. Up to 24 bits they live in a
// TDibImage storage (so assignment to and from a TDibImage shares it);
// 32-bit pixels (blue, green, red, alpha) live in a buffer of the
// container's own. ScanLine(0) is the top row for both; rows are padded to
// 32 bits either way.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/DibImage.h"
#include "image/Exceptions.h"
#include "image/Types.h"

namespace zelvo {

/// Operations on a container that holds no pixels: the message is the
/// operation's name followed by ": not Image".
ZELVO_EXCEPTION(EDibContainerError, Exception);

/// Unit of the physical size: aspect ratio only, pixels per metre, pixels
/// per inch.
enum class TPhysicalUnit : std::uint8_t { puAspect = 0, puMeter = 1, puInch = 2 };

/// Physical pixel size; zero values mean "none".
struct TPhysicalSize {
    TPhysicalUnit Unit = TPhysicalUnit::puAspect;
    std::uint32_t PixelsPerUnitX = 0;
    std::uint32_t PixelsPerUnitY = 0;
    friend bool operator==(const TPhysicalSize&, const TPhysicalSize&) = default;
};

/// "No colour" for the transparent and background colour attributes.
inline constexpr TColor kNoColor = -1;

class TDibContainer {
public:
    TDibContainer() = default;
    virtual ~TDibContainer() = default;
    TDibContainer(const TDibContainer&) = default;
    TDibContainer& operator=(const TDibContainer&) = default;
    TDibContainer(TDibContainer&&) noexcept = default;
    TDibContainer& operator=(TDibContainer&&) noexcept = default;

    /// True while the container holds no pixels.
    bool Empty() const { return FBitCount == 0; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    /// 1, 4, 8, 24 or 32; 0 when empty.
    int BitCount() const { return FBitCount; }
    /// Bytes of one row, padded to 32 bits.
    int RowBytes() const { return FRowBytes; }

    /// Replaces the pixels by a zero-filled picture of width x height at
    /// bitCount (1, 4, 8, 24, 32) with `colors` zeroed palette entries; every
    /// attribute goes back to its default. Throws EDibImageInvalidDIBPara
    /// "TDibImageData.CreateDIB: Invalid Parameters" for a side below 1, a
    /// picture above kMaxImagePixels or another bit count.
    void NewImage(int width, int height, int bitCount, int colors);
    /// Drops the pixels and resets every attribute.
    void Clear();

    /// Row y (0 = top). y must be within 0..Height()-1 (not checked beyond
    /// an assertion: callers loop over the picture's own rows).
    std::uint8_t* ScanLine(int y);
    const std::uint8_t* ScanLine(int y) const;

    // --- palette: up to 256 entries, bit counts 1, 4 and 8 -----------------
    int PaletteCount() const;
    const TRGBQuad* Palette() const;
    /// Replaces the palette (0..256 entries; more are ignored).
    void SetPalette(std::span<const TRGBQuad> entries);

    // --- attributes (each throws EDibContainerError on an empty container) -
    /// True when the picture has an alpha channel (32 bits) or an alpha table
    /// (palette).
    bool GetAlpha() const;
    void SetAlpha(bool alpha);
    /// Alpha values of the first palette entries (from tRNS); may be shorter
    /// than the palette.
    const std::vector<std::uint8_t>& GetAlphaTable() const;
    void SetAlphaTable(std::vector<std::uint8_t> table);
    /// RGB colour (00BBGGRR) or kNoColor.
    TColor GetTransparentColor() const;
    void SetTransparentColor(TColor color);
    TColor GetBackgroundColor() const;
    void SetBackgroundColor(TColor color);
    TPhysicalSize GetPhysicalSize() const;
    void SetPhysicalSize(const TPhysicalSize& size);
    /// The gAMA value x 100000; 0 for none.
    std::uint32_t GetGamma() const;
    void SetGamma(std::uint32_t gamma);
    TPoint GetOffset() const;
    void SetOffset(TPoint offset);
    const std::string& GetComment() const;
    void SetComment(std::string comment);

    // --- assignment ---------------------------------------------------------
    /// Takes the pixels and palette of `image`; run-length formats are
    /// expanded first. 1/4/8/24-bit storage is shared, not copied.
    /// Attributes go back to their defaults.
    void Assign(const TDibImage& image);
    /// Gives `target` the pixels: 1, 4 and 8 bits with the palette, 24 bits
    /// as they are, 32 bits as their blue, green and red bytes (alpha
    /// dropped, colours unchanged). The target keeps its own settings
    /// (ConvertMode, MonoColor, HalftoneMode). Throws EDibContainerError
    /// "TDibContainer.AssignTo: not Image" when empty.
    void AssignTo(TDibImage& target) const;

protected:
    /// Throws EDibContainerError "<operation>: not Image" when empty.
    void CheckImage(const char* operation) const;

private:
    void ResetAttributes();

    int FWidth = 0;
    int FHeight = 0;
    int FBitCount = 0;
    int FRowBytes = 0;
    TDibImage FImage;                  // pixels and palette up to 24 bits
    std::vector<std::uint8_t> FBits32;  // 32-bit pixels, top-down
    std::vector<std::uint8_t> FAlphaTable;
    bool FAlpha = false;
    TColor FTransparentColor = kNoColor;
    TColor FBackgroundColor = kNoColor;
    TPhysicalSize FPhysicalSize;
    std::uint32_t FGamma = 0;
    TPoint FOffset;
    std::string FComment;
};

}  // namespace zelvo
