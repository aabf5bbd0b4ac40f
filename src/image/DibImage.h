#pragma once
// TDibImage: the device-independent pixel buffer every pixel operation of the
// editor works on.
//
// Pixel layout, stated once for the whole program:
// - rows are padded to 32 bits: ((width x bitcount + 31) div 32) x 4 bytes;
// - a positive header height stores rows bottom-up, a negative one top-down,
//   but ScanLine(0) is always the top row of the picture;
// - 24-bit pixels are stored blue, green, red;
// - in 1-bit rows the leftmost pixel is the most significant bit (mask 0x80
//   shifted right by x mod 8); in 4-bit rows the even pixel is the high
//   nibble and the odd pixel the low nibble.
//
// Storage (TDibImageData) is reference counted and shared copy-on-write
// between images: every write access (ScanLine, SetPixels, palette writes,
// pixel-format changes, canvases) first makes the storage unique.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/Exceptions.h"
#include "image/Stream.h"
#include "image/Types.h"

namespace zelvo {

/// Pixel formats: bit count and compression of the header.
enum TDibPixelFormat : std::uint8_t {
    dibPf1Bit = 0,        ///< 1 bit, compression 0
    dibPf4Bit = 1,        ///< 4 bits, compression 0
    dibPf4BitRLE = 2,     ///< 4 bits, compression 2 (RLE4)
    dibPf8Bit = 3,        ///< 8 bits, compression 0
    dibPf8BitRLE = 4,     ///< 8 bits, compression 1 (RLE8)
    dibPf24Bit = 5,       ///< 24 bits, compression 0
    dibPfHalftone = 6,    ///< conversion target only: 8 bits over the colour halftone palette
    dibPfHalftoneBW = 7,  ///< conversion target only: black-and-white error-diffused halftone
};

/// The name of a pixel format as the program shows it ("dibPf24Bit").
const char* PixelFormatName(TDibPixelFormat format);

/// Compression codes of the bitmap header.
inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_RLE8 = 1;
inline constexpr std::uint32_t BI_RLE4 = 2;
inline constexpr std::uint32_t BI_BITFIELDS = 3;

/// The clipboard format number of a packed DIB.
inline constexpr std::uint16_t CF_DIB = 8;

/// Default resolution: 3780 pixels per metre (96 dots per inch).
inline constexpr std::int32_t kDefaultPelsPerMeter = 3780;

/// The 40-byte bitmap information header, field for field.
struct TBitmapInfoHeader {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;  ///< negative: rows stored top-down
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = BI_RGB;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = kDefaultPelsPerMeter;
    std::int32_t biYPelsPerMeter = kDefaultPelsPerMeter;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(TBitmapInfoHeader) == 40);

/// A colour-table entry: blue, green, red, reserved.
struct TRGBQuad {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
    friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};
static_assert(sizeof(TRGBQuad) == 4);

/// A logical-palette entry: red, green, blue, flags.
struct TPaletteEntry {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

/// The program's palette object: up to 256 entries. A palette handle is a
/// shared pointer to one; nullptr is "no palette".
struct TLogPalette {
    std::vector<TPaletteEntry> Entries;
};
using HPALETTE = std::shared_ptr<TLogPalette>;

/// Builds a palette from colour-table entries; throws EOutOfResources
/// "GetPaletteFromDIBInfos: Cannot Make Palette" for an empty table.
HPALETTE PaletteFromColorTable(const TRGBQuad* table, int count);

/// The shared colour halftone palette (215 entries) and the black-and-white
/// palette (black, white).
HPALETTE HalftonePalette();
HPALETTE BlackWhitePalette();

/// The process-wide default of UseFMO for storages not derived from an
/// image (starts true). UseFMO ("file-mapping object") chooses where a
/// storage's pixels live: true in an anonymous memory mapping of their own,
/// returned to the system whole when the storage goes; false on the heap
/// (calloc), cheaper for thousands of small pictures.
bool DefaultUseFMO();
void SetDefaultUseFMO(bool useFMO);

/// Reference-counted pixel storage shared between TDibImage objects.
class TDibImageData {
public:
    /// Makes a zero-filled storage. Throws EDibImageInvalidDIBPara
    /// "TDibImageData.CreateDIB: Invalid Parameters" unless width > 0,
    /// height != 0, 0 <= colors <= 256 and bitCount is 1, 4, 8 or 24; a
    /// picture above the pixel limit is refused the same way.
    static TDibImageData* CreateDIB(int width, int height, int colors, int bitCount, bool useFMO);
    /// Makes a storage of `imageSize` raw bytes (compressed or converted data)
    /// with the given header; the caller fills Bits. Throws as CreateDIB.
    static TDibImageData* CreateRaw(const TBitmapInfoHeader& header, std::uint32_t imageSize, bool useFMO);
    /// Makes a storage whose `imageSize` bytes of rows are at `bits` inside
    /// the private mapping [base, base + length), which it takes over (and
    /// unmaps when it goes) once this returns. Throws as CreateRaw, leaving
    /// the mapping to the caller.
    static TDibImageData* AdoptMapping(const TBitmapInfoHeader& header, std::uint8_t* bits, std::uint32_t imageSize,
                                       void* base, std::size_t length);
    ~TDibImageData();
    TDibImageData(const TDibImageData&) = delete;
    TDibImageData& operator=(const TDibImageData&) = delete;

