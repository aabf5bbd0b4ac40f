#pragma once
// TEditorContext: what the dialogs and the folder, slide-show, thumbnail
// and device rooms need of the editor, instead of the whole main window:
// the document, the remembered effect parameters, the options (GIF mode
// among them) and the file filters, the busy bracket that records an undo
// step, and the error box. The main window implements it.

#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "image/Types.h"

class QMainWindow;
class QWidget;

namespace zelvo {

class TQxImage;
struct TEffectSettings;

/// The options the settings file (section "Settings") and the command line
/// give; the save path and the dialogs read them.
struct TMainOptions {
    bool FGIFMode = false;
    bool FUseSusiePlugin = true;
    std::uint8_t FCaptureWait = 200;
    std::uint8_t FJpegQuality = 80;  ///< 1..100, for JPEG saves
    bool FDefPos = false;            ///< -DEFPOS: the stored window bounds stay unused
    QString FLastDirectory;          ///< the open dialog's initial folder
    int FSaveFileExt = 0;            ///< the save dialog's filter index
    bool FOpenPreview = true;
    int FUndoBuffer = 16;  ///< undo depth from the settings
    bool FUseExifOrientation = true;  ///< open JPEGs turned by their EXIF orientation
};

/// The open and save filters, built once when the window starts.
struct TMainFilters {
    QStringList FPatternList;      ///< one pattern string per open filter entry
    QStringList FDescriptionList;  ///< one description per open filter entry
    QString FAllPatterns;
    QString FOpenFilter;  ///< the open dialog's filter, "description|patterns|..."
    QString FSaveFilter;  ///< the save dialog's filter
};

class TEditorContext {
public:
    virtual ~TEditorContext() = default;

    TMainOptions Options;
    TMainFilters Filters;
    /// The thumbnail browser, once its room made it (null again when it
    /// is gone); the editor keeps at most one.
    QPointer<QMainWindow> ThumbnailBrowser;
    /// Opens the slide-show dialog preset to a folder; set by the slide
    /// show. Without it a folder is refused.
    std::function<void(const QString& folder)> OpenSlideShowFolder;

    /// The window dialogs and tool windows are parented to.
    virtual QWidget& Window() = 0;
    /// The open document (empty when no picture is open).
    virtual TQxImage& QxImage1() = 0;
    /// True when no picture is open.
    virtual bool ImageEmpty() const = 0;
    /// The remembered effect parameters (section "Effects").
    virtual TEffectSettings& Effects() = 0;
    /// The view's background colour, which previews share.
    virtual TColor BackgroundColor() const = 0;
    /// The busy bracket (hourglass, window disabled, progress bar) around
    /// `operation`, which returns whether it changed the picture; then
    /// `caption` names the step in the undo history. `afterBusy` runs once
    /// the bracket is closed, before an exception's message is shown.
    /// Returns whether the operation ran and changed the picture.
    virtual bool RunBusy(const std::string& caption, const std::function<bool()>& operation,
                         const std::function<void()>& afterBusy = {}) = 0;
    /// Records a change made outside RunBusy as the undo step `caption`.
    virtual void PushHistory(const std::string& caption) = 0;
    /// Opens `path` (a picture, or a folder for the slide show). With
    /// `newWindow` a second instance opens it instead. True when handled;
    /// `loaded`, when given, tells whether a picture was really placed
    /// (false after a cancelled save question or a failed read).
    virtual bool LoadImageFile(const QString& path, bool newWindow, bool* loaded = nullptr) = 0;
    /// Shows an exception's message in a box captioned with the title.
    virtual void ShowError(const std::exception& error) = 0;
    /// Asks whether a modified picture is to be saved; false cancels the
    /// pending action.
    virtual bool AskSaveModified() = 0;
    /// Tool mode: a tool window (apply/cancel, text insertion) is open.
    virtual bool ToolMode() const = 0;
    /// Re-evaluates which commands the picture enables.
    virtual void UpdateCommandState() = 0;
    /// After a picture made in place of the open one (a new or captured
    /// picture): no file name, title, commands and view brought up to date.
    virtual void PictureReplaced() = 0;

protected:
    TEditorContext() = default;
    TEditorContext(const TEditorContext&) = delete;
    TEditorContext& operator=(const TEditorContext&) = delete;
};

}  // namespace zelvo
