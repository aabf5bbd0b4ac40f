#include "platform/Clipboard.h"

namespace zelvo {

namespace {
// One clipboard for the process, set by the program's entry point (the
// main window or the command line) on the one thread that edits documents.
TClipboard* gInstalled = nullptr;
}  // namespace

TClipboard* InstalledClipboard() { return gInstalled; }

TClipboard* InstallClipboard(TClipboard* clipboard) {
    TClipboard* previous = gInstalled;
    gInstalled = clipboard;
    return previous;
}

}  // namespace zelvo
