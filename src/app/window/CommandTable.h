#pragma once
// The main window's command table: which commands are wired to their
// operation and which wait for it. See CommandTable.cpp.

#include <string>

class QAction;

namespace zelvo {

class TZVfrmMain;

/// Wires a family of commands: connects each action's triggered() to its
/// handler. Called once per window, after the window has been built.
using TCommandInstaller = void (*)(TZVfrmMain& form);

/// Runs every installer of the table once and disables the commands that
/// are still waiting for their operation.
void InstallCommands(TZVfrmMain& form);

/// True when the table wires `action` (actions not in the table, such as
/// history entries and toolbar check items, count as wired).
bool IsCommandWired(const QAction* action);

/// Marks a command wired or waiting; the table does this for its rows, and
/// tests use it to see the states the window asks for.
void SetCommandWired(QAction* action, bool wired);

/// Enables `action` when `enabled` and the command is wired; a waiting
/// command always stays disabled.
void SetCommandEnabled(QAction* action, bool enabled);

/// One row per command, for tests and the about box: the action's object
/// name and what it waits for (nullptr when wired).
struct TCommandStatus {
    std::string Name;
    const char* WaitingFor;
};
/// Every row of the table of `form`, in table order.
int CommandCount();
TCommandStatus CommandStatusAt(TZVfrmMain& form, int index);

}  // namespace zelvo
