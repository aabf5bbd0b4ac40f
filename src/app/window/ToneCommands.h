#pragma once
// The single-colour scale of the colour menu; the other tone and colour
// commands are rows of the command table.

#include <functional>
#include <optional>

#include "image/Types.h"

namespace zelvo {

class TZVfrmMain;

/// The single-colour scale's colour choice: the standard colour dialog
/// preset with `initial`; nothing when cancelled. Tests replace it.
std::function<std::optional<TColor>(TZVfrmMain& form, TColor initial)>& SingleColorDialog();

/// The single-colour scale command: asks for the colour, remembers it and
/// runs the operation as an immediate command.
void SingleColorScaleClick(TZVfrmMain& form);

}  // namespace zelvo
