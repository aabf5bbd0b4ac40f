#pragma once
// TQxImage: the document. It owns the current picture (`Bitmap`), brackets
// every edit (BeginEdit -> MakeWork24Bit -> work on WorkImage -> EndEdit),
// keeps the undo history in one temporary file, and holds the selection,
// scroll position and zoom as plain state for the view (TQxImageView), which
// hooks the On... events below. It uses no Qt at all.
//
// Every operation is a thin method: open the bracket with TEditBracket, call
// MakeWork24Bit, call the effect in zelvo::effects with ProgressCallback(),
// and let the bracket close. Operations return at once, changing nothing,
// when the document is empty or another edit is open; when the bracket
// cannot open (the undo file cannot be written) they throw its failure and
// change nothing either.

#include <array>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/QxImageText.h"
#include "document/UndoEntry.h"
#include "effects/Convolution.h"
#include "effects/Resample.h"
#include "formats/PictureFormats.h"
#include "formats/PictureMetadata.h"
#include "image/DibImage.h"
#include "image/Types.h"
#include "platform/Bitmap.h"

namespace zelvo {

class TQxImage;

/// Progress of a long operation in percent, 0..100.
using TPGEvent = std::function<void(TQxImage& sender, int percentDone)>;
/// The undo history changed: steps that can be undone and redone now.
using TChangeCanUndo = std::function<void(TQxImage& sender, int canUndoCount, int canRedoCount)>;
/// A point was picked (picture coordinates).
using TSelectPosEvent = std::function<void(TQxImage& sender, int x, int y)>;
/// A plain notification.
using TDocNotifyEvent = std::function<void(TQxImage& sender)>;

/// Cursor numbers: the framework's default and hourglass, and the three
/// cursors the document registers.
inline constexpr int crDefault = 0;
inline constexpr int crHourGlass = -11;
inline constexpr int crNone = -1;      ///< hidden cursor
inline constexpr int crSizeAll = -22;  ///< four-way arrow over a movable selection
inline constexpr int crSpoit = 1;  ///< colour picker
inline constexpr int crNeko = 2;
inline constexpr int crFont = 3;   ///< text position

/// Results of BeginEdit.
inline constexpr int kEditOpened = 0;
inline constexpr int kEditBusy = 1;    ///< a bracket is already open
inline constexpr int kEditFailed = 2;  ///< opening failed (undo file, memory)

/// Targets of the colour-depth change: the bit depth, or 99 for two colours
/// by the black-and-white halftone.
enum class TColorDepth : std::uint8_t { Bits1 = 1, Bits4 = 4, Bits8 = 8, Bits24 = 24, HalftoneBW = 99 };
/// The undo caption of the colour-depth change.
inline constexpr const char* kColorDepthCaption = "色解像度の変更";

class TUndoStore;

class TQxImage {
public:
    /// Creates the document and its undo store (TUndoStore: a scratch file
    /// without a name, so it vanishes with the process however that ends).
    /// Throws EFCreateError when no folder takes the undo file.
    TQxImage();
    /// Closes the undo file, which takes it off the disk.
    ~TQxImage();
    TQxImage(const TQxImage&) = delete;
    TQxImage& operator=(const TQxImage&) = delete;

    // ========================================================================
    // Picture
    // ========================================================================
    /// The picture; never replaced, changed only through assignment, loading
    /// and drawing. Its change event runs BitmapChanged.
    TBitmap& Bitmap() { return *FBitmap; }
    const TBitmap& Bitmap() const { return *FBitmap; }
    /// Assigns a copy of `bitmap` into the document's Bitmap.
    void SetBitmap(const TBitmap& bitmap);
    bool Empty() const { return FBitmap->Empty(); }
    /// 1, 4, 8 or 24: the depth measured after the last change (0 when empty).
    int BitCount() const { return FBitCount; }
    /// The picture's own modified flag.
    bool Modified() const { return FBitmap->Modified(); }
    void SetModified(bool modified) { FBitmap->SetModified(modified); }
    /// The bitmap-changed handler: measures the depth (dropping the palette
    /// of a 24-bit picture) and asks the view to recompute and repaint.
    void BitmapChanged();

    /// Save options and transparency, set by the main window before a save
    /// and by a load from the file just read.
    std::uint8_t SaveQuality = 80;   ///< JPEG quality 1..100
    bool SaveTransparent = false;    ///< write transparency (GIF, PNG)
    bool SaveProgressive = false;    ///< progressive JPEG, interlaced GIF and PNG
    TColor TransparentColor = clBlack;  ///< transparent RGB colour written to PNG
    std::uint8_t TransparentIndex = 0;  ///< transparent palette index written to GIF
    bool ColorKeyed = false;         ///< transparency is an RGB colour (PNG) rather than an index
    /// Save 4- and 8-bit BMP files (and clipboard data) RLE-coded.
    bool RLECompress = false;
    /// The WebP, TIFF, AVIF, HEIC and JPEG XL options.
    TEncoderOptions SaveEncoders{};
    /// LoadDocumentFile turns a picture by its EXIF orientation, so it opens
    /// upright (the "UseExifOrientation" setting); false keeps the rows as
    /// stored.
    bool AutoOrient = true;
    /// The metadata of the file the picture was opened from (EXIF, XMP,
    /// colour profile, text; see formats/PictureMetadata.h), written back
    /// by a save in the same format. PictureChanged is set by every change
    /// of the pixels after the load, and stays set across an undo (the
    /// snapshots hold pixels only), so a save never writes a thumbnail
    /// that may be stale. Emptied when the picture is replaced by one that
    /// did not come from a file (new picture, paste, capture, icon).
    const TPictureMetadata& Metadata() const { return FMetadata; }
    /// Takes the metadata of a picture that comes back from elsewhere (a
    /// recovery file) as it is, PictureChanged included.
    void AdoptMetadata(TPictureMetadata metadata) { FMetadata = std::move(metadata); }
    /// The background colour outside the picture, and the fill colour of
    /// operations that uncover area.
    TColor Color = clGray;

