// View commands: zoom pop-up and its shortcuts (its check mark follows
// every zoom change, Ctrl + wheel included), redisplay, toolbars, status
// bar, background colour and the colour-depth pop-up.

#include <QAction>
#include <QColorDialog>
#include <QCursor>
#include <QMenu>
#include <QToolBar>

#include "app/window/ZVfrmMain.h"
#include "app/window/ZVStatusBar.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {

void InstallViewCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    for (QAction* item : form.Actions.ZoomItems)
        QObject::connect(item, &QAction::triggered, f, [f, item] { f->ZoomMenuClick(item->data().toInt()); });
    // A zoom set by Ctrl + wheel moves the menu's check mark along; a zoom
    // that is no item of the menu (a fitted one) checks none.
    QObject::connect(&form.View(), &TQxImageView::ZoomChanged, f, [f](int zoomPercent) {
        for (QAction* item : f->Actions.ZoomItems)
            if (item != f->Actions.mnuZoomFit) item->setChecked(item->data().toInt() == zoomPercent);
    });
    QObject::connect(form.Actions.mnuZoom, &QAction::triggered, f, [f] { f->ZoomMenu->popup(QCursor::pos()); });
    QObject::connect(form.Actions.mnuColorBit, &QAction::triggered, f, [f] { f->PopupMenu1->popup(QCursor::pos()); });
    QObject::connect(form.Actions.N14, &QAction::triggered, f, [f] { f->Actions.mnuZoom100->trigger(); });
    QObject::connect(form.Actions.N22, &QAction::triggered, f, [f] { f->Actions.mnuZoomFit->trigger(); });
    QObject::connect(form.Actions.mnuRefresh, &QAction::triggered, f, [f] { f->View().viewport()->update(); });
    QObject::connect(form.Actions.mnuShowStatusBar, &QAction::toggled, f, [f](bool shown) {
        f->StatusBar1->setVisible(shown);
    });
    QObject::connect(form.Actions.mnuBackgroundColor, &QAction::triggered, f, [f] {
        const TColor rgb = ColorToRGB(f->BackgroundColor());
        const QColor initial(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
        const QColor chosen = QColorDialog::getColor(initial, f, QString(), QColorDialog::DontUseNativeDialog);
        if (!chosen.isValid()) return;
        f->SetBackgroundColor(RGB(std::uint8_t(chosen.red()), std::uint8_t(chosen.green()),
                                  std::uint8_t(chosen.blue())));
    });
}

}  // namespace zelvo
