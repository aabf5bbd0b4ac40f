#pragma once
// Toolbar layout in the settings file: one section per toolbar, named after
// the toolbar's object name, with the keys Rev, Visible, DockedTo,
// LastDock, DockRow, DockPos, FloatLeft and FloatTop. The docks are named
// zzDockTop, zzDockBottom, zzDockLeft and zzDockRight and map onto the
// window's four toolbar areas; "+" marks a floating toolbar.

#include <QList>
#include <QString>

class QMainWindow;
class QToolBar;

namespace zelvo {

class TIniFile;

/// The layout revision written; sections with another Rev than 2 or 3 are
/// ignored on reading.
inline constexpr int kToolbarLayoutRev = 3;

/// "zzDockTop" for the top area and so on; empty for no area.
QString DockName(Qt::ToolBarArea area);
/// The area a dock name stands for, or Qt::NoToolBarArea.
Qt::ToolBarArea DockArea(const QString& name);

/// Applies the stored layout of `toolbars` (each needs an object name) to
/// `window`: visibility, then dock, row and order inside the dock, or the
/// floating position. Toolbars without a section keep their place.
/// Throws std::logic_error "Cannot save tool window's position because
/// Name property is not set" for a toolbar without a name.
void ReadToolbarLayout(QMainWindow& window, const QList<QToolBar*>& toolbars, const TIniFile& ini);
/// Writes the layout of `toolbars` (Rev 3). Throws as ReadToolbarLayout.
void WriteToolbarLayout(QMainWindow& window, const QList<QToolBar*>& toolbars, TIniFile& ini);

/// Sets the design place of a toolbar: its row and order inside its area,
/// used when the settings leave it where the window design puts it.
void SetDesignDockPlace(QToolBar* toolbar, int row, int pos);

/// Makes a toolbar float at the screen position (left, top), or docks a
/// floating one back into `area`. Returns false when the window could not
/// apply it.
bool SetToolbarFloating(QMainWindow& window, QToolBar* toolbar, bool floating, int left, int top);

}  // namespace zelvo