    // ========================================================================
    // Files
    // ========================================================================
    /// Opens `path` as the edited picture, choosing the reader by the
    /// lower-cased extension. Returns true when a new picture was placed
    /// (unmodified, history cleared, selection and scrolling reset). A
    /// missing file, an extension without a reader, or a reader failure
    /// returns false and keeps the previous picture; `failure`, when given,
    /// receives the reader's message (empty when there was no reader).
    bool LoadDocumentFile(const std::filesystem::path& path, bool gifMode, std::string* failure = nullptr);
    /// Loads image `index` of an icon source (an icon file, or a program or
    /// library with icon resources), drawn on a black 24-bit picture of the
    /// image's size, as an unmodified picture with an empty history;
    /// SaveTransparent and SaveProgressive become false. Returns false,
    /// keeping the previous picture, when the file is not an icon source or
    /// has no image `index` (`failure` empty), or when it cannot be read or
    /// the image cannot be decoded (`failure` receives the message).
    bool LoadDocumentIcon(const std::filesystem::path& path, int index, std::string* failure = nullptr);
    /// Writes the picture with the save options through the writer of the
    /// format table's row that names the lower-cased extension (GIF only in
    /// GIF mode; see formats/PictureFormats.cpp). An extension
    /// without a writer writes nothing and returns false with `failure`
    /// empty. A writer failure returns false with its message in `failure`
    /// (the caller shows "保存に失敗しました"); the file is written to a
    /// temporary file beside the target and renamed over it only when the
    /// writer succeeded, so the old file survives a failed save. Marks the
    /// picture unmodified on success and modified otherwise.
    bool SaveDocumentFile(const std::filesystem::path& path, bool gifMode, std::string* failure = nullptr);

    // ========================================================================
    // Edit bracket
    // ========================================================================
    /// Opens the bracket: copies the picture (or, with `selectionOnly` and a
    /// selection, the selected rectangle in the picture's own depth) into
    /// WorkImage and takes an undo step: the room for its snapshot is taken
    /// in the undo file now, and the snapshot is written while the
    /// operation runs (EndEdit waits for it). Returns kEditOpened (0),
    /// kEditBusy (1) when a bracket is already open, kEditFailed (2) when
    /// opening failed (picture unchanged, document idle, no undo step; the
    /// failure is kept in EditFailure).
    int BeginEdit(bool selectionOnly);
    /// Why the last BeginEdit returned kEditFailed (no room for the undo
    /// snapshot, memory ran out) or why the last EndEdit refused the result
    /// (the snapshot could not be written); null after a BeginEdit that
    /// opened.
    std::exception_ptr EditFailure() const { return FEditFailure; }
    /// Records WorkImage's pixel format as SavedPixelFormat and converts it to
    /// 24 bits. Only inside an open bracket.
    void MakeWork24Bit();
    /// Closes the bracket and writes WorkImage back: onto the selection
    /// (centred when larger) for selection-only edits, over the whole picture
    /// otherwise; with `writeBack24Bit` the whole picture is made 24-bit
    /// before a selection is written back; with `restoreFormat` the result is
    /// reduced back to SavedPixelFormat ("High" reduction). The picture is
    /// then marked modified. The document is idle again in every case; a
    /// failure of these steps leaves the picture as it was and propagates.
    /// When the undo snapshot could not be written, the result is dropped:
    /// picture and history stay as they were before BeginEdit and the
    /// write failure propagates (kept in EditFailure too).
    void EndEdit(bool restoreFormat, bool writeBack24Bit);
    bool Editing() const { return FEditing; }
    /// The work image of the open bracket; nullptr when idle.
    TDibImage* WorkImage() { return FWorkImage.get(); }
    /// The format the picture had before MakeWork24Bit (what restoreFormat
    /// goes back to). Operations that store their result in another depth
    /// replace it (for example a two-level result kept as 1 bit).
    TDibPixelFormat SavedPixelFormat() const { return FSavedPixelFormat; }
    void SetSavedPixelFormat(TDibPixelFormat format) { FSavedPixelFormat = format; }

    /// Calls OnProgress when assigned.
    void DoProgress(int percentDone);
    /// A progress function for the effects, forwarding to OnProgress.
    std::function<void(int)> ProgressCallback();

    // ========================================================================
    // Update lock and view notifications
    // ========================================================================
    /// While locked, painting is skipped and recomputing the view does not
    /// show or hide scroll bars. EndUpdate releases one level and, when
    /// visible, recomputes the view and repaints. Calls nest.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return FUpdateLock > 0; }
    /// Whether a view shows the document; the view sets it. Notifications
    /// to the view are sent only when visible.
    bool Visible = false;
    /// Asks the view to repaint (OnInvalidate) when visible.
    void Invalidate();
    /// Asks the view to recompute its extent and scroll bars (OnUpdateView)
    /// when visible.
    void UpdateView();

    /// The cursor the view shows (a cr... number); SavedCursor is the one
    /// shown when idle.
    int Cursor() const { return FCursor; }
    void SetCursor(int cursor);
    int SavedCursor() const { return FSavedCursor; }
    void SetSavedCursor(int cursor) { FSavedCursor = cursor; }

