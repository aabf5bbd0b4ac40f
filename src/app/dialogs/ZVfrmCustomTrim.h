#pragma once
// TZVfrmCustomTrim: the crop-by-coordinates dialog "座標指定切り取り". Two
// points, each an x and a y spin edit 0..10000, preset from section
// "CustomTrim" of the settings file; a button copies the current selection
// into the four fields. OK limits the points to the picture, refuses an
// empty rectangle (the dialog stays open), stores the points and crops.

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "effects/Geometry.h"
#include "image/Types.h"

class QPushButton;
class QSpinBox;

namespace zelvo {

class TIniFile;
class TEditorContext;

/// The two remembered corners of section "CustomTrim".
struct TCustomTrimSettings {
    TPoint Point1{effects::kCropX1.Default, effects::kCropY1.Default};
    TPoint Point2{effects::kCropX2.Default, effects::kCropY2.Default};
};

/// A point as the settings file stores it: x and y as a comma list. With
/// at least two items x is item 0 and y item 1, each 0 when it is not a
/// number; with fewer items the point is (0, 0).
TPoint ParseTrimPoint(std::string_view text);
/// "%d,%d".
std::string FormatTrimPoint(TPoint point);
/// Reads "Point1" and "Point2" (defaults "0,0" and "100,100").
TCustomTrimSettings ReadCustomTrimSettings(const TIniFile& ini);
void WriteCustomTrimSettings(const TCustomTrimSettings& settings, TIniFile& ini);

/// The rectangle from `point1` to `point2` with each x limited to
/// 0..width and each y to 0..height; nothing when it is empty (x2 <= x1 or
/// y2 <= y1 after limiting).
std::optional<TRect> LimitTrimRect(TPoint point1, TPoint point2, int width, int height);

/// The refusal of an empty rectangle.
inline constexpr const char* kInvalidTrimRect = QT_TRANSLATE_NOOP("TZVfrmCustomTrim", "指定された座標は有効な矩形範囲ではありません");

class TZVfrmCustomTrim : public QDialog {
public:
    /// Builds the dialog over `form`'s picture and reads its settings from
    /// the settings file.
    explicit TZVfrmCustomTrim(TEditorContext& form);

    /// The name of the undo step OK records; the command sets it.
    std::string UndoCaption;

    QSpinBox* SpinEditX1 = nullptr;
    QSpinBox* SpinEditY1 = nullptr;
    QSpinBox* SpinEditX2 = nullptr;
    QSpinBox* SpinEditY2 = nullptr;
    /// "現在の選択範囲を貼り付け": enabled only with a selection.
    QPushButton* btnPasteSelection = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    /// Copies the selection's left, top, right and bottom into the fields.
    void PasteSelectionClick();
    /// OK: an empty rectangle shows the refusal and keeps the dialog open;
    /// otherwise the points are stored, the picture is cropped inside the
    /// main window's busy state, the undo-list entry is added and the
    /// dialog closes. True when it closed.
    bool OkClick();

    /// The fields' points.
    TPoint Point1() const;
    TPoint Point2() const;

    /// Shows a message with the stop icon; replaced in tests.
    std::function<void(const QString& text)> ShowStop;

private:
    TEditorContext& FForm;
};

}  // namespace zelvo
