// The command table: the rows of Commands.def as TCommand values, the
// wiring of each row's handler, and the availability of commands.

#include "app/window/CommandTable.h"

#include <QAction>

#include <cstring>
#include <set>
#include <type_traits>

#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmSlide.h"
#include "app/window/CommandHandlers.h"
#include "app/window/EffectCommands.h"
#include "app/window/GeometryCommands.h"
#include "app/window/PictureCommands.h"
#include "app/window/ToneCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

template <auto Method>
void RunMethod(TQxImage& document) {
    (document.*Method)();
}

template <auto Method, auto Argument>
void RunMethodWith(TQxImage& document) {
    (document.*Method)(Argument);
}

using TKind = TCommandHandler::TKind;

// A document method with an argument; the argument, unless a flag, is also
// the action's tag.
template <auto Method, auto Argument>
constexpr TCommandHandler DocumentWith() {
    TCommandHandler h{.Kind = TKind::Document, .Document = &RunMethodWith<Method, Argument>};
    if constexpr (!std::is_same_v<decltype(Argument), bool>) {
        h.Tag = int(Argument);
        h.HasTag = true;
    }
    return h;
}

// The colour-depth change: the transparent-colour pick chose from the old
// palette, so a pick under way starts again on the new one.
constexpr TCommandHandler DepthChange(TCommandHandler h) {
    h.RestartsPick = true;
    return h;
}

#define Immediate(method) TCommandHandler{.Kind = TKind::Document, .Document = &RunMethod<method>}
#define ImmediateArg(method, argument) DocumentWith<method, argument>()
#define Depth(depth) DepthChange(ImmediateArg(&TQxImage::ColorDepth, depth))
#define Preview(type) TCommandHandler{.Kind = TKind::Preview, .PreviewType = TPreviewEffectType::type}
#define Slider(type) TCommandHandler{.Kind = TKind::Slider, .SliderType = TSlideEffectType::type}
#define Call(function) TCommandHandler{.Kind = TKind::Function, .Function = &function}
#define Toggle(function) TCommandHandler{.Kind = TKind::Toggle, .Toggle = &function}
#define Room(installer) TCommandHandler{.Kind = TKind::Room, .Room = &installer}
#define Menu TCommandHandler{}

constexpr TCommand kCommands[] = {
#define ZV_COMMAND(name, caption, shortcut, icon, rules, undo, topic, handler) \
    {&TMainActions::name, #name, caption, shortcut, icon, rules, undo, topic, handler},
#include "app/window/Commands.def"
};

#undef Immediate
#undef ImmediateArg
#undef Depth
#undef Preview
#undef Slider
#undef Call
#undef Toggle
#undef Room
#undef Menu

constexpr TMenuEntry kMenuLayout[] = {
#define ZV_MENU(name, caption) {TMenuEntry::TKind::Menu, #name, caption, nullptr},
#define ZV_SEPARATOR() {TMenuEntry::TKind::Separator, nullptr, nullptr, nullptr},
#define ZV_COMMAND(name, ...) {TMenuEntry::TKind::Command, nullptr, nullptr, &TMainActions::name},
#include "app/window/Commands.def"
};

void Trigger(TZVfrmMain& form, const TCommand& command, bool checked) {
    const TCommandHandler& h = command.Handler;
    if (command.Has(kPicture) && form.ImageEmpty()) return;
    switch (h.Kind) {
        case TKind::Document: {
            const bool picking = h.RestartsPick && form.View().ColorPicking();
            form.RunImmediate(command.Undo, [&form, run = h.Document] { run(form.QxImage1()); });
            if (picking) form.View().StartColorPick();
            break;
        }
        case TKind::Preview: ShowPreviewEffect(form, h.PreviewType); break;
        case TKind::Slider: ShowSlideEffect(form, h.SliderType); break;
        case TKind::Function: h.Function(form); break;
        case TKind::Toggle: h.Toggle(form, checked); break;
        case TKind::Menu:
        case TKind::Room: break;
    }
}

// What some families set up beyond their rows, once per window.
void (*const kSetUps[])(TZVfrmMain&) = {
    SetUpFileDialogs, SetUpTextRenderer, SetUpZoomMenu, SetUpPosterizeButton, SetUpSpotLight, SetUpHelpKey,
};

}  // namespace

std::span<const TCommand> Commands() { return kCommands; }

const TCommand* FindCommand(const char* name) {
    for (const TCommand& command : kCommands)
        if (std::strcmp(command.Name, name) == 0) return &command;
    return nullptr;
}

std::span<const TMenuEntry> MenuLayout() { return kMenuLayout; }

const TCommand* FindCommand(QAction* TMainActions::*action) {
    for (const TCommand& command : kCommands)
        if (command.Action == action) return &command;
    return nullptr;
}

const char* UndoCaption(QAction* TMainActions::*action) {
    const TCommand* command = FindCommand(action);
    return command && command->Undo ? command->Undo : "";
}

void InstallCommands(TZVfrmMain& form) {
    std::set<void (*)(TZVfrmMain&)> rooms;
    TZVfrmMain* f = &form;
    for (const TCommand& command : kCommands) {
        QAction* action = form.Actions.*command.Action;
        switch (command.Handler.Kind) {
            case TKind::Menu: break;
            case TKind::Room:
                if (rooms.insert(command.Handler.Room).second) command.Handler.Room(form);
                break;
            default:
                QObject::connect(action, &QAction::triggered, f,
                                 [f, c = &command](bool checked) { Trigger(*f, *c, checked); });
        }
    }
    for (auto setUp : kSetUps) setUp(form);
}

void SetCommandUnavailable(TZVfrmMain& form, QAction* action) {
    if (!form.Modes.FUnavailable.contains(action)) form.Modes.FUnavailable.append(action);
    action->setEnabled(false);
}

void SetCommandEnabled(QAction* action, bool enabled) {
    if (!action) return;
    // Commands belong to their window; one unavailable there stays off.
    const auto* form = qobject_cast<const TZVfrmMain*>(action->parent());
    action->setEnabled(enabled && !(form && form->Modes.FUnavailable.contains(action)));
}

}  // namespace zelvo
