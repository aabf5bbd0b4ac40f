#pragma once
// TZVfrmPreview: the shared effect dialog with a live thumbnail preview. An
// effect type (TPreviewEffectType) picks the row of the effect table
// (EffectTypes.cpp) that gives the caption, the parameter rows, the preview
// run and what OK does; the dialog itself is the same for every effect.

#include <QDialog>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/dialogs/EffectTypes.h"
#include "document/QxImage.h"

class QCheckBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;

namespace zelvo {

class TQxImageView;
class TEditorContext;

/// The current values of the dialog's controls.
struct TPreviewValues {
    std::array<int, 3> Position{};  ///< track-bar positions, rows 1..3
    std::array<double, 3> Spin{};   ///< spin-edit values, rows 1..3
    bool Check1 = false;
    bool Check2 = false;
    /// Size of the part of the picture the thumbnail shows (the selection
    /// for effects that preview it, else the whole picture).
    int SourceWidth = 0;
    int SourceHeight = 0;
    /// The spotlight centre in picture pixels, and the preview scale
    /// (preview width x 10000 div picture width) that maps it onto the
    /// thumbnail.
    TPoint Center{};
    int Scale = 10000;
};

/// One parameter row: a label, a track bar and a spin edit holding the
/// track position divided by Divisor (with that many decimals shown).
struct TPreviewRow {
    bool Shown = false;
    std::string Label;
    bool LabelShown = true;
    int Min = 0, Max = 0, Position = 0;
    int Frequency = 1;  ///< tick frequency
    int Page = 2;       ///< page size
    int Divisor = 1;    ///< spin = position / Divisor; track = Trunc(spin x Divisor)
    int Decimals = 0;
    double SpinStep = 1;
    /// A spin value at or below this does not move the track bar.
    double SpinSyncAbove = -1e300;
};

/// How the dialog is set up for one effect type (computed when it opens,
/// as some ranges follow the picture).
struct TPreviewSetup {
    std::string Caption;
    std::array<TPreviewRow, 3> Rows;
    std::string Check1;  ///< caption; empty: hidden
    bool Check1Value = false;
    std::string Check2;
    bool Check2Value = false;
    int HelpTopic = 0;
};

/// One row of the effect table of the preview dialog.
struct TPreviewEffect {
    TPreviewEffectType Type{};
    std::string UndoCaption;
    /// The dialog's controls, preset from the main window's fields.
    std::function<TPreviewSetup(TEditorContext& form)> Setup;
    /// Runs the effect on the preview document with the current values.
    std::function<void(TQxImage& preview, const TPreviewValues& values)> Preview;
    /// OK: stores the remembered values and runs the operation on the
    /// document when its condition holds; true when it ran.
    std::function<bool(TEditorContext& form, const TPreviewValues& values)> Apply;
    /// Computed at once when the dialog opens (otherwise the thumbnail
    /// shows the unprocessed picture until the first change).
    bool PreviewAtOnce = false;
    /// The thumbnail shows the selection when there is one.
    bool PreviewSelection = false;
    /// Pressing and dragging the left button on the thumbnail moves the
    /// spotlight centre.
    bool DragCenter = false;
};

class TZVfrmPreview : public QDialog {
public:
    /// Builds the dialog for `effect` over `form`'s picture: controls from
    /// the effect's setup, the thumbnail, and for PreviewAtOnce types the
    /// first preview. `center` is the spotlight centre in picture pixels.
    TZVfrmPreview(TEditorContext& form, const TPreviewEffect& effect, TPoint center = {});
    ~TZVfrmPreview() override;

    TPreviewEffectType EffectType() const { return FEffect.Type; }

    // ---- controls
    QFrame* PrevBase = nullptr;
    std::array<QLabel*, 3> Labels{};
    std::array<QSlider*, 3> ScrollBars{};
    std::array<QDoubleSpinBox*, 3> SpinEdits{};
    QCheckBox* CheckBox1 = nullptr;  ///< the effect row's first check caption
    QCheckBox* CheckBox2 = nullptr;  ///< the effect row's second check caption
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;
    /// The preview document and its view inside PrevBase.
    TQxImage& QxPreview() { return *FPreview; }
    TQxImageView& QxPreviewView() { return *FPreviewView; }

    /// Preview width x 10000 div the picture's width, at least 1.
    int PreviewScale() const { return FPreviewScale; }
    /// The spotlight centre in picture pixels.
    TPoint Center() const { return FCenter; }
    /// The centre under thumbnail point (x, y): each coordinate x 10000 div
    /// the preview scale; then a refresh.
    void SetCenterFromPreview(int x, int y);
    TPreviewValues Values() const;

    /// The preview refresh: one Undo on the preview document, then the
    /// effect with the current values. While one runs, a further request is
    /// deferred to the application's idle time; however many arrive, one
    /// refresh follows when the running one has finished.
    void RefreshPreview();
    bool RefreshPending() const { return FIdle.isActive(); }
    /// Refreshes that have run since the dialog opened.
    int RefreshCount() const { return FRefreshCount; }

    /// OK, Cancel and Help as the buttons do them.
    void OkClick();
    void HelpClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls(const TPreviewSetup& setup);
    void BuildPreview();
    void TrackChanged(int row);
    void SpinChanged(int row);
    void IdleTick();

    TEditorContext& FForm;
    TPreviewEffect FEffect;
    TPreviewSetup FSetup;
    std::unique_ptr<TQxImage> FPreview;
    TQxImageView* FPreviewView = nullptr;
    int FPreviewScale = 1;
    TPoint FCenter{};
    bool FDragging = false;
    TRect FSource;
    bool FRefreshBusy = false;
    int FRefreshCount = 0;
    QTimer FIdle;
};

/// The main window's handler for a preview effect: nothing without a
/// picture; otherwise names the undo step, shows the dialog of `type`
/// modally (with `center` as the spotlight centre) and destroys it. False
/// for a type without a row.
bool ShowPreviewEffect(TEditorContext& form, TPreviewEffectType type, TPoint center = {});

/// The row of effect `type`, or nullptr while that effect waits for its
/// operation.
const TPreviewEffect* FindPreviewEffect(TPreviewEffectType type);

}  // namespace zelvo
