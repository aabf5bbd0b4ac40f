#include "app/common/Settings.h"

#include <QApplication>
#include <QToolBar>

#include <optional>

#include "app/common/ThreadSettings.h"
#include "app/dialogs/EffectSettings.h"
#include "app/common/FileFilters.h"
#include "app/common/ToolbarLayout.h"
#include "app/window/RecoveryScheduler.h"
#include "app/window/ZVfrmMain.h"
#include "app/window/ZVStatusBar.h"
#include "document/QxImage.h"
#include "platform/DecoderSettings.h"
#include "platform/IniFile.h"

namespace zelvo {

namespace {

std::optional<std::filesystem::path>& OverridePath() {
    static std::optional<std::filesystem::path> path;
    return path;
}

constexpr const char* kSettings = "Settings";
// Window coordinates and sizes the X protocol can carry (16 bits, signed).
constexpr int kMaxWindowCoordinate = 32767;

void ReadMainSection(TZVfrmMain& form, const TIniFile& ini) {
    if (!form.Options.FDefPos) {
        const int left = ini.ReadIntegerIn(kSettings, "Left", 10, -kMaxWindowCoordinate, kMaxWindowCoordinate);
        const int top = ini.ReadIntegerIn(kSettings, "Top", 10, -kMaxWindowCoordinate, kMaxWindowCoordinate);
        const int width = ini.ReadIntegerIn(kSettings, "Width", 550, 1, kMaxWindowCoordinate);
        const int height = ini.ReadIntegerIn(kSettings, "Height", 450, 1, kMaxWindowCoordinate);
        form.move(left, top);
        form.resize(width, height);
    }
    form.SetBackgroundColor(ini.ReadColor(kSettings, "BackgroundColor", clBtnShadow));
    form.SetUndoBuffer(ini.ReadIntegerIn(kSettings, "UndoBuffer", 16, 1, kMaxUndoBuffer));
    form.Options.FCaptureWait = ini.ReadByte(kSettings, "CaptureWait", 200);
    form.Options.FJpegQuality = ini.ReadByteIn(kSettings, "JpegQuality", 80, 1, 100);
    form.SetStatusBarShown(ini.ReadBool(kSettings, "StatusBar", true));
    form.Options.FUseSusiePlugin = ini.ReadBool(kSettings, "UseSusiePlugin", true);
    ApplyDecoderSettings(ini);
    form.Options.FGIFMode = ini.ReadBool(kSettings, "GIFMode", false);
    // A path longer than a read can hold would name another folder.
    form.Options.FLastDirectory = QString::fromStdString(
        ini.ReadStringIn(kSettings, "LastDirectory", QCoreApplication::applicationDirPath().toStdString(),
                         TIniFile::kMaxStringLength));
    // An entry of the save dialog's type list: the GIF entry only in GIF mode.
    const int saveTypes = int(SaveDialogSuffixes(form.Options.FGIFMode).size());
    form.Options.FSaveFileExt = ini.ReadIntegerIn(kSettings, "SaveFileExt", 0, 0, saveTypes - 1);
    form.Options.FOpenPreview = ini.ReadBool(kSettings, "OpenPreview", true);
    form.Options.FUseExifOrientation = ini.ReadBool(kSettings, "UseExifOrientation", true);
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
    ini.WriteBool(kSettings, "UseExifOrientation", form.Options.FUseExifOrientation);
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
    {[](TZVfrmMain& form, const TIniFile& ini) { ReadEffectsSection(form, ini); },
     [](TZVfrmMain& form, TIniFile& ini) { WriteEffectsSection(form, ini); }},
    {ReadThreadsSetting, WriteThreadsSetting},
    {ReadRecoverySetting, WriteRecoverySetting},
    {ReadToolbars, WriteToolbars},
};

}  // namespace

std::filesystem::path SettingsPath() { return OverridePath().value_or(SettingsFilePath()); }

void SetSettingsPath(const std::filesystem::path& path) { OverridePath() = path; }

QString LanguageSetting() {
    return QString::fromStdString(TIniFile(SettingsPath()).ReadStringIn(kSettings, "Language", "auto", 16));
}

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
