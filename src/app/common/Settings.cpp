#include "app/common/Settings.h"

#include <QApplication>
#include <QToolBar>

#include <optional>

#include "app/dialogs/EffectSettings.h"
#include "app/window/ToolbarLayout.h"
#include "app/window/ZVfrmMain.h"
#include "app/window/ZVStatusBar.h"
#include "platform/IniFile.h"

namespace zelvo {

namespace {

std::optional<std::filesystem::path>& OverridePath() {
    static std::optional<std::filesystem::path> path;
    return path;
}

constexpr const char* kSettings = "Settings";

void ReadMainSection(TZVfrmMain& form, const TIniFile& ini) {
    if (!form.Options.FDefPos) {
        const int left = ini.ReadInteger(kSettings, "Left", 10);
        const int top = ini.ReadInteger(kSettings, "Top", 10);
        const int width = ini.ReadInteger(kSettings, "Width", 550);
        const int height = ini.ReadInteger(kSettings, "Height", 450);
        form.move(left, top);
        form.resize(std::max(width, 1), std::max(height, 1));
    }
    form.SetBackgroundColor(ini.ReadColor(kSettings, "BackgroundColor", clBtnShadow));
    form.SetUndoBuffer(ini.ReadInteger(kSettings, "UndoBuffer", 16));
    form.Options.FCaptureWait = ini.ReadByte(kSettings, "CaptureWait", 200);
    form.Options.FJpegQuality = ini.ReadByte(kSettings, "JpegQuality", 80);
    form.SetStatusBarShown(ini.ReadBool(kSettings, "StatusBar", true));
    form.Options.FUseSusiePlugin = ini.ReadBool(kSettings, "UseSusiePlugin", true);
    form.Options.FGIFMode = ini.ReadBool(kSettings, "GIFMode", false);
    form.Options.FLastDirectory = QString::fromStdString(
        ini.ReadString(kSettings, "LastDirectory", QCoreApplication::applicationDirPath().toStdString()));
    form.Options.FSaveFileExt = ini.ReadInteger(kSettings, "SaveFileExt", 0);
    form.Options.FOpenPreview = ini.ReadBool(kSettings, "OpenPreview", true);
}

void WriteMainSection(TZVfrmMain& form, TIniFile& ini) {
    const Qt::WindowStates state = form.windowState();
    if (!(state & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        ini.WriteInteger(kSettings, "Left", form.x());
        ini.WriteInteger(kSettings, "Top", form.y());
        ini.WriteInteger(kSettings, "Width", form.width());
        ini.WriteInteger(kSettings, "Height", form.height());
    }
    ini.WriteColor(kSettings, "BackgroundColor", form.BackgroundColor());
    ini.WriteInteger(kSettings, "JpegQuality", form.Options.FJpegQuality);
    ini.WriteBool(kSettings, "StatusBar", form.StatusBarShown());
    ini.WriteInteger(kSettings, "UndoBuffer", form.Options.FUndoBuffer);
    ini.WriteInteger(kSettings, "CaptureWait", form.Options.FCaptureWait);
    ini.WriteBool(kSettings, "UseSusiePlugin", form.Options.FUseSusiePlugin);
    ini.WriteString(kSettings, "LastDirectory", form.Options.FLastDirectory.toStdString());
    ini.WriteInteger(kSettings, "SaveFileExt", form.Options.FSaveFileExt);
    ini.WriteBool(kSettings, "OpenPreview", form.Options.FOpenPreview);
}

void ReadToolbars(TZVfrmMain& form, const TIniFile& ini) {
    ReadToolbarLayout(form, form.Toolbars(), ini);
}

void WriteToolbars(TZVfrmMain& form, TIniFile& ini) {
    WriteToolbarLayout(form, form.Toolbars(), ini);
}

// The sections the main window owns, read and written in this order. A
// family that owns a further section of the main window (the effect
// parameters, for one) adds its pair of functions here, before the
// toolbars.
struct TOwnedSection {
    void (*Read)(TZVfrmMain&, const TIniFile&);
    void (*Write)(TZVfrmMain&, TIniFile&);
};
const TOwnedSection kOwnedSections[] = {
    {ReadMainSection, WriteMainSection},
    {ReadEffectsSection, WriteEffectsSection},
    {ReadToolbars, WriteToolbars},
};

}  // namespace

std::filesystem::path SettingsPath() { return OverridePath().value_or(SettingsFilePath()); }

void SetSettingsPath(const std::filesystem::path& path) { OverridePath() = path; }

void ReadSettings(TZVfrmMain& form, const TIniFile& ini) {
    for (const TOwnedSection& section : kOwnedSections) section.Read(form, ini);
    // The toolbar sub-menu's items are the toolbars' own toggle actions, so
    // their check marks already follow the toolbars.
}

void WriteSettings(TZVfrmMain& form, TIniFile& ini) {
    for (const TOwnedSection& section : kOwnedSections) section.Write(form, ini);
}

void ReadSettings(TZVfrmMain& form) {
    const TIniFile ini(SettingsPath());
    ReadSettings(form, ini);
}

bool WriteSettings(TZVfrmMain& form) {
    TIniFile ini(SettingsPath());
    WriteSettings(form, ini);
    return ini.UpdateFile();
}

}  // namespace zelvo