    // ========================================================================
    // Selection, scrolling and zoom (plain state; the view applies the rules)
    // ========================================================================
    /// Whether a selection exists.
    bool HasSelection() const { return FSelected; }
    /// The two corners as the mouse tools left them (not normalised).
    TPoint SelectionStart() const { return FSelStart; }
    TPoint SelectionEnd() const { return FSelEnd; }
    void SetSelectionCorners(TPoint start, TPoint end, bool selected);
    /// The normalised selection rectangle (right and bottom exclusive);
    /// all zero without a selection.
    TRect SelectionRect() const;
    /// Sets the selection; an all-zero rectangle removes it. The corners are
    /// normalised.
    void SetSelectionRect(const TRect& rect);
    void ClearSelection();
    /// The picture point at the top-left corner of the view.
    TPoint ScrollPos() const { return FScrollPos; }
    void SetScrollPos(TPoint pos) { FScrollPos = pos; }
    /// Zoom percentage; the view applies its range and fitting rules.
    int Zoom() const { return FZoom; }
    void SetZoom(int zoomPercent) { FZoom = zoomPercent; }
    /// Display-only documents (previews, slide show) ignore the mouse tools.
    bool DisplayOnly = false;

    // ========================================================================
    // Undo and redo
    // ========================================================================
    /// The history depth 1..100 (values <= 0 store 1, values > 100 store 100).
    int UndoBuffer() const { return FUndoBuffer; }
    void SetUndoBuffer(int depth);
    /// Whether edits keep an undo history (the default). A document nobody
    /// can undo in (batch conversion, a script without Undo or Redo) turns
    /// it off: no snapshot is written and Undo and Redo find nothing.
    /// Turning it off forgets the steps kept so far.
    bool KeepUndo() const { return FKeepUndo; }
    void SetKeepUndo(bool keep);
    /// Stores the current picture as a new undo step (nothing when empty or
    /// without KeepUndo) and discards the redo steps. Throws when the undo
    /// file cannot be written.
    void SaveUndo();
    /// Goes back `count` steps (at most UndoCount); reads one snapshot.
    void Undo(int count);
    /// Goes forward `count` steps (at most RedoCount); reads one snapshot.
    void Redo(int count);
    /// Forgets every step and empties the undo file.
    void ClearUndo();
    int UndoCount() const { return FUndoCount; }
    int RedoCount() const { return FRedoCount; }
    /// True while Undo or Redo swaps the picture.
    bool Restoring() const { return FRestoring; }
    /// A path that reaches the open undo file while the document lives
    /// (/proc/self/fd/N: the file has no name of its own).
    std::filesystem::path UndoFileName() const;
    /// The folder on whose file system the undo file lives.
    const std::filesystem::path& UndoFolder() const;
    /// The bookkeeping of the undo table's slot `index` (0..kMaxUndoBuffer).
    const TUndoEntry& UndoEntry(int index) const;
    /// Keeps the undo snapshots in `store` from now on (another medium, or a
    /// store that fails on purpose); the steps kept so far are forgotten.
    void SetUndoStore(std::unique_ptr<TUndoStore> store);
    /// Whether an edit's undo snapshot is written after its operation,
    /// while the view repaints, instead of beside it (off by default). The
    /// editor turns it on so the operation has the processors and the
    /// memory bandwidth to itself; the edit then returns, its result shown,
    /// before its step is on disk (the room for it is taken first, so a
    /// full disk still refuses the edit at once), and SettleUndoWrite takes
    /// the edit back when the step cannot be written after all.
    bool DeferUndoWrite() const { return FDeferUndoWrite; }
    void SetDeferUndoWrite(bool defer) { FDeferUndoWrite = defer; }
    /// The last edit's snapshot is still unsettled (DeferUndoWrite).
    bool UndoWritePending() const { return FUndoWritePending; }
    /// The unsettled snapshot's writing has finished, so SettleUndoWrite
    /// returns without waiting (true when none is pending).
    bool UndoWriteDone() const;
    /// Waits for the last edit's snapshot (DeferUndoWrite). When it could
    /// not be written the edit is taken back: picture, modified flag,
    /// selection, scroll position and history as before it (OnChangeCanUndo
    /// fires), and the write failure propagates (kept in EditFailure).
    /// Every change of the history (an edit, SaveUndo, Undo, Redo) settles
    /// first; ClearUndo drops the step unsettled. Nothing when none is
    /// pending.
    void SettleUndoWrite();

    // ========================================================================
    // Events
    // ========================================================================
    TPGEvent OnProgress;
    TChangeCanUndo OnChangeCanUndo;
    /// An edit's result was given to the picture while its snapshot is
    /// still being written (DeferUndoWrite): the editor settles it with
    /// SettleUndoWrite once UndoWriteDone.
    TDocNotifyEvent OnUndoWritePending;
    TSelectPosEvent OnSelectPos;
    TDocNotifyEvent OnSelectTextPos;
    TDocNotifyEvent OnSelected;
    TDocNotifyEvent OnMoving;
    TDocNotifyEvent OnMoved;
    TDocNotifyEvent OnScroll;
    TDocNotifyEvent OnResize;
    TDocNotifyEvent OnPaint;
    /// For the view: repaint.
    TDocNotifyEvent OnInvalidate;
    /// For the view: recompute extent and scroll bars, then repaint.
    TDocNotifyEvent OnUpdateView;
    /// For the view: the cursor changed.
    TDocNotifyEvent OnCursorChange;

    // ========================================================================
    // Tone and colour (src/document/QxImageTone.cpp)
    // ========================================================================
    // Each opens the bracket with the scope given (selection: only the
    // selected rectangle when there is one; whole: the whole picture even
    // with a selection), makes the work image 24-bit, reports progress per
    // row and closes with the picture's former depth restored. "24-bit
    // write-back" converts the whole picture to 24 bits before a selection
    // is written back. Each call that opens the bracket is one undo step.

