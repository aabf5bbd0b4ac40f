#pragma once
// TZVfrmConvert: the batch dialog "一括変換". It converts every picture of
// one folder into another (library/BatchConvert.h) in the user-interface
// thread, file after file, with the progress window TZVfrmProgress, and
// keeps its values in section "BatchConvert" (BatchConvertSettings.h).
// The main window's picture and undo history are untouched: each file goes
// through a document of the batch's own without history.
//
// OK validates the folders and the input listing (error boxes, the dialog
// stays open), hides the dialog, converts, reports once at the end the
// files it skipped or could not write, writes the settings and closes. A
// cancelled run closes and stores the settings as well.

#include <QDialog>
#include <QMessageBox>
#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <functional>

#include "app/folders/BatchConvertSettings.h"
#include "library/BatchConvert.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zelvo {

class TEditorContext;

/// What the dialog takes from the main window.
struct TConvertEnvironment {
    QStringList InputDescriptions;  ///< the open filter's descriptions; entry 0 is all pictures
    QStringList InputPatterns;      ///< their pattern strings ("*.bmp *.dib ")
    bool GifMode = false;
    std::uint8_t JpegQuality = 80;
    /// The settings file read at creation and written after a run; empty:
    /// none (the values start at their defaults).
    std::filesystem::path SettingsFile;
    /// The default input folder.
    QString ProgramFolder;
};

class TZVfrmConvert : public QDialog {
    Q_OBJECT

public:
    explicit TZVfrmConvert(const TConvertEnvironment& environment, QWidget* parent = nullptr);
    ~TZVfrmConvert() override;

    /// The environment of `form`: its filters, GIF mode, JPEG quality and
    /// the settings file.
    static TConvertEnvironment EnvironmentOf(TEditorContext& form);

    /// The values of the controls, and setting them (then the enabling
    /// rules run).
    TBatchConvertSettings CurrentSettings() const;
    void ApplySettings(const TBatchConvertSettings& settings);
    /// The engine's options from the controls: the colour change only when
    /// its box is enabled and checked.
    TBatchOptions CurrentOptions() const;

    /// Runs the conversion as OK does; false when a folder is missing or
    /// holds no picture (an error box was shown), true when the run ended
    /// (also after a cancel).
    bool Execute();
    /// The totals of the last run.
    const TBatchSummary& LastSummary() const { return FSummary; }

    /// Every message box of the dialog goes through here; tests replace it.
    static std::function<void(QMessageBox::Icon, const QString&)>& MessageHook();

    // Controls, named as in the dialog's design.
    QGroupBox* GroupBox1 = nullptr;  ///< "入力画像"
    QLineEdit* Edit1 = nullptr;  ///< the input "フォルダ："
    QPushButton* Button1 = nullptr;  ///< browse for Edit1
    QComboBox* ComboBox1 = nullptr;  ///< the input "画像種別："
    QGroupBox* GroupBox2 = nullptr;  ///< "出力画像"
    QLineEdit* Edit2 = nullptr;  ///< the output "フォルダ："
    QPushButton* Button2 = nullptr;  ///< browse for Edit2
    QComboBox* ComboBox2 = nullptr;  ///< the output "画像種別："
    QCheckBox* CheckBox1 = nullptr;  ///< "画像のサイズを変更する"
    QRadioButton* RadioButton1 = nullptr;  ///< "横幅を指定する"
    QRadioButton* RadioButton2 = nullptr;  ///< "縦幅を指定する"
    QRadioButton* RadioButton3 = nullptr;  ///< "サイズを指定する"
    QRadioButton* RadioButton4 = nullptr;  ///< "拡大率で指定する"
    QSpinBox* SpinEdit1 = nullptr;  ///< the width
    QSpinBox* SpinEdit2 = nullptr;  ///< the height
    QSpinBox* SpinEdit3 = nullptr;  ///< the size's width
    QSpinBox* SpinEdit4 = nullptr;  ///< the size's height, after "x"
    QSpinBox* SpinEdit5 = nullptr;  ///< the scale, "％ （10～1000）"
    QCheckBox* CheckBox2 = nullptr;  ///< "再サンプリングを行う"
    QComboBox* ComboBox3 = nullptr;  ///< the resampling filter
    QCheckBox* CheckBox3 = nullptr;  ///< "インターレース/プログレッシブ"
    QCheckBox* CheckBox4 = nullptr;  ///< "減色／増色"
    QComboBox* ComboBox4 = nullptr;  ///< the colour depth
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

private:
    void BuildControls();
    /// The enabling rules of the resize, mode, resample, colour and output
    /// type controls.
    void UpdateEnabling();
    void Browse(QLineEdit* edit);
    void OkClicked();
    void ReportSummary();
    int ResizeMode() const;

    TConvertEnvironment FEnvironment;
    TBatchSummary FSummary;
    std::vector<TBatchItem> FPlan;
    bool FRunning = false;
};

/// The File menu's batch command: the dialog over `form`, modal; afterwards
/// the main window comes to the front.
void RunBatchConvertDialog(TEditorContext& form);

}  // namespace zelvo
