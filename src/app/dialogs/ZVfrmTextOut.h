#pragma once
// TZVfrmTextOut: the modeless window "文字入れ" of the text tool. The user
// types lines into Memo1 and chooses face, size, styles, colours, a frame,
// padding, vertical writing, a transparent background, smoothing and
// opacity; every change sets the document's text overlay at once, and the
// view shows it where the user clicks or drags it. "OK" draws the text
// into the picture (OnApply), "キャンセル", Esc and the close box leave the
// picture as it was. Enter anywhere but in the text acts as "OK".
//
// Smoothing and opacity are offered on 24-bit pictures only; otherwise the
// overlay gets opacity 100 and no smoothing.
//
// Settings, section "TextOut" (TextOutSettings.h): read when the window is
// made, written when it closes, to the file given at construction.
//
// The window deletes itself when it closes; keep it in a QPointer.

#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/dialogs/TextOutSettings.h"
#include "platform/TextRendering.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace zelvo {

class TIniFile;
class TQxImageView;

class TZVfrmTextOut : public QWidget {
    Q_OBJECT

public:
    /// Makes the window for `view`: fills the font list, reads the settings
    /// from `settingsFile` (when not empty), starts text mode at the view's
    /// scroll position and sets the overlay.
    explicit TZVfrmTextOut(TQxImageView& view, std::filesystem::path settingsFile = {}, QWidget* parent = nullptr);
    ~TZVfrmTextOut() override;

    /// Puts remembered settings into the controls (and the overlay).
    void ApplySettings(const TTextOutSettings& settings);
    /// The settings as the window stands now.
    TTextOutSettings CurrentSettings() const;

    /// The memo's lines: its text split at line ends, a last empty line
    /// (the one after a final line end) not counted; no text, no lines.
    std::vector<std::string> Lines() const;
    /// Fills the memo so that Lines() gives `lines` back.
    void SetLines(const std::vector<std::string>& lines);
    /// The font as the controls give it, with the text colour.
    TTextFont CurrentFont() const;
    /// Sets the document's overlay from the controls (what every change
    /// does).
    void UpdateOverlay();
    /// "OK": draws the text (OnApply, or the document's ApplyText) and
    /// closes.
    void OkClick();

    /// Draws the overlay into the picture; the main window names the undo
    /// step here. Unset: the document's ApplyText.
    std::function<void()> OnApply;
    /// The colour choice; QColorDialog unless replaced (tests).
    std::function<bool(TColor& color)> ChooseColor;

    QPlainTextEdit* Memo1 = nullptr;  ///< the text to insert
    QToolButton* btnBold = nullptr;       ///< "太字"
    QToolButton* btnItalic = nullptr;     ///< "斜体"
    QToolButton* btnUnderLine = nullptr;  ///< "下線"
    QToolButton* btnColor = nullptr;      ///< "文字色"
    QLabel* Label1 = nullptr;             ///< "フォント"
    QComboBox* ComboBox1 = nullptr;       ///< installed fonts
    QLabel* Label2 = nullptr;             ///< "サイズ"
    QSpinBox* SpinEdit1 = nullptr;        ///< size 4..300 points
    QLabel* Label4 = nullptr;             ///< "スタイル"
    QToolButton* btnTransparent = nullptr;  ///< "透過"
    QToolButton* btnBackColor = nullptr;  ///< "背景色"
    QToolButton* btnTategaki = nullptr;   ///< "縦書"
    QToolButton* btnFrame = nullptr;      ///< "枠線色"
    QLabel* Label3 = nullptr;             ///< "枠太さ："
    QSpinBox* SpinEdit2 = nullptr;        ///< frame width 0..99
    QLabel* Label5 = nullptr;             ///< "余白："
    QSpinBox* SpinEdit3 = nullptr;        ///< padding 0..99
    QLabel* Label6 = nullptr;             ///< "不透明率度："
    QSlider* TrackBar1 = nullptr;         ///< opacity 1..100
    QSpinBox* SpinEdit4 = nullptr;        ///< opacity 1..100, as the track bar
    QCheckBox* CheckBox1 = nullptr;       ///< "アンチエイリアス"
    QPushButton* Button1 = nullptr;       ///< "OK"
    QPushButton* Button2 = nullptr;       ///< "キャンセル"
    QPushButton* Button3 = nullptr;       ///< "ヘルプ"

    TColor FontColor() const { return FFontColor; }
    TColor BackColor() const { return FBackColor; }
    TColor FrameColor() const { return FFrameColor; }

signals:
    /// Emitted while the window closes, after text mode has ended;
    /// `applied` when it was closed with "OK".
    void Finished(bool applied);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void ColorClick(TColor& color);
    void ShowColors();
    void Finish();

    QPointer<TQxImageView> FView;
    std::filesystem::path FSettingsFile;
    TColor FFontColor = clBlack;
    TColor FBackColor = clWhite;
    TColor FFrameColor = clBlack;
    bool FPicture24 = false;  ///< smoothing and opacity offered
    bool FLoading = false;  ///< controls are being set: no overlay updates
    bool FApplied = false;
    bool FFinished = false;
};

}  // namespace zelvo