    /// A deep copy (header, table, pixels) with RefCount 1 and the same UseFMO.
    TDibImageData* Clone() const;

    /// Bytes of one uncompressed row.
    int RowBytes() const { return (Width * Header.biBitCount + 31) / 32 * 4; }
    bool TopDown() const { return Header.biHeight < 0; }
    /// Drops the cached palette and marks the colour table changed.
    void ColorTableChanged();

    std::int32_t RefCount = 1;
    std::int32_t Width = 0;
    std::int32_t Height = 0;  ///< always |Header.biHeight|
    HPALETTE Palette;         ///< cached palette built from the colour table
    std::uint32_t ImageSize = 0;
    bool Mapped = false;      ///< Bits is an anonymous mapping
    std::uint8_t* Bits = nullptr;
    TBitmapInfoHeader Header;
    std::array<TRGBQuad, 256> ColorTable{};
    bool PaletteChanged = false;
    /// Pixels in an anonymous mapping (true) or on the heap (false); see
    /// DefaultUseFMO. Copies and derived storages keep their source's choice.
    bool UseFMO = true;
    /// A mapping taken over by AdoptMapping, which Bits lies inside.
    void* AdoptedBase = nullptr;
    std::size_t AdoptedLength = 0;

private:
    TDibImageData() = default;
    /// A storage without pixels for a valid `header`; throws as CreateRaw.
    static TDibImageData* ForHeader(const TBitmapInfoHeader& header, bool useFMO);
    void GetMemory(std::uint32_t size);
    void ReleaseMemory();
};

enum class TProgressStage { psStarting, psRunning, psEnding };

class TDibImage;
using TNotifyEvent = std::function<void(void* sender)>;
/// Progress of a long conversion: stage, percent 0..100, whether to redraw,
/// the affected rectangle and a message naming the conversion.
using TProgressEvent = std::function<void(TDibImage& sender, TProgressStage stage, std::uint8_t percentDone,
                                          bool redrawNow, const TRect& rect, const std::string& message)>;

class TDibImage {
public:
    /// A 1 x 1, 8-bit picture with 256 black colour-table entries.
    TDibImage();
    ~TDibImage();
    /// Copies share the storage (O(1)), like Assign; events are not copied.
    TDibImage(const TDibImage& other);
    TDibImage& operator=(const TDibImage& other);

    // --- size, depth, format -------------------------------------------
    int Width() const;
    int Height() const;
    /// Replaces the storage by a zero-filled one of the new width (same bit
    /// count, colour count and height sign); no change for the same width.
    /// Throws EDibImageInvalidDIBPara "TDibImage.SetWidth: Invalid Width".
    void SetWidth(int width);
    /// As SetWidth; a negative height makes a top-down picture. Throws
    /// EDibImageInvalidDIBPara "TDibImage.SetWidth: Invalid Height" for 0.
    void SetHeight(int height);
    int GetBitCount() const;
    int BitCount() const { return GetBitCount(); }
    /// 1, 4, 8 or 24; a new value gives a zero-filled storage with colours
    /// used 2, 16, 256 or 0. Throws "TDibImage.SetBitCount: Invalid BitCount".
    void SetBitCount(int bitCount);
    /// Derived from bit count and compression; throws EDibImageInvalidDIB
    /// "TDibImageData.GetPixelFormat: Invalid DIB(...)" for other pairs.
    TDibPixelFormat GetPixelFormat() const;
    TDibPixelFormat PixelFormat() const { return GetPixelFormat(); }
    /// Converts the pixels to `format` (no-op when unchanged).
    void SetPixelFormat(TDibPixelFormat format);
    bool Empty() const { return false; }