    /// Inverts every colour. With a selection: Solarization(0) (selection,
    /// 24-bit write-back). Without one: no bracket and no progress; one undo
    /// snapshot, then the picture is inverted in its own pixel format (a
    /// palette picture has its colour table inverted and stays a palette
    /// picture of the same size).
    void Negative();
    /// Y = (R x 30 + G x 59 + B x 11) div 100. Selection, 24-bit write-back.
    void Grayscale();
    /// Sepia toning by average brightness. Selection, 24-bit write-back.
    void Sepia();
    /// Scales `color` (system colours resolved) by each pixel's average
    /// brightness. Selection.
    void SingleColorScale(TColor color);
    /// Adds `delta` to each component. Whole picture.
    void Brightness(std::int16_t delta);
    /// Contrast `level` (-100 grey, +100 double). Whole picture.
    void Contrast(std::int8_t level);
    /// Adds a delta to each channel. Whole picture.
    void AdjustRGB(std::int16_t red, std::int16_t green, std::int16_t blue);
    /// Posterize to `levels` per channel; below 2 does nothing (no bracket).
    /// Selection.
    void Posterize(std::uint8_t levels);
    /// Inverts the components >= `threshold`; 255 does nothing (no bracket).
    /// Selection, 24-bit write-back.
    void Solarization(std::uint8_t threshold);
    /// Gamma correction; exactly 1.0 does nothing (no bracket), below 0.01
    /// or above 6.99 opens and closes the bracket without change (one undo
    /// step). Whole picture, no progress.
    void Gamma(double gamma);
    /// Shifts hue (degrees), saturation and value (per cent). Whole picture.
    void AdjustHSV(std::int16_t hue, std::int8_t saturation, std::int8_t value);
    /// White where the average brightness >= `threshold`, else black. With
    /// `markAs1Bit` the result is stored as a 1-bit picture; progress only
    /// with `reportProgress`. Whole picture.
    void Monochrome(int threshold, bool markAs1Bit, bool reportProgress);
    /// Changes the colour depth of the whole picture as one undoable edit:
    /// Bits1 makes pixels whose mean (R + G + B) div 3 is at least 128 white
    /// and the others black, stored as 1 bit; Bits4 and Bits8 reduce with
    /// the pixel buffer's "High" conversion; Bits24 expands; HalftoneBW
    /// converts to the black-and-white halftone.
    void ColorDepth(TColorDepth depth);
    /// New R = old G, new G = old B, new B = old R. Selection.
    void SwapRGB();
    /// Flips the top bit of each component. Selection.
    void XORConvert();

    // ========================================================================
    // Histogram (src/document/QxImageHistogram.cpp)
    // ========================================================================
    /// Histogram equalisation of the brightness levels over the selection (or
    /// the whole picture); restores the pixel format. History caption
    /// "イコライズ".
    void Equalize();
    /// Contrast stretch of the brightness levels between the lowest and the
    /// highest one per cent over the selection (or the whole picture); the
    /// high end maps to 254. 24-bit write-back, depth restored. A flat
    /// picture changes nothing but still takes one undo step. History caption
    /// "ノーマライズ".
    void Normalize();
    /// Fills the four histograms (note the order: brightness, red, blue,
    /// green) from a 24-bit copy of the whole picture and returns its pixel
    /// count. Holds the edit lock meanwhile (no edit can start) and takes no
    /// undo snapshot. Returns -1, with all four histograms zero, when the
    /// document is empty or an edit is open.
    std::int64_t GetHistogram(std::array<std::uint32_t, 256>& brightness, std::array<std::uint32_t, 256>& red,
                              std::array<std::uint32_t, 256>& blue, std::array<std::uint32_t, 256>& green);
    /// The number of distinct 24-bit colours of the whole picture; 0 when
    /// empty. Throws std::bad_alloc when its 2 MB bit set cannot be had.
    std::int64_t GetColorCount() const;

    // ========================================================================
    // Composition (src/document/QxImageComposition.cpp)
    // ========================================================================
    /// Blends `source` into the top-left corner of the selection (or the
    /// picture) over the overlap: `kind` 0 blend with `transparency` (0
    /// copies the source, 100 keeps the picture; limited to 0..100), 1
    /// lighter pixel first, 2 darker pixel first, 3 add, 4 subtract. A kind
    /// outside 0..4, an empty source or picture, or an open edit does
    /// nothing. The result stays 24-bit; a selection is written back making
    /// the whole picture 24-bit. History caption "合成".
    void Merge(const TBitmap& source, int kind, int transparency);
    /// Places the clipboard's picture as a floating selection (from paste,
    /// so applying it makes the picture 24-bit) at the scroll position and
    /// clears the selection; ApplyFloating commits it as one undo step
    /// (history caption "合成貼り付け"), CancelFloating drops it. Returns
    /// false, changing nothing, when the document is empty, an edit is open
    /// or the clipboard holds no readable picture.
    bool MergePaste();
    /// Joins `other` to the picture: `direction` 0 on the left, 1 on the
    /// right, 2 above, 3 below, `gap` pixels apart (negative: overlapping,
    /// `other` on top), shifted across the joining direction by `offset`
    /// (negative shifts the picture, positive `other`). Uncovered area takes
    /// Color. One undo step; the result is 24-bit, no selection, scroll
    /// position (0, 0). An empty picture or `other`, a direction outside
    /// 0..3 or an open edit does nothing. Throws EDibImageInvalidDIBPara
    /// "TDibImageData.CreateDIB: Invalid Parameters", before any change,
    /// when the result would have a side below 1 or exceed the pixel limit.
    /// History caption "連結".
    void Combine(const TBitmap& other, int direction, int offset, int gap);

