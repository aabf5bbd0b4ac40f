#pragma once
// The main window's command table: one row per command, stated in
// Commands.def. The window creates its actions from the rows
// (CreateActions), InstallCommands wires them, and EnableChange and
// UpdateCommandState enable them by the rows' rules.

#include <span>

#include "app/dialogs/EffectTypes.h"
#include "app/window/MainActions.h"

class QAction;

namespace zelvo {

class TQxImage;
class TZVfrmMain;

/// When a command is enabled and what it is; a row's rules combine.
enum TCommandRule : unsigned {
    kPicture = 1u << 0,    ///< does nothing without a picture
    kToolOff = 1u << 1,    ///< disabled while a tool window owns the picture
    k24Bit = 1u << 2,      ///< enabled only for a 24-bit picture
    kSelection = 1u << 3,  ///< enabled only with a selection
    kCheck = 1u << 4,      ///< a check item
    kSubItem = 1u << 5,    ///< in the sub-menu of the nearest Menu row above
    kHidden = 1u << 6,     ///< on no menu, its shortcut live in the window
};

/// What a command runs when triggered.
struct TCommandHandler {
    enum class TKind {
        Menu,      ///< a sub-menu or pop-up parent: nothing
        Document,  ///< a document method, as one undo step (RunImmediate)
        Preview,   ///< the preview dialog of PreviewType
        Slider,    ///< the one-slider dialog of SliderType
        Function,  ///< Function(form)
        Toggle,    ///< Toggle(form, checked), for check items
        Room,      ///< wired by Room(form), the installer of its room
    };
    TKind Kind = TKind::Menu;
    void (*Document)(TQxImage& document) = nullptr;
    TPreviewEffectType PreviewType{};
    TSlideEffectType SliderType{};
    void (*Function)(TZVfrmMain& form) = nullptr;
    void (*Toggle)(TZVfrmMain& form, bool checked) = nullptr;
    void (*Room)(TZVfrmMain& form) = nullptr;
    /// The action's data() (the rank of a rank extraction, the bit count of
    /// a colour depth) when HasTag.
    int Tag = 0;
    bool HasTag = false;
    /// A colour pick under way starts again after the command (a depth
    /// change gives the picture a new palette).
    bool RestartsPick = false;
};

/// One entry of the menus as Commands.def lays them out.
struct TMenuEntry {
    enum class TKind { Menu, Separator, Command };
    TKind Kind;
    const char* Name;                    ///< the menu's object name (Menu)
    const char* Caption;                 ///< the menu's caption; nullptr: off the menu bar
    QAction* TMainActions::*Action;      ///< the command (Command)
};

/// One command: a row of Commands.def.
struct TCommand {
    QAction* TMainActions::*Action;
    const char* Name;      ///< the QAction's object name
    const char* Caption;   ///< menu text with accelerator, UTF-8
    const char* Shortcut;  ///< key sequence or nullptr
    const char* Icon;      ///< picture under :/icons or nullptr
    unsigned Rules;        ///< TCommandRule flags
    const char* Undo;      ///< undo caption the command records, or nullptr
    int Topic;             ///< help topic of its page, 0 for none
    TCommandHandler Handler;
    bool Has(TCommandRule rule) const { return (Rules & rule) != 0; }
};

/// Every command, in menu order.
std::span<const TCommand> Commands();
/// The menus, their separators and commands, in order.
std::span<const TMenuEntry> MenuLayout();
/// The row of the command of `action`, or nullptr.
const TCommand* FindCommand(QAction* TMainActions::*action);
/// The row of `name`, or nullptr.
const TCommand* FindCommand(const char* name);

/// The undo caption of the command of `action` (its row's Undo, "" when
/// it records none).
const char* UndoCaption(QAction* TMainActions::*action);

/// Wires every command of `form` to its handler and runs each room's
/// installer once. Called once per window, after the window has been built.
void InstallCommands(TZVfrmMain& form);

/// Marks a command unavailable on this system (for example screen capture
/// without X11): it then stays disabled whatever enables the others.
void SetCommandUnavailable(TZVfrmMain& form, QAction* action);

/// Enables `action` when `enabled` and the command is available.
void SetCommandEnabled(QAction* action, bool enabled);

}  // namespace zelvo
