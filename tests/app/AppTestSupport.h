#pragma once
// Shared set-up of the main-window tests: one application object for the
// process, a private settings file, and small pictures.

#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>

#include "app/window/ZVfrmMain.h"

namespace zelvo::test {

/// The temporary folder of this test run (settings, saved pictures).
std::filesystem::path AppTestDir();
/// Writes `text` as the settings file the next window reads.
void WriteSettingsText(const std::string& text);
/// The settings file's contents.
std::string ReadSettingsText();
/// A main window built with `arguments`, dialogs scripted to cancel.
std::unique_ptr<TZVfrmMain> MakeWindow(const QStringList& arguments = {});
/// Writes a small 24-bit (or 8-bit) BMP file and returns its path.
QString WriteSampleBmp(const std::string& name, int width, int height, int bitCount = 24);
/// A window with default settings showing a fresh sample picture.
std::unique_ptr<TZVfrmMain> WindowWithSample(int width, int height, const std::string& name, int bitCount = 24);
/// The captions of the undo drop-down list, newest first.
QStringList UndoCaptions(TZVfrmMain& form);

}  // namespace zelvo::test
