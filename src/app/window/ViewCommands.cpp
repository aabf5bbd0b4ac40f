// View commands: zoom pop-up and its shortcuts (its check mark follows
// every zoom change, Ctrl + wheel included), redisplay, status bar,
// background colour and the colour-depth pop-up.

#include <QAction>
#include <QColorDialog>
#include <QCursor>
#include <QMenu>

#include "app/window/CommandHandlers.h"
#include "app/window/ZVStatusBar.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {

void SetUpZoomMenu(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    for (QAction* item : form.Actions.ZoomItems)
        QObject::connect(item, &QAction::triggered, f, [f, item] { f->ZoomMenuClick(item->data().toInt()); });
    // A zoom set by Ctrl + wheel moves the menu's check mark along; a zoom
    // that is no item of the menu (a fitted one) checks none.
    QObject::connect(&form.View(), &TQxImageView::ZoomChanged, f, [f](int zoomPercent) {
        for (QAction* item : f->Actions.ZoomItems)
            if (item != f->Actions.mnuZoomFit) item->setChecked(item->data().toInt() == zoomPercent);
    });
}

void ZoomActualClick(TZVfrmMain& form) { form.Actions.mnuZoom100->trigger(); }

void ZoomFitClick(TZVfrmMain& form) { form.Actions.mnuZoomFit->trigger(); }

void RefreshClick(TZVfrmMain& form) { form.View().viewport()->update(); }

void ZoomPopupClick(TZVfrmMain& form) { form.ZoomMenu->popup(QCursor::pos()); }

void ColorBitPopupClick(TZVfrmMain& form) { form.PopupMenu1->popup(QCursor::pos()); }

void ShowStatusBarClick(TZVfrmMain& form, bool shown) { form.StatusBar1->setVisible(shown); }

void BackgroundColorClick(TZVfrmMain& form) {
    const TColor rgb = ColorToRGB(form.BackgroundColor());
    const QColor initial(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
    const QColor chosen = QColorDialog::getColor(initial, &form, QString(), QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid()) return;
    form.SetBackgroundColor(RGB(std::uint8_t(chosen.red()), std::uint8_t(chosen.green()), std::uint8_t(chosen.blue())));
}

}  // namespace zelvo
