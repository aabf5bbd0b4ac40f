#pragma once
// The about box: modeless, one instance at a time, freed when closed.

class QWidget;

namespace zelvo {

/// Shows the about box over `owner`, creating it when none is open.
/// Returns the box.
QWidget* ShowAboutBox(QWidget* owner);

}  // namespace zelvo
