#pragma once
// The main window's state that the command files share, in three groups:
// the options (section "Settings" and the command line), the open and save
// filter lists, and the modes that tool windows and pending commands put
// the window in.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>

namespace zelvo {

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

/// The modes the window can be in besides plain editing.
struct TMainModes {
    bool FMergePastePending = false;
    /// Tool windows whose existence puts the window into tool mode.
    QPointer<QWidget> FApplyCancelWindow;
    QPointer<QWidget> FTextOutWindow;
    bool FSlideShowMode = false;
};

}  // namespace zelvo
