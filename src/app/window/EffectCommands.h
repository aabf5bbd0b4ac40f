#pragma once
// The effect-menu commands that are more than a row of the command table:
// the block, blind and custom-filter dialogs, and the spotlight, whose dialog opens on a
// point picked in the picture.

namespace zelvo {

class TZVfrmMain;

/// The spotlight command: nothing without a picture; otherwise every
/// picture command is disabled and the view waits for a click in the
/// picture (SpotLightPicking() is then true).
void SpotLightClick(TZVfrmMain& form);
bool SpotLightPicking(const TZVfrmMain& form);
/// The picked point (picture coordinates): the commands come back and the
/// spotlight dialog opens around (x, y), naming the undo step
/// "スポットライト".
void SpotLightPointSelected(TZVfrmMain& form, int x, int y);

/// The block, blind and custom-filter dialogs, each recording its row's
/// undo caption; nothing without a picture.
void BlockClick(TZVfrmMain& form);
void BlindClick(TZVfrmMain& form);
void CustomFilterClick(TZVfrmMain& form);

}  // namespace zelvo