    // ========================================================================
    // Generated pictures (src/document/QxImageGenerated.cpp)
    // ========================================================================
    /// Replaces the picture by a new one of width x height in `color` with
    /// `bitCount` 24, 8, 4 or 1; the history is cleared, the selection
    /// removed, scroll position (0, 0), the picture marked modified. Nothing
    /// while an edit is open. The picture is made before anything changes:
    /// a size below 1 or above the pixel limit, or another bit count, throws
    /// EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid
    /// Parameters", and a failed allocation its std::bad_alloc, leaving the
    /// open document as it was.
    void NewImage(int width, int height, int bitCount, TColor color);
    /// Lays a gradient from `color1` to `color2` with `opacity` per cent
    /// (above 100 counts as 100, 0 or less does nothing) over the selection
    /// (or the picture) in `direction` 1..8: left to right, right to left,
    /// top to bottom, bottom to top, top left to bottom right, bottom right
    /// to top left, bottom left to top right, top right to bottom left; any
    /// other direction does nothing. The result stays 24-bit; a selection is
    /// written back making the whole picture 24-bit. History caption
    /// "グラデーション".
    void Gradation(TColor color1, TColor color2, int opacity, int direction);
    /// Darkens the selection (or the picture) by `texture` tiled from
    /// (offsetX, offsetY) taken modulo the texture's size, with strength
    /// `level` 1..100 per cent. An empty texture or picture, or an open edit,
    /// does nothing; a level outside 1..100 throws EDibImageInvalidDIBPara
    /// "TDibImageData.CreateDIB: Invalid Parameters" before the bracket
    /// opens. The result stays 24-bit; a selection is written back making the
    /// whole picture 24-bit. History caption "テクスチャ".
    void Texture(const TBitmap& texture, int level, int offsetY, int offsetX);

    // ========================================================================
    // Neighbourhood filters (src/document/QxImageFilters.cpp)
    // ========================================================================
    // Each works on the selection (or the whole picture), makes the work
    // image 24-bit, reports progress per row and closes restoring the
    // picture's former depth without making the whole picture 24-bit. A
    // parameter outside the range given throws EDibImageInvalidDIBPara
    // "TDibImageData.CreateDIB: Invalid Parameters" before the bracket opens
    // (no undo step, picture untouched); the values said to do nothing open
    // no bracket.
    /// 3 x 3 convolution with `kernel` (stored column by column, finite
    /// entries), `divisor` (0 counts as 1) and the bias of 128.
    void Convolve3x3(const effects::TKernel3x3& kernel, std::uint8_t divisor, bool bias);
    /// Average of the 3 x 3 neighbourhood.
    void Soft();
    /// Sharpen, level 1..20; 0 does nothing.
    void Sharpen(int level);
    /// Emboss, level 1..20, coloured (relief added to the picture) or grey,
    /// inverted relief.
    void Emboss(int level, bool colored, bool inverted);
    /// Edge enhancement, level 1..20.
    void HighPass(int level);
    /// Edge extraction, level 1..20.
    void EdgeDetection(int level);
    /// Gaussian blur of `passes` 1..10; 0 does nothing.
    void GaussianBlur(int passes);
    /// Rank filter: 1 minimum, 5 middle, 9 maximum (any of 1..9); other
    /// ranks do nothing.
    void Median(int rank);
    /// Edge-preserving noise reduction, level 1..100; progress only with
    /// `reportProgress`.
    void NoiseReduction(int level, bool reportProgress);

    // ========================================================================
    // Distortion and artistic effects (src/document/QxImageArtistic.cpp)
    // ========================================================================
    // Ranges, the refusal of values outside them and the values that do
    // nothing as for the neighbourhood filters. "Own format" effects move
    // pixel values in the picture's own depth and colour table and close
    // without converting; the others make the work image 24-bit and close
    // restoring the former depth unless said otherwise. All work on the
    // selection (or the whole picture) unless said otherwise.
    /// Shake, distance 1..50; 0 does nothing.
    void Blur(int distance);
    /// 3-D frame of `width` 1..50; `strength` is limited to 1..5 (the menu
    /// passes 2).
    void Button3D(int width, bool sunken, bool smooth, int strength);
    /// Diffusion, level 1..255. Own format.
    void Spray(int level);
    /// Noise, level 1..255, per channel with `color`.
    void Noise(int level, bool color);
    /// Wave with periods and amplitude 1..100; a period of 0 does nothing.
    /// Own format.
    void Wave(int periodX, int periodY, bool wrap, int amplitude);
    /// Blocks of 2..50 x 2..50 (a side below 2 does nothing); 24-bit
    /// write-back.
    void Block(int width, int height, bool offset, bool frame, bool fill);
    /// Mosaic of `size` 2..50: Block(size, size, no offset, no frame, fill).
    void Mosaic(int size);
    /// Fade-out towards Color, width 2 up to half the shorter side of the
    /// selection (or picture); 0 does nothing. 24-bit write-back.
    void FadeOut(int width);
    /// Glass mosaic: `mode` 0 both passes, 1 horizontal, 2 vertical; `size`
    /// 3..30. Own format.
    void GlassMosaic(int mode, int size);
    /// Pencil sketch.
    void Scetch();
    /// Oil paint, level 1..5.
    void OilPaint(int level);
    /// Vortex, angle -540..540; 0 does nothing.
    void Vortex(int angle);
    /// Punch (strength -100..-1) or pinch (1..100). Own format.
    void Explode(int strength);
    /// Spotlight on the whole picture around the picture point (centreX,
    /// centreY) with `fallOff` (a value below 0 or above 10 does nothing) and
    /// `size` 1..100 per cent; the picture stays 24-bit.
    void SpotLight(int centerX, int centerY, double fallOff, int size);
    /// Blind stripes of `width` 2..100 (below 2 does nothing) towards `color`,
    /// the stripes placed as if the picture started `offsetY` rows and
    /// `offsetX` columns further on (0 or more); the picture stays 24-bit.
    void Blind(int width, TColor color, int offsetY, int offsetX, bool horizontal);

