#include "document/QxImage.h"

#include <algorithm>
#include <exception>

#include "document/PictureOrientation.h"
#include "document/UndoStore.h"
#include "formats/IconFile.h"
#include "formats/QxImageIO.h"
#include "formats/plugin/DecoderSandbox.h"
#include "image/Exceptions.h"
#include "image/ScopeExit.h"

namespace zelvo {

namespace {

TRect Normalised(TPoint a, TPoint b) {
    return TRect{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

}  // namespace

TQxImage::TQxImage() : FBitmap(std::make_unique<TBitmap>()) {
    FBitmap->OnChange = [this](void*) { BitmapChanged(); };
    FUndoStore = std::make_unique<TUndoStore>();
}

TQxImage::~TQxImage() = default;

// --- picture -------------------------------------------------------------------

void TQxImage::SetBitmap(const TBitmap& bitmap) { FBitmap->Assign(bitmap); }

void TQxImage::BitmapChanged() {
    FMetadata.PictureChanged = true;
    if (FBitmap->Empty()) {
        FBitCount = 0;
    } else {
        FBitCount = FBitmap->BitCount();
        // A 24-bit picture carries no palette.
        if (FBitCount == 24) FBitmap->ReleasePalette();
    }
    UpdateView();
    Invalidate();
}

// --- edit bracket -----------------------------------------------------------

int TQxImage::BeginEdit(bool selectionOnly) {
    if (FEditing) return kEditBusy;
    FEditing = true;
    FSelectionOnly = selectionOnly;
    FEditFailure = nullptr;
    try {
        // An earlier edit whose step failed is taken back before this one
        // reads the picture (and this one is refused).
        if (FKeepUndo) SettleUndoWrite();
        if (!FWorkImage) FWorkImage = std::make_unique<TDibImage>();
        FBitmap->AssignTo(*FWorkImage);
        FSavedPixelFormat = FWorkImage->PixelFormat();
        if (FSelected && selectionOnly) {
            // The selected area in the picture's own depth and colour table,
            // so palette pixels reach the operation unchanged.
            const TRect sel = SelectionRect();
            const TDibImage& whole = FBitmap->Dib();
            TDibImage area;
            area.ReplaceData(TDibImageData::CreateDIB(sel.Width(), sel.Height(), whole.ColorsUsed(),
                                                      whole.BitCount(), whole.GetUseFMO()));
            if (whole.BitCount() != 24)
                area.SetColorTable(std::span(whole.ColorTable(), std::size_t(whole.ColorsUsed())));
            TBitmap temp;
            temp.Assign(area);
            temp.Canvas().CopyRect(Bounds(0, 0, sel.Width(), sel.Height()), *FBitmap, sel);
            temp.AssignTo(*FWorkImage);
        }
        // The snapshot is written while the operation runs (or after it,
        // DeferUndoWrite); EndEdit settles it before the result replaces
        // the picture.
        BeginUndoStep();
    } catch (const std::exception&) {
        // The operation does nothing when its bracket cannot open; the
        // picture and the history are as they were.
        FWorkImage.reset();
        FEditing = false;
        FEditFailure = std::current_exception();
        return kEditFailed;
    }
    SetCursor(crHourGlass);
    return kEditOpened;
}

void TQxImage::MakeWork24Bit() {
    if (!FEditing || !FWorkImage) throw EAssertionFailed("TQxImage.MakeWork24Bit: no edit is open");
    FSavedPixelFormat = FWorkImage->PixelFormat();
    if (FSavedPixelFormat != dibPf24Bit) FWorkImage->SetPixelFormat(dibPf24Bit);
}

void TQxImage::EndEdit(bool restoreFormat, bool writeBack24Bit) {
    if (!FEditing) return;
    TScopeExit close([this] {
        FWorkImage.reset();
        FEditing = false;
        SetCursor(FSavedCursor);
        UpdateView();
    });
    try {
        SettleUndoStep();
    } catch (const std::exception&) {
        // No edit without its undo step: the result is dropped and the
        // picture stays as it was.
        FEditFailure = std::current_exception();
        throw;
    }
    if (!FWorkImage) return;
    TDibImage& work = *FWorkImage;
    if (FSelected && FSelectionOnly) {
        TBitmap whole(*FBitmap);
        if (writeBack24Bit) whole.SetPixelFormat(pf24bit);
        TBitmap result;
        result.Assign(work);
        const TRect sel = SelectionRect();
        int left = sel.Left, top = sel.Top;
        int width = sel.Width(), height = sel.Height();
        // A result larger than the selection is centred on it.
        if (result.Width() > width) {
            left -= (result.Width() - width) / 2;
            width = result.Width();
        }
        if (result.Height() > height) {
            top -= (result.Height() - height) / 2;
            height = result.Height();
        }
        whole.Canvas().BlockCopy(left, top, result, 0, 0, width, height);
        whole.AssignTo(work);
    }
    if (restoreFormat && FSavedPixelFormat != dibPf24Bit) {
        work.ConvertMode = 1;
        work.SetPixelFormat(FSavedPixelFormat);
    }
    // Assigning marks the picture modified and runs BitmapChanged.
    FBitmap->Assign(work);
}

void TQxImage::DoProgress(int percentDone) {
    if (OnProgress) OnProgress(*this, percentDone);
}

std::function<void(int)> TQxImage::ProgressCallback() {
    return [this](int percentDone) { DoProgress(percentDone); };
}

// --- update lock and view ---------------------------------------------------------

void TQxImage::BeginUpdate() { ++FUpdateLock; }

void TQxImage::EndUpdate() {
    if (FUpdateLock > 0) --FUpdateLock;
    if (FUpdateLock == 0 && Visible) {
        UpdateView();
        Invalidate();
    }
}

void TQxImage::Invalidate() {
    if (Visible && OnInvalidate) OnInvalidate(*this);
}

void TQxImage::UpdateView() {
    if (Visible && OnUpdateView) OnUpdateView(*this);
}

void TQxImage::SetCursor(int cursor) {
    if (cursor == FCursor) return;
    FCursor = cursor;
    if (OnCursorChange) OnCursorChange(*this);
}

// --- selection ------------------------------------------------------------------------

void TQxImage::SetSelectionCorners(TPoint start, TPoint end, bool selected) {
    FSelStart = start;
    FSelEnd = end;
    FSelected = selected;
}

TRect TQxImage::SelectionRect() const {
    if (!FSelected) return TRect{};
    return Normalised(FSelStart, FSelEnd);
}

void TQxImage::SetSelectionRect(const TRect& rect) {
    const TRect r = Normalised(TPoint{rect.Left, rect.Top}, TPoint{rect.Right, rect.Bottom});
    if (r == TRect{}) {
        ClearSelection();
        return;
    }
    SetSelectionCorners(TPoint{r.Left, r.Top}, TPoint{r.Right, r.Bottom}, true);
}

void TQxImage::ClearSelection() { SetSelectionCorners(TPoint{}, TPoint{}, false); }

// --- files ---------------------------------------------------------------------------

bool TQxImage::LoadDocumentFile(const std::filesystem::path& path, bool gifMode, std::string* failure) {
    if (failure) failure->clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return false;
    if (const TPictureFormat* format = FindPictureFormat(DispatchExtension(path)); format && format->IconSource)
        return LoadDocumentIcon(path, 0, failure);

    TDibImage picture;
    TPictureFileInfo info;
    try {
        if (!ReadDocumentPicture(path, gifMode, picture, info)) return false;
    } catch (const EDecoderFailed& e) {
        // A plug-in's decoder process crashed or was stopped; the previous
        // picture stays, and the reason, on a line of its own after the
        // message, is worth telling.
        if (failure) *failure = std::string(e.what()) + "\n" + e.Detail();
        return false;
    } catch (const std::exception& e) {
        // The reader failed; the previous picture stays.
        if (failure) *failure = e.what();
        return false;
    }
    SaveTransparent = info.Transparent;
    SaveProgressive = info.Progressive;
    if (info.HasTransparentIndex) TransparentIndex = info.TransparentIndex;
    if (info.ColorKeyed >= 0) ColorKeyed = info.ColorKeyed != 0;
    if (AutoOrient && info.Metadata.Orientation != 1) picture = OrientPicture(picture, info.Metadata.Orientation);
    FBitmap->Assign(picture);
    ResetAfterLoad();
    FMetadata = std::move(info.Metadata);
    return true;
}

void TQxImage::ResetAfterLoad() {
    FBitmap->SetModified(false);
    ClearUndo();
    ClearSelection();
    FScrollPos = TPoint{};
    BitmapChanged();
}

bool TQxImage::LoadDocumentIcon(const std::filesystem::path& path, int index, std::string* failure) {
    return AdoptReadPicture(
        [&](TDibImage& picture) {
            TAdvancedIcon icon;
            if (!icon.LoadFromFile(path)) return false;
            const TIconImage* image = icon.Images(index);
            if (!image) return false;
            picture = RenderIconPicture(*image);
            return true;
        },
        failure);
}

bool TQxImage::AdoptReadPicture(const std::function<bool(TDibImage&)>& read, std::string* failure) {
    if (failure) failure->clear();
    TDibImage picture;
    try {
        if (!read(picture)) return false;
    } catch (const std::exception& e) {
        if (failure) *failure = e.what();
        return false;
    }
    SaveTransparent = false;
    SaveProgressive = false;
    FBitmap->Assign(picture);
    ResetAfterLoad();
    FMetadata = TPictureMetadata{};
    return true;
}

bool TQxImage::SaveDocumentFile(const std::filesystem::path& path, bool gifMode, std::string* failure) {
    if (failure) failure->clear();
    bool colorKeyed = ColorKeyed;
    std::string message;
    if (!WritePicture(path, gifMode, message, colorKeyed)) {
        if (!message.empty()) SetModified(true);
        if (failure) *failure = message;
        return false;
    }
    ColorKeyed = colorKeyed;
    SetModified(false);
    return true;
}

// --- bracket guard ---------------------------------------------------------------------

TEditBracket::TEditBracket(TQxImage& doc, bool selectionOnly, bool restoreFormat, bool writeBack24Bit)
    : doc_(doc),
      result_(doc.Empty() ? kEditFailed : doc.BeginEdit(selectionOnly)),
      restoreFormat_(restoreFormat),
      writeBack24Bit_(writeBack24Bit),
      uncaught_(std::uncaught_exceptions()) {
    // Doing nothing here would report an edit as done that never ran.
    if (result_ == kEditFailed && !doc.Empty() && doc.EditFailure()) std::rethrow_exception(doc.EditFailure());
}

TEditBracket::~TEditBracket() noexcept(false) {
    if (result_ != kEditOpened || closed_) return;
    closed_ = true;
    if (std::uncaught_exceptions() > uncaught_) {
        try {
            doc_.EndEdit(restoreFormat_, writeBack24Bit_);
        } catch (const std::exception&) {
            // The operation's own failure is on its way to the caller and is
            // the one to report; EndEdit has left the document idle.
        }
        return;
    }
    doc_.EndEdit(restoreFormat_, writeBack24Bit_);
}

void TEditBracket::Close() {
    if (result_ != kEditOpened || closed_) return;
    closed_ = true;
    doc_.EndEdit(restoreFormat_, writeBack24Bit_);
}

}  // namespace zelvo
