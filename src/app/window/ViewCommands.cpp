// View commands: zoom pop-up and its shortcuts, redisplay, toolbars, status
// bar, background colour and the colour-depth pop-up.

#include <QAction>
#include <QColorDialog>
#include <QCursor>
#include <QMenu>
#include <QToolBar>

#include "app/window/ZVfrmMain.h"
#include "app/window/ZVStatusBar.h"
#include "document/QxImage.h"
#include "document/QxImageView.h"

namespace zelvo {

void InstallViewCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    for (QAction* item : form.ZoomItems)
        QObject::connect(item, &QAction::triggered, f, [f, item] { f->ZoomMenuClick(item->data().toInt()); });
    QObject::connect(form.mnuZoom, &QAction::triggered, f, [f] { f->ZoomMenu->popup(QCursor::pos()); });
    QObject::connect(form.mnuColorBit, &QAction::triggered, f, [f] { f->PopupMenu1->popup(QCursor::pos()); });
    QObject::connect(form.N14, &QAction::triggered, f, [f] { f->mnuZoom100->trigger(); });
    QObject::connect(form.N22, &QAction::triggered, f, [f] { f->mnuZoomFit->trigger(); });
    QObject::connect(form.mnuRefresh, &QAction::triggered, f, [f] { f->View().viewport()->update(); });
    QObject::connect(form.mnuShowStatusBar, &QAction::toggled, f, [f](bool shown) {
        f->StatusBar1->setVisible(shown);
    });
    QObject::connect(form.mnuBackgroundColor, &QAction::triggered, f, [f] {
        const TColor rgb = ColorToRGB(f->BackgroundColor());
        const QColor initial(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
        const QColor chosen = QColorDialog::getColor(initial, f, QString(), QColorDialog::DontUseNativeDialog);
        if (!chosen.isValid()) return;
        f->SetBackgroundColor(RGB(std::uint8_t(chosen.red()), std::uint8_t(chosen.green()),
                                  std::uint8_t(chosen.blue())));
    });
}

}  // namespace zelvo
