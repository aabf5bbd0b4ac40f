#pragma once
// TZVfrmEncoderOptions: the save-option dialogs of the formats written
// through outside encoders, one per format, each as small as the JPEG
// quality one: "WebP保存設定" (quality 0..100 or lossless, effort 0..6),
// "TIFF保存設定" (compression none, LZW or Deflate), "AVIF保存設定" and
// "HEIC保存設定" (quality 0..100, speed 0..9), "JPEG XL保存設定" (distance
// 0.1..25 or lossless, effort 1..9). The values come from the format's own
// section of Zelvo.ini ("WebpSave", "TiffSave", "AvifSave", "HeicSave",
// "JxlSave") and go back there on OK; every save of that format reads them.

#include <QDialog>

#include "formats/PictureFormats.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QPushButton;
class QSlider;
class QSpinBox;

namespace zelvo {

class TIniFile;
class TEditorContext;

/// The format a dialog sets.
enum class TEncoderFormat : int { Webp, Tiff, Avif, Heic, Jxl };

/// The options of every format, each from its own section (defaults for
/// missing or out-of-range keys).
TEncoderOptions ReadEncoderSettings(const TIniFile& ini);
/// Writes the keys of `format`'s section only.
void WriteEncoderSettings(const TEncoderOptions& options, TEncoderFormat format, TIniFile& ini);

class TZVfrmEncoderOptions : public QDialog {
public:
    TZVfrmEncoderOptions(TEditorContext& form, TEncoderFormat format);

    /// The controls of the format; the others are null.
    QSlider* TrackBarQuality = nullptr;
    QSpinBox* SpinEditQuality = nullptr;
    QCheckBox* CheckBoxLossless = nullptr;
    QSpinBox* SpinEditEffort = nullptr;  ///< WebP and JPEG XL effort, AVIF and HEIC speed
    QDoubleSpinBox* SpinEditDistance = nullptr;
    QComboBox* ComboBoxCompression = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    /// The options as the controls show them (the other formats' as read).
    TEncoderOptions Values() const;
    /// OK: writes the format's section and closes.
    void OkClick();

private:
    /// Enables the quality or distance controls unless lossless is checked.
    void LosslessChanged();

    TEncoderFormat FFormat;
    TEncoderOptions FOptions;
};

}  // namespace zelvo
