#include "app/dialogs/ZVfrmCustomTrim.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include "app/common/AppTitle.h"
#include "app/common/Settings.h"
#include "app/dialogs/DialogParts.h"
#include "app/common/EditorContext.h"
#include "document/QxImage.h"
#include "effects/Geometry.h"
#include "platform/IniFile.h"
#include "platform/IniKeys.h"

namespace zelvo {
namespace {

constexpr const char* kSection = "CustomTrim";

int ItemOrZero(std::string_view item) { return TIniFile::ParseInteger(item).value_or(0); }

QSpinBox* CoordinateEdit(QWidget* parent, const char* name, const effects::TParameter& coordinate, int value) {
    return MakeSpinEdit(parent, name, coordinate.Min, coordinate.Max, value, 80);
}

QGroupBox* PointBox(QWidget* parent, const char* caption, QSpinBox* x, QSpinBox* y) {
    // The caption is a label inside the box: a group-box title is measured
    // in the plain font but drawn in bold by some styles, which cuts off
    // its last full-width character.
    auto* box = new QGroupBox(parent);
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmCustomTrim", caption), box), 0, 0, 1, 2);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmCustomTrim", "x："), box), 1, 0);
    grid->addWidget(x, 1, 1);
    grid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmCustomTrim", "y："), box), 2, 0);
    grid->addWidget(y, 2, 1);
    return box;
}

}  // namespace

TPoint ParseTrimPoint(std::string_view text) {
    // A comma list: items may be blank-padded; a missing second item makes
    // the whole point (0, 0).
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) return {0, 0};
    const std::string_view first = text.substr(0, comma);
    std::string_view second = text.substr(comma + 1);
    second = second.substr(0, second.find(','));
    return {ItemOrZero(first), ItemOrZero(second)};
}

std::string FormatTrimPoint(TPoint point) {
    char text[32];
    std::snprintf(text, sizeof text, "%d,%d", point.X, point.Y);
    return text;
}

namespace {

// A point outside the fields' range reads as its default.
template <const effects::TParameter& X, const effects::TParameter& Y>
std::optional<TPoint> PointInRange(std::string_view text) {
    const TPoint point = ParseTrimPoint(text);
    if (point.X >= X.Min && point.X <= X.Max && point.Y >= Y.Min && point.Y <= Y.Max) return point;
    return std::nullopt;
}

template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit) {
    visit(TextKey("Point1", s.Point1, PointInRange<effects::kCropX1, effects::kCropY1>, FormatTrimPoint));
    visit(TextKey("Point2", s.Point2, PointInRange<effects::kCropX2, effects::kCropY2>, FormatTrimPoint));
}

}  // namespace

TCustomTrimSettings ReadCustomTrimSettings(const TIniFile& ini) {
    TCustomTrimSettings settings;
    EachKey(settings, TKeyReader(ini, kSection));
    return settings;
}

void WriteCustomTrimSettings(const TCustomTrimSettings& settings, TIniFile& ini) {
    EachKey(settings, TKeyWriter(ini, kSection));
}

std::optional<TRect> LimitTrimRect(TPoint point1, TPoint point2, int width, int height) {
    const TRect r{std::clamp(point1.X, 0, std::max(0, width)), std::clamp(point1.Y, 0, std::max(0, height)),
                  std::clamp(point2.X, 0, std::max(0, width)), std::clamp(point2.Y, 0, std::max(0, height))};
    if (r.Right <= r.Left || r.Bottom <= r.Top) return std::nullopt;
    return r;
}

TZVfrmCustomTrim::TZVfrmCustomTrim(TEditorContext& form) : QDialog(&form.Window()), FForm(form) {
    setObjectName(QStringLiteral("ZVfrmCustomTrim"));
    setWindowTitle(QCoreApplication::translate("TZVfrmCustomTrim", "座標指定切り取り"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    const TCustomTrimSettings settings = ReadCustomTrimSettings(TIniFile(SettingsPath()));
    SpinEditX1 = CoordinateEdit(this, "SpinEditX1", effects::kCropX1, settings.Point1.X);
    SpinEditY1 = CoordinateEdit(this, "SpinEditY1", effects::kCropY1, settings.Point1.Y);
    SpinEditX2 = CoordinateEdit(this, "SpinEditX2", effects::kCropX2, settings.Point2.X);
    SpinEditY2 = CoordinateEdit(this, "SpinEditY2", effects::kCropY2, settings.Point2.Y);

    auto* points = new QHBoxLayout;
    points->addWidget(PointBox(this, QT_TRANSLATE_NOOP("TZVfrmCustomTrim", "［座標１］"), SpinEditX1, SpinEditY1));
    points->addWidget(PointBox(this, QT_TRANSLATE_NOOP("TZVfrmCustomTrim", "［座標２］"), SpinEditX2, SpinEditY2));

    btnPasteSelection = new QPushButton(QCoreApplication::translate("TZVfrmCustomTrim", "現在の選択範囲を貼り付け"), this);
    btnPasteSelection->setObjectName(QStringLiteral("btnPasteSelection"));
    btnPasteSelection->setAutoDefault(false);
    btnPasteSelection->setEnabled(form.QxImage1().HasSelection());
    connect(btnPasteSelection, &QPushButton::clicked, this, [this] { PasteSelectionClick(); });

    QHBoxLayout* buttons = MakeOkCancelRow(*this, btnOK, btnCancel, [this] { OkClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(points);
    layout->addWidget(btnPasteSelection);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ShowStop = [this](const QString& text) { QMessageBox::critical(this, ApplicationTitle(), text); };
}

TPoint TZVfrmCustomTrim::Point1() const { return {SpinEditX1->value(), SpinEditY1->value()}; }
TPoint TZVfrmCustomTrim::Point2() const { return {SpinEditX2->value(), SpinEditY2->value()}; }

void TZVfrmCustomTrim::PasteSelectionClick() {
    TQxImage& doc = FForm.QxImage1();
    if (!doc.HasSelection()) return;
    const TRect r = doc.SelectionRect();
    SpinEditX1->setValue(r.Left);
    SpinEditY1->setValue(r.Top);
    SpinEditX2->setValue(r.Right);
    SpinEditY2->setValue(r.Bottom);
}

bool TZVfrmCustomTrim::OkClick() {
    TQxImage& doc = FForm.QxImage1();
    const int width = doc.Empty() ? 0 : doc.Bitmap().Width();
    const int height = doc.Empty() ? 0 : doc.Bitmap().Height();
    const std::optional<TRect> rect = LimitTrimRect(Point1(), Point2(), width, height);
    if (!rect) {
        ShowStop(QCoreApplication::translate("TZVfrmCustomTrim", kInvalidTrimRect));
        return false;
    }
    // The points are kept as typed, so a corner beyond the picture (such
    // as 10000, 10000 for "to the far edge") stays one for the next picture.
    TIniFile ini(SettingsPath());
    WriteCustomTrimSettings({Point1(), Point2()}, ini);
    ini.UpdateFile();

    hide();
    FForm.RunBusy(
        UndoCaption,
        [&] {
            doc.CropRect(rect->Left, rect->Top, rect->Right, rect->Bottom);
            return true;
        },
        [this] { accept(); });
    return true;
}

}  // namespace zelvo
