#pragma once
// TZVfrmApplyCancel: the small modeless window "複写/移動" shown while a
// lifted or merge-pasted floating selection is being placed. "位置確定"
// fixes the selection where it is (the view's ApplyFloating); any other way
// of closing (the button "キャンセル", the close box, Esc through the main
// window, close()) cancels it (CancelFloating). The check box "移動する"
// chooses moving rather than copying: the view's CopyMode is always the
// opposite of the box.
//
// Settings, section "MoveObject": "Left" and "Top" (the window position;
// default the view's top-left corner on the screen) and "IsMove" (default
// false; written only while the box is visible, so merge-paste, which hides
// it, leaves the remembered choice alone). The window reads them when it is
// made and writes them when it closes, to the file given at construction;
// ReadSettings/WriteSettings do the same against any TIniFile.
//
// The window deletes itself when it closes; keep it in a QPointer.

#include <QPointer>
#include <QWidget>

#include <filesystem>

class QCheckBox;
class QPushButton;

namespace zelvo {

class TIniFile;
class TQxImageView;

/// The remembered "MoveObject" values.
struct TMoveObjectSettings {
    bool HasPosition = false;  ///< false: use the view's top-left corner
    int Left = 0;
    int Top = 0;
    bool IsMove = false;
};

/// Reads section "MoveObject"; missing keys keep the defaults above.
TMoveObjectSettings ReadMoveObjectSettings(const TIniFile& ini);
/// Writes "Left" and "Top", and "IsMove" when `writeIsMove`.
void WriteMoveObjectSettings(const TMoveObjectSettings& settings, TIniFile& ini, bool writeIsMove);

class TZVfrmApplyCancel : public QWidget {
    Q_OBJECT

public:
    /// Makes the window for `view`. When `settingsFile` is not empty the
    /// "MoveObject" settings are read from it now and written to it when
    /// the window closes. Sets the view's CopyMode from the box once.
    explicit TZVfrmApplyCancel(TQxImageView& view, std::filesystem::path settingsFile = {},
                               QWidget* parent = nullptr);
    ~TZVfrmApplyCancel() override;

    /// Applies remembered settings: position and the box (and so CopyMode).
    void ApplySettings(const TMoveObjectSettings& settings);
    /// The settings as the window stands now.
    TMoveObjectSettings CurrentSettings() const;
    void ReadSettings(const TIniFile& ini);
    void WriteSettings(TIniFile& ini) const;

    /// The merge-paste form: caption "合成貼り付け", the box hidden and
    /// cleared (so CopyMode is true), the height cut down to the buttons.
    void PrepareMergePaste();


    QPushButton* Button1 = nullptr;  ///< "位置確定"
    QPushButton* Button2 = nullptr;  ///< "キャンセル"
    QCheckBox* CheckBox1 = nullptr;  ///< "移動する"

signals:
    /// Emitted while the window closes, after the floating selection was
    /// applied (`committed`) or cancelled.
    void Finished(bool committed);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SyncCopyMode();
    void Finish(bool closing);

    QPointer<TQxImageView> FView;
    std::filesystem::path FSettingsFile;
    bool FCommitted = false;
    bool FFinished = false;
};

}  // namespace zelvo
