#pragma once
// The commands of the colour menu that run the tone and colour mappings,
// and the effect dialogs of their parameters.

#include <functional>
#include <optional>

#include "image/Types.h"

namespace zelvo {

class TZVfrmMain;

/// Wires the colour-menu commands and the posterize button's drop-down
/// entry.
void InstallToneCommands(TZVfrmMain& form);

/// The single-colour scale's colour choice: the standard colour dialog
/// preset with `initial`; nothing when cancelled. Tests replace it.
std::function<std::optional<TColor>(TZVfrmMain& form, TColor initial)>& SingleColorDialog();

/// The single-colour scale command: asks for the colour, remembers it and
/// runs the operation as an immediate command.
void SingleColorScaleClick(TZVfrmMain& form);

}  // namespace zelvo