    // ========================================================================
    // Selection (src/document/QxImageSelection.cpp)
    // ========================================================================
    /// Limits a picture point to 0..width and 0..height.
    TPoint ClampPoint(TPoint point) const;
    /// Keyboard nudge (dx, dy in -1..1), only with a selection: the left
    /// (top) edge moves by dx (dy) but not below 0, and the rectangle is
    /// pushed back so it does not pass the right (bottom) edge. Returns true
    /// and repaints when the position changed.
    bool MoveSelection(int dx, int dy);
    /// Keyboard resize (dx, dy in -1..1), only with a selection: the width
    /// (height) changes by dx (dy), at most up to the picture's edge and at
    /// least 1. Returns true and repaints when the size changed.
    bool ResizeSelection(int dx, int dy);
    /// Select all / none: with a selection it is removed, without one the
    /// whole picture (0, 0, width, height) is selected. Resets the cursor to
    /// the default and repaints.
    void SelectAll();

    /// A floating selection is being placed.
    bool Floating() const { return FFloat.Floating; }
    /// Its 24-bit pixels; empty when nothing floats.
    const TBitmap& FloatBitmap() const { return FFloat.Pixels; }
    /// Its top-left corner in picture coordinates.
    TPoint FloatPos() const { return FFloat.Pos; }
    void SetFloatPos(TPoint pos);
    /// The rectangle it was lifted from (all zero for pasted pixels).
    TRect FloatSource() const { return FFloat.Source; }
    /// It came from the clipboard: applying makes the picture 24-bit.
    bool FromPaste() const { return FFloat.FromPaste; }
    /// Applying leaves the source area as it was (copy) instead of filling
    /// it with Color (move). Repaints when the value changes.
    bool CopyMode() const { return FCopyMode; }
    void SetCopyMode(bool copyMode);
    /// Lifts the selection into a floating selection (a 24-bit copy at the
    /// selection's top-left) and fires OnMoving. Returns false, changing
    /// nothing, without a selection, while editing or while floating.
    bool LiftSelection();
    /// Starts placing `pixels` (made 24-bit) as a floating selection at
    /// `pos`; `fromPaste` marks clipboard pixels. Repaints. Returns false
    /// for an empty bitmap or while editing.
    bool StartFloating(const TBitmap& pixels, TPoint pos, bool fromPaste);
    /// Writes the floating selection into the picture as one undo step and
    /// selects where it landed (clamped to the picture); fires OnMoved. In
    /// move mode the selection is first filled with Color. Nothing happens
    /// unless floating, or while another edit is open.
    void ApplyFloating();
    /// Drops the floating selection; the picture is untouched.
    void CancelFloating();

    // ========================================================================
    // Geometry (src/document/QxImageGeometry.cpp)
    // ========================================================================
    // Each returns at once, changing nothing, for an empty picture or while
    // another edit is open. Quarter turns, mirror, flip and shift move pixel
    // values in the picture's own depth and keep its colour table.

    /// Crops to the rectangle from (x1, y1) to (x2, y2): the corners are
    /// ordered and limited to the picture, and an empty result does nothing.
    /// No bracket: takes one undo snapshot itself. Then scroll position
    /// (0, 0), no selection, view recomputed.
    void CropRect(int x1, int y1, int x2, int y2);
    /// With a selection: CropRect to it and true; otherwise false.
    bool Trim();
    /// A quarter turn of the whole picture (clockwise: pixel (x, y) goes to
    /// (height - 1 - y, x)); the selection is removed.
    void Rotate90(bool clockwise);
    /// Turns the selection (or the whole picture) by `angleTenths` tenths of
    /// a degree, clockwise on screen for positive values, with nearest-pixel
    /// sampling. With `enlarge` the canvas grows to hold the whole turned
    /// picture. Uncovered pixels take Color, or on a selection keep what the
    /// picture had there. 24-bit write-back, depth restored.
    void RotateAngle(int angleTenths, bool enlarge);
    /// Swaps left and right within the selection (or the whole picture).
    void Mirror();
    /// Swaps top and bottom within the selection (or the whole picture).
    void Flip();
    /// Wrap-around shift of the selection (or the whole picture) by dx
    /// pixels right and dy down (negative: left, up). Nothing when both are 0.
    void ShiftImage(int dx, int dy);
    /// Adds margins (pixels, each 0 or more) of `color` around the whole
    /// picture; the picture returns to its former depth. Throws
    /// EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid Parameters",
    /// before any change, for a negative margin or a result above the pixel
    /// limit.
    void AddMargins(int top, int bottom, TColor color, int right, int left);

    // ========================================================================
    // Resampling (src/document/QxImageResample.cpp)
    // ========================================================================

    /// Nearest-pixel resize of the whole picture keeping its pixel format
    /// and colour table. No bracket: one undo snapshot is taken even when
    /// the size is unchanged or a side is below 1 (then nothing else
    /// changes). Scroll position (0, 0), no selection. Throws
    /// EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid Parameters",
    /// before the snapshot, for a size above the pixel limit.
    void StretchResize(int width, int height);
    /// Filtered two-pass resize of the whole picture to width x height with
    /// `filter` of radius `support` (pixels); the result is 24 bits per
    /// pixel. Progress 0..50 over the horizontal pass, 50..100 over the
    /// vertical one. Scroll position (0, 0), no selection. Throws
    /// EDibImageInvalidDIBPara "TDibImageData.CreateDIB: Invalid Parameters",
    /// before any change, for a size below 1 or above the pixel limit, an
    /// unknown filter, or a support that is not positive and finite.
    void Resample(effects::TResampleFilter filter, int width, int height, float support);
    /// As above with the filter's own support radius.
    void Resample(effects::TResampleFilter filter, int width, int height);

    // ========================================================================
    // Clipboard (src/document/QxImageClipboard.cpp)
    // ========================================================================
    // The clipboard is the one installed with InstallClipboard
    // (platform/Clipboard.h); with none installed it holds nothing and
    // copying does nothing.

