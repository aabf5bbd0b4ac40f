#pragma once
// TZVfrmSlideShow: the slide-show dialog "スライドショー". It chooses the
// folder, the picture type, the order and the options, and builds the list
// of pictures; the main window then runs the show (SlideShowRunner.h).
// The values come from section "SlideShow" when the dialog is created and
// go back there after a successful OK.

#include <QDialog>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <vector>

#include "app/slideshow/SlideShowSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zelvo {

class TEditorContext;

class TZVfrmSlideShow : public QDialog {
public:
    /// Reads the section; the picture types are the main window's filter
    /// descriptions; a stored type index that does not exist selects entry
    /// 1 (entry 0 when there is only one).
    explicit TZVfrmSlideShow(TEditorContext& form);

    QLineEdit* Edit1 = nullptr;        ///< folder
    QPushButton* btnBrowse = nullptr;  ///< "参照..."
    QComboBox* ComboBox1 = nullptr;    ///< picture type
    QCheckBox* CheckBox1 = nullptr;    ///< "自動切り替え"
    QSpinBox* SpinEdit1 = nullptr;     ///< interval 1..999 s
    QLabel* Label3 = nullptr;          ///< "秒間隔"
    QCheckBox* CheckBox2 = nullptr;    ///< "繰り返し再生"
    QGroupBox* RadioGroup1 = nullptr;  ///< "並べ替え"
    QList<QRadioButton*> SortButtons;  ///< name, type, time, random
    QCheckBox* CheckBox3 = nullptr;    ///< "逆順再生"
    QCheckBox* CheckBox4 = nullptr;    ///< "大きい画像はサイズを調整して表示"
    QCheckBox* CheckBox5 = nullptr;    ///< "編集モードに入る時に表示倍率を標準（100％）に戻す"
    QCheckBox* CheckBox6 = nullptr;    ///< "全画面表示"
    QCheckBox* CheckBox7 = nullptr;    ///< "ファイル名を表示"
    QCheckBox* CheckBox8 = nullptr;    ///< "マウスカーソルを非表示にする"
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

    /// Puts a folder into the folder field (the command line, a drop, the
    /// thumbnail browser).
    void SetFolder(const QString& folder);
    /// The dialog's values as they stand.
    TSlideShowSettings Values() const;
    /// The enabling rules: interval with automatic advance, reset-zoom with
    /// fit, file name with full screen, reverse order except for random.
    void UpdateEnabling();
    /// OK: builds the list; on success writes the section and accepts.
    /// Failures are error boxes and the dialog stays open.
    void OkClick();
    /// The browse button: the folder chooser preset with the field's folder
    /// when it exists.
    void BrowseClick();

    /// The list OK built (full paths in showing order).
    const std::vector<std::filesystem::path>& Files() const { return FFiles; }
    /// The options OK confirmed.
    const TSlideShowSettings& Options() const { return FOptions; }

    /// Shows an error box; replaced by tests, which record the texts.
    std::function<void(const QString& text)> ShowErrorHook;
    /// Chooses a folder starting at `initial`; empty when cancelled.
    std::function<QString(const QString& initial)> BrowseFolderHook;

private:
    TEditorContext& FForm;
    std::vector<std::filesystem::path> FFiles;
    TSlideShowSettings FOptions;
};

}  // namespace zelvo
