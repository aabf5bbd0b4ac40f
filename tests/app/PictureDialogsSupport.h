#pragma once
// Shared by the tests of the picture commands' dialogs: scripting the
// modal dialogs and reading the window's picture.

#include <QDialog>

#include <filesystem>
#include <functional>
#include <utility>

#include "app/window/PictureCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "image/DibImage.h"
#include "TestSupport.h"

namespace zelvo::test {

/// Runs the picture commands' dialogs through `script` instead of exec()
/// for the life of the object.
class TScriptedDialogs {
public:
    explicit TScriptedDialogs(std::function<int(QDialog&)> script) : FSaved(PictureDialogExec()) {
        PictureDialogExec() = std::move(script);
    }
    ~TScriptedDialogs() { PictureDialogExec() = FSaved; }
    TScriptedDialogs(const TScriptedDialogs&) = delete;
    TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

private:
    std::function<int(QDialog&)> FSaved;
};

/// The textures shipped in the repository (resources/textures).
inline std::filesystem::path ShippedTextureFolder() {
    return (TestDataDir() / ".." / ".." / "resources" / "textures").lexically_normal();
}

/// A copy of the window's picture.
inline TDibImage Picture(TZVfrmMain& form) { return form.QxImage1().Bitmap().ToDibImage(); }

}  // namespace zelvo::test
