#pragma once
// The main window's settings: section "Settings" and the toolbar sections
// of Zelvo.ini. Other windows keep their own sections in the same file
// through TIniFile (see SettingsPath()); a section the main window owns is
// added to the table in Settings.cpp.

#include <QString>

#include <filesystem>

namespace zelvo {

class TIniFile;
class TZVfrmMain;

/// The settings file every window reads and writes: SettingsFilePath()
/// unless SetSettingsPath() chose another (tests do).
std::filesystem::path SettingsPath();
void SetSettingsPath(const std::filesystem::path& path);

/// Reads the main window's sections in their order: "Settings" (the
/// window bounds only without -DEFPOS), then the owned sections added to
/// the table, then the toolbar layout; finally the toolbar check marks
/// follow the toolbars.
void ReadSettings(TZVfrmMain& form, const TIniFile& ini);
/// Writes them back: the bounds only when the window is in the normal
/// state (not maximised, minimised or full screen); GIFMode never.
void WriteSettings(TZVfrmMain& form, TIniFile& ini);

/// Opens SettingsPath(), reads, and closes it again.
void ReadSettings(TZVfrmMain& form);
/// Opens SettingsPath(), writes and saves it; false when it could not be
/// written (the settings are then lost silently, as a read-only folder
/// would have it).
bool WriteSettings(TZVfrmMain& form);

/// [Settings] Language of SettingsPath(): "auto" (the desktop's language,
/// also when missing), "ja", "en" or another catalogue's code. Read before
/// the first window, since the captions depend on it; the editor never
/// writes it.
QString LanguageSetting();

}  // namespace zelvo