    /// Puts the selection (or the whole picture) on the clipboard as a
    /// packed DIB in the picture's own depth and colour table (the system
    /// clipboard adds a plain image for other programs). With RLECompress a
    /// 4- or 8-bit picture goes RLE-coded, or uncompressed when coding
    /// fails. Nothing when empty.
    void CopyToClipboard();
    /// Replaces the picture with the clipboard's: a DIB keeps its depth and
    /// colour table; any other image becomes a 24-bit picture of its size.
    /// One undo snapshot, no selection, scroll position (0, 0). Returns
    /// true when a picture was pasted; false, with the picture as it was,
    /// when the clipboard holds none or reading it failed.
    bool PasteFromClipboard();
    /// Only with a picture and a selection: CopyToClipboard, then
    /// DeleteSelection.
    void CutToClipboard();
    /// Only with a selection: fills it with Color (system colours resolved).
    /// A palette picture keeps its depth and colour table, and the fill
    /// takes the table entry nearest to Color.
    void DeleteSelection();

    // ========================================================================
    // Text insertion (src/document/QxImageText.cpp)
    // ========================================================================
    // While the text-insertion window is open the document is in text
    // mode: the view shows the overlay the window sets, left clicks place
    // it and a drag moves it. Glyphs come from the installed text renderer
    // (platform/TextRendering.h); without one the overlay has no glyphs and
    // ApplyText draws nothing.

    /// Text mode on: the text position becomes the scroll position, the
    /// cursor (and the cursor kept when idle) the text cursor crFont.
    void BeginTextMode();
    /// Sets the overlay and repaints: its top-left corner `pos` (picture
    /// pixels), the lines, `opacity` (limited to 0..100), anti-aliasing,
    /// `padding` and `frameWidth` (each limited to 0..99), the frame and
    /// background colours, vertical writing, a transparent background and
    /// the font (with the text colour). The lines are measured and drawn
    /// into the glyph mask now; a block too large for a picture leaves the
    /// overlay without glyphs.
    void SetTextOverlay(TPoint pos, const std::vector<std::string>& lines, int opacity, bool antiAlias,
                        int padding, TColor frameColor, int frameWidth, bool vertical, TColor backColor,
                        bool transparent, const TTextFont& font);
    /// Removes the overlay and repaints.
    void ClearTextOverlay();
    /// Removes the overlay and leaves text mode; the cursor becomes the
    /// default.
    void EndTextMode();
    /// Draws the overlay into the whole picture (a selection is ignored) as
    /// one undo step, then removes the overlay: the box, the glyphs,
    /// smoothing and opacity as effects::DrawTextBlock does them. Smoothing
    /// and opacity below 100 apply to 24-bit pictures only (others get the
    /// text at full opacity, unsmoothed); the picture keeps its depth.
    /// Nothing happens without an overlay or without glyphs; while another
    /// edit is open the overlay is removed and nothing is drawn. Returns
    /// true when the text was drawn.
    bool ApplyText();
    /// The same drawing from a glyph mask made elsewhere (black pixels are
    /// ink): the box's top-left corner at (left, top), the box grown from
    /// the mask by `frameWidth` + `padding` (each 0..99) on every side,
    /// `opacity` 0..100. One undo step; smoothing and opacity on 24-bit
    /// pictures only. An empty mask or picture, or an open edit, does
    /// nothing; a value outside its range throws EDibImageInvalidDIBPara
    /// "TDibImageData.CreateDIB: Invalid Parameters" before the bracket
    /// opens.
    void DrawTextMask(const TBitmap& mask, int left, int top, TColor textColor, TColor backColor, bool transparent,
                      int frameWidth, TColor frameColor, int padding, int opacity, bool antiAlias);

