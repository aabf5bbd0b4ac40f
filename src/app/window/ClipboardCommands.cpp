// The clipboard commands of the edit menu: copy, paste, cut and erase.
// Enabling paste, merge-paste and clear-clipboard follows the clipboard's
// change notification (TZVfrmMain::ClipboardChanged); cut and erase follow
// the selection.

#include <QFileInfo>
#include <QGuiApplication>

#include "app/window/CommandHandlers.h"
#include "app/window/CommandTable.h"
#include "app/common/FileFilters.h"
#include "app/window/GeometryCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/Clipboard.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

// The hourglass for as long as a command runs, also when it throws.
struct TWaitCursor {
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

}  // namespace

void CopyClick(TZVfrmMain& form) {
    if (form.ImageEmpty()) return;
    const TWaitCursor wait;
    try {
        form.QxImage1().CopyToClipboard();
    } catch (const std::exception& error) {
        form.ShowError(error);
    }
}

QString ClipboardPictureFile(const TZVfrmMain& form) {
    const TClipboard* clipboard = InstalledClipboard();
    if (!clipboard) return {};
    for (const std::filesystem::path& path : clipboard->GetFiles()) {
        const QString name = QString::fromStdString(path.string());
        const QFileInfo info(name);
        if (info.isFile() && info.isReadable() && MatchesPatternEntry(form.Filters.FPatternList, 0, name))
            return name;
    }
    return {};
}

bool ClipboardCanPaste(const TZVfrmMain& form) {
    return form.ClipboardHasBitmap() || !ClipboardPictureFile(form).isEmpty();
}

void PasteClick(TZVfrmMain& form) {
    if (!form.ClipboardHasBitmap()) {
        // A file copied in a file manager opens like a dropped file.
        if (const QString file = ClipboardPictureFile(form); !file.isEmpty()) {
            form.LoadImageFile(file, false);
            form.Options.FLastDirectory = QFileInfo(file).absolutePath();
            return;
        }
    }
    TQxImage& doc = form.QxImage1();
    const TWaitCursor wait;
    doc.BeginUpdate();
    bool pasted = false;
    try {
        if (doc.Zoom() > 1000) form.View().SetZoom(1000);
        pasted = doc.PasteFromClipboard();
    } catch (const std::exception& error) {
        doc.EndUpdate();
        form.UpdateCommandState();
        form.ShowError(error);
        return;
    }
    // A paste that found nothing to paste took no undo step to name.
    if (pasted) form.PushHistory(UndoCaption(&TMainActions::mnuPaste));
    form.UpdateCommandState();
    doc.EndUpdate();
}

void CutClick(TZVfrmMain& form) {
    if (form.ImageEmpty() || !form.QxImage1().HasSelection()) return;
    form.RunImmediate(UndoCaption(&TMainActions::mnuCut), [&form] { form.QxImage1().CutToClipboard(); });
}

void DeleteClick(TZVfrmMain& form) {
    if (form.ImageEmpty() || !form.QxImage1().HasSelection()) return;
    form.RunImmediate(UndoCaption(&TMainActions::mnuDelete), [&form] { form.QxImage1().DeleteSelection(); });
}

}  // namespace zelvo
