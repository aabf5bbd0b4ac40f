#include "app/common/Settings.h"

#include <QApplication>
#include <QToolBar>

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

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
#include "platform/IniKeys.h"

namespace zelvo {

namespace {

std::optional<std::filesystem::path>& OverridePath() {
    static std::optional<std::filesystem::path> path;
    return path;
}

constexpr const char* kSettings = "Settings";
// Window coordinates and sizes the X protocol can carry (16 bits, signed).
constexpr int kMaxWindowCoordinate = 32767;

// The keys of [Settings] the main window owns, as the file holds them.
// GIFMode is only read: it is set by hand in the file, and the editor never
// writes it.
struct TMainSection {
    bool Geometry = true;  ///< the window bounds are read (not -DEFPOS) or written (a normal window)
    int SaveTypes = 1;     ///< entries of the save dialog's type list
    int Left = 10;
    int Top = 10;
    int Width = 550;
    int Height = 450;
    TColor BackgroundColor = clBtnShadow;
    std::uint8_t JpegQuality = 80;
    bool StatusBar = true;
    int UndoBuffer = 16;
    std::uint8_t CaptureWait = 200;
    bool UseSusiePlugin = true;
    std::string LastDirectory;
    int SaveFileExt = 0;
    bool OpenPreview = true;
    bool UseExifOrientation = true;
};

template <class Section, class Visit>
    requires std::same_as<std::remove_const_t<Section>, TMainSection>
void EachKey(Section& s, Visit&& visit) {
    if (s.Geometry) {
        visit(IntKey("Left", s.Left, -kMaxWindowCoordinate, kMaxWindowCoordinate));
        visit(IntKey("Top", s.Top, -kMaxWindowCoordinate, kMaxWindowCoordinate));
        visit(IntKey("Width", s.Width, 1, kMaxWindowCoordinate));
        visit(IntKey("Height", s.Height, 1, kMaxWindowCoordinate));
    }
    visit(ColorKey("BackgroundColor", s.BackgroundColor));
    visit(ByteKey("JpegQuality", s.JpegQuality, 1, 100));
    visit(BoolKey("StatusBar", s.StatusBar));
    visit(IntKey("UndoBuffer", s.UndoBuffer, 1, kMaxUndoBuffer));
    visit(ByteKey("CaptureWait", s.CaptureWait));
    visit(BoolKey("UseSusiePlugin", s.UseSusiePlugin));
    // A path longer than a read can hold would name another folder.
    visit(StringKey("LastDirectory", s.LastDirectory));
    // An entry of the save dialog's type list: the GIF entry only in GIF mode.
    visit(IntKey("SaveFileExt", s.SaveFileExt, 0, s.SaveTypes - 1));
    visit(BoolKey("OpenPreview", s.OpenPreview));
    visit(BoolKey("UseExifOrientation", s.UseExifOrientation));
}

void ReadMainSection(TZVfrmMain& form, const TIniFile& ini) {
    form.Options.FGIFMode = ini.ReadBool(kSettings, "GIFMode", false);
    TMainSection s;
    s.Geometry = !form.Options.FDefPos;
    s.SaveTypes = int(SaveDialogSuffixes(form.Options.FGIFMode).size());
    s.LastDirectory = QCoreApplication::applicationDirPath().toStdString();
    EachKey(s, TKeyReader(ini, kSettings));
    if (s.Geometry) {
        form.move(s.Left, s.Top);
        form.resize(s.Width, s.Height);
    }
    form.SetBackgroundColor(s.BackgroundColor);
    form.SetUndoBuffer(s.UndoBuffer);
    form.Options.FCaptureWait = s.CaptureWait;
    form.Options.FJpegQuality = s.JpegQuality;
    form.SetStatusBarShown(s.StatusBar);
    form.Options.FUseSusiePlugin = s.UseSusiePlugin;
    ApplyDecoderSettings(ini);
    form.Options.FLastDirectory = QString::fromStdString(s.LastDirectory);
    form.Options.FSaveFileExt = s.SaveFileExt;
    form.Options.FOpenPreview = s.OpenPreview;
    form.Options.FUseExifOrientation = s.UseExifOrientation;
}

void WriteMainSection(TZVfrmMain& form, TIniFile& ini) {
    TMainSection s;
    // A maximised, minimised or full-screen window keeps the bounds it had.
    s.Geometry = !(form.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    s.SaveTypes = int(SaveDialogSuffixes(form.Options.FGIFMode).size());
    s.Left = form.x();
    s.Top = form.y();
    s.Width = form.width();
    s.Height = form.height();
    s.BackgroundColor = form.BackgroundColor();
    s.JpegQuality = form.Options.FJpegQuality;
    s.StatusBar = form.StatusBarShown();
    s.UndoBuffer = form.Options.FUndoBuffer;
    s.CaptureWait = form.Options.FCaptureWait;
    s.UseSusiePlugin = form.Options.FUseSusiePlugin;
    s.LastDirectory = form.Options.FLastDirectory.toStdString();
    s.SaveFileExt = form.Options.FSaveFileExt;
    s.OpenPreview = form.Options.FOpenPreview;
    s.UseExifOrientation = form.Options.FUseExifOrientation;
    EachKey(s, TKeyWriter(ini, kSettings));
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