    // --- pixels ----------------------------------------------------------
    /// The first byte of display row y (0 = top). Makes the storage unique.
    /// Throws EDibImageBadDIBType for compressed data and
    /// EDibImagePixelPositionRange "TDibImage.GetScanLine: y is Out of Range".
    std::uint8_t* ScanLine(int y);
    /// Read-only access to display row y without unsharing the storage;
    /// throws as ScanLine.
    const std::uint8_t* ScanLineRead(int y) const;
    /// Colour-table index (1/4/8 bits) or RGB colour (24 bits) at (x, y).
    TColor GetPixels(int x, int y) const;
    /// Sets a colour-table index (1, 4 or 8 bits; below 2, 16 or 256) or an
    /// RGB colour (24 bits) at (x, y), leaving the other pixels of a shared
    /// byte as they are. Throws EDibImagePixelPositionRange for a position
    /// outside the picture or an index beyond the depth.
    void SetPixels(int x, int y, TColor value);
    int RowBytes() const;

    // --- palette -----------------------------------------------------------
    /// A palette built from the colour table (cached), nullptr when colours
    /// used is 0; the halftone palettes when HalftoneMode is 1 or 2.
    HPALETTE GetPalette();
    /// Takes up to 256 entries from the palette into the colour table (a
    /// nullptr sets colours used to 0). Throws EDibImageInvalidPalette
    /// "TDibImage.SetPalette: Invalid Palette" for a palette without entries.
    void SetPalette(const HPALETTE& palette);
    /// Replaces colours used and the colour table directly (0..256 entries).
    void SetColorTable(std::span<const TRGBQuad> entries);
    int ColorsUsed() const;
    const TRGBQuad* ColorTable() const;

    // --- storage -------------------------------------------------------------
    /// Shares the source's storage and copies ConvertMode, MonoColor and
    /// HalftoneMode; nullptr gives a new default storage.
    void Assign(const TDibImage* source);
    /// The target assigns from this image.
    void AssignTo(TDibImage& target) const;
    /// Copies the storage if it is shared with another image.
    void UniqueDIB();
    /// Moves the storage's PaletteChanged flag to PaletteModified.
    void UpdatePaletteModified();
    bool GetUseFMO() const;

    const TBitmapInfoHeader& Header() const;
    /// Raw pixel memory as stored (compressed data stays compressed).
    std::span<const std::uint8_t> Bits() const;
    /// The storage itself, for classes that share it (the platform bitmap).
    TDibImageData* DibData() const { return data_; }
    /// Replaces the storage by `data`, taking over one reference; fires the
    /// change notification.
    void ReplaceData(TDibImageData* data);

    // --- files and clipboard ------------------------------------------------
    /// Reads a BMP file from the stream's position; the image is unchanged on
    /// failure.
    void LoadFromStream(TStream& stream);
    /// Writes the BMP file layout of the stored depth, order and compression.
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const std::filesystem::path& path);
    void SaveToFile(const std::filesystem::path& path) const;
    /// Reads a packed DIB (header, table, pixels). Throws EInvalidGraphic
    /// "TDibImage.LoadFromClipboardFormat: Invalid Clipboard Format or No
    /// Data" unless format is CF_DIB and data is not empty.
    void LoadFromClipboardFormat(std::uint16_t format, std::span<const std::uint8_t> data,
                                 const HPALETTE& palette);
    /// The packed DIB of this image; sets format to CF_DIB, palette to none.
    std::vector<std::uint8_t> SaveToClipboardFormat(std::uint16_t& format, HPALETTE& palette) const;

    // --- notification ---------------------------------------------------------
    /// Sets Modified and fires OnChange.
    void Changed();
    /// Reports a progress stage through OnProgress with the whole picture as
    /// the rectangle.
    void Progress(TProgressStage stage, std::uint8_t percentDone, const std::string& message);

    std::uint8_t ConvertMode = 0;  ///< 0 "Low", 1 "High" colour reduction
    TColor MonoColor = clWhite;    ///< the colour that becomes white when reducing to 1 bit
    std::uint8_t HalftoneMode = 0; ///< 0 as is, 1 colour halftone, 2 black-and-white halftone
    bool Modified = false;
    bool PaletteModified = false;
    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

private:
    void ReleaseData();
    TDibImageData* data_ = nullptr;
};

}  // namespace zelvo