    /// Text mode is on.
    bool TextMode() const { return FTextMode; }
    /// An overlay is shown.
    bool HasTextOverlay() const { return FTextShown; }
    const TTextOverlay& TextOverlay() const { return FText; }
    /// The overlay's top-left corner (picture pixels).
    TPoint TextPos() const { return FText.Pos; }
    /// Moves the overlay and repaints.
    void SetTextPos(TPoint pos);
    /// The box the overlay draws: from its position, the glyph block grown
    /// by frame width + padding on every side (right, bottom exclusive).
    TRect TextBlockRect() const;
    /// The box the mouse grabs: from (x, y) to (x + block width + k - 1,
    /// y + block height + k - 1) with k = frame width x 5 div 2 + 2 x
    /// padding (right, bottom exclusive).
    TRect TextHitBox() const;
    /// The overlay as ApplyText would draw it on the part of the picture
    /// under its box: a 24-bit picture of `area`'s size, `area` receiving
    /// the box clipped to the picture. False, with nothing made, without an
    /// overlay, without glyphs or when the box misses the picture.
    bool TextPreview(TDibImage& preview, TRect& area) const;
    // Pictures from devices (src/document/QxImageDevices.cpp)
    // ========================================================================
    /// Opens the BMP file `path` with the BMP reader whatever its extension
    /// (the scanner's temporary file): like LoadDocumentFile, a new
    /// unmodified picture with the history cleared and the save marks
    /// (progressive, transparency) off; false with the reader's message in
    /// `failure` when reading fails, the previous picture kept.
    bool LoadDocumentBmp(const std::filesystem::path& path, std::string* failure = nullptr);
    /// Writes a copy of the picture to `path` as SaveDocumentFile does, but
    /// leaves the modified flag and ColorKeyed as they are (the wallpaper
    /// file is not a save of the picture).
    bool SaveCopyFile(const std::filesystem::path& path, bool gifMode, std::string* failure = nullptr) const;
    /// Replaces the picture whole by a captured one: with a picture, one
    /// undo snapshot first (returns true then); afterwards no selection,
    /// scroll position (0, 0), the picture modified. Nothing while editing.
    bool TakeCapture(const TDibImage& captured);

private:
    /// The writer behind SaveDocumentFile and SaveCopyFile: `colorKeyed`
    /// receives what ColorKeyed becomes after a save.
    bool WritePicture(const std::filesystem::path& path, bool gifMode, std::string& failure, bool& colorKeyed) const;
    /// The view state an undo step taken now brings back.
    TUndoEntry SnapshotState() const;
    void WriteSnapshot(int index);
    /// SaveUndo with the snapshot written on the store's thread while the
    /// operation runs (with DeferUndoWrite only its room taken); an
    /// unsettled earlier step is settled first. SettleUndoStep must follow
    /// before the result is given to the picture.
    void BeginUndoStep();
    /// Waits for BeginUndoStep's snapshot. When it could not be written,
    /// the history goes back to what it was (OnChangeCanUndo fires with
    /// the old counts) and the failure propagates. With DeferUndoWrite the
    /// snapshot's thread starts here instead and the step stays pending
    /// (SettleUndoWrite).
    void SettleUndoStep();
    /// SettleUndoStep while another failure is on its way to the caller:
    /// that failure is the one to report, so the write's is dropped.
    void SettleUndoStepQuietly() noexcept;
    /// Waits for BeginUndoStep's snapshot, written beside the operation or
    /// reserved for later (then written now); a failure puts the history
    /// back and propagates.
    void FinishUndoStep();
    /// The history's side of a new step written to `slot`: the oldest step
    /// dropped beyond the depth, the redo steps discarded, OnChangeCanUndo.
    void CountUndoStep(int slot);
    void RestoreSnapshot(int index);
    /// Gives `picture` to the document with the view state of `state`
    /// (the picture's modified flag, scroll position, selection).
    void RestorePicture(const TDibImage& picture, const TUndoEntry& state);
    void FireChangeCanUndo();
    void ResetAfterLoad();
    /// Reads a picture with `read` (false or an exception: nothing
    /// changes, the message in `failure`) and makes it the document's new,
    /// unmodified picture without save marks.
    bool AdoptReadPicture(const std::function<bool(TDibImage&)>& read, std::string* failure);
    /// The whole picture is replaced outside the edit bracket: one undo
    /// step begun, `make` under the hourglass (true with the new picture in
    /// `result`, false to keep the picture) while the snapshot is written,
    /// the new picture assigned once the snapshot is on disk (a snapshot
    /// that cannot be written throws, picture and history unchanged);
    /// afterwards no selection, scroll position (0, 0) and the view
    /// recomputed.
    void ReplacePicture(const std::function<bool(TDibImage& result)>& make);
    /// No selection, scroll position (0, 0), view recomputed and repainted:
    /// what follows every change of the picture's size.
    void ResetViewAfterResize();

    std::unique_ptr<TBitmap> FBitmap;
    TPictureMetadata FMetadata;
    int FBitCount = 0;

    bool FEditing = false;
    bool FSelectionOnly = false;
    std::unique_ptr<TDibImage> FWorkImage;
    TDibPixelFormat FSavedPixelFormat = dibPf24Bit;
    int FCursor = crDefault;
    int FSavedCursor = crDefault;
    int FUpdateLock = 0;

    bool FSelected = false;
    TPoint FSelStart;
    TPoint FSelEnd;
    TPoint FScrollPos;
    int FZoom = 100;

    // The floating selection (src/document/QxImageSelection.cpp).
    struct TFloatingSelection {
        bool Floating = false;
        TBitmap Pixels;   // 24-bit
        TPoint Pos;       // top-left, picture coordinates
        TRect Source;     // lifted from; all zero when pasted
        bool FromPaste = false;
    };
    TFloatingSelection FFloat;
    bool FCopyMode = false;

    // The text tool (src/document/QxImageText.cpp).
    bool FTextMode = false;
    bool FTextShown = false;
    TTextOverlay FText;

    int FUndoBuffer = 1;
    bool FKeepUndo = true;
    int FUndoCount = 0;
    int FRedoCount = 0;
    bool FRestoring = false;
    std::unique_ptr<TUndoStore> FUndoStore;
    bool FUndoStepPending = false;
    int FUndoCountBefore = 0;
    int FRedoCountBefore = 0;
    bool FDeferUndoWrite = false;
    bool FUndoWritePending = false;
    TDibImage FPictureBefore;    ///< the picture a pending snapshot holds
    TUndoEntry FStateBefore;     ///< and its view state
    std::exception_ptr FEditFailure;
};

/// The edit bracket as a guard: the constructor calls BeginEdit (nothing on
/// an empty document) and throws the failure when the bracket cannot open
/// (no room for the undo snapshot), so an operation that cannot keep its
/// undo step is refused aloud and changes nothing; a snapshot whose writing
/// fails while the operation runs is refused the same way when the bracket
/// closes; the destructor calls EndEdit with the given arguments whenever the bracket
/// was opened, also when the operation throws (the work image, as far as it
/// was processed, is written back and the undo step stays). While the
/// operation's exception propagates, a failure of EndEdit itself is dropped
/// so it cannot replace the operation's; otherwise it propagates from the
/// destructor.
class TEditBracket {
public:
    TEditBracket(TQxImage& doc, bool selectionOnly, bool restoreFormat, bool writeBack24Bit);
    ~TEditBracket() noexcept(false);
    TEditBracket(const TEditBracket&) = delete;
    TEditBracket& operator=(const TEditBracket&) = delete;

    /// True when BeginEdit opened the bracket (returned 0).
    explicit operator bool() const { return result_ == kEditOpened && !closed_; }
    int Result() const { return result_; }
    /// Closes the bracket now; EndEdit's failure propagates.
    void Close();

private:
    TQxImage& doc_;
    int result_;
    bool restoreFormat_;
    bool writeBack24Bit_;
    bool closed_ = false;
    int uncaught_;
};

}  // namespace zelvo
