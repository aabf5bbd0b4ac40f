#include "app/dialogs/ZVfrmEncoderOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "app/common/EditorContext.h"
#include "app/common/Settings.h"
#include "app/dialogs/DialogParts.h"
#include "platform/IniFile.h"
#include "platform/IniKeys.h"

namespace zelvo {
namespace {

QString Text(const char* text) { return QCoreApplication::translate("TZVfrmEncoderOptions", text); }

template <class Options, class Visit>
void WebpKeys(Options& o, Visit&& visit) {
    visit(IntKey("Quality", o.WebpQuality, 0, kEncoderMaxQuality));
    visit(BoolKey("Lossless", o.WebpLossless));
    visit(IntKey("Effort", o.WebpEffort, 0, kWebpMaxEffort));
}

template <class Options, class Visit>
void TiffKeys(Options& o, Visit&& visit) {
    // 0 none, 1 LZW, 2 Deflate.
    visit(TextKey(
        "Compression", o.TiffCompression,
        [](const std::string& text) -> std::optional<TTiffCompression> {
            if (text == "0") return TTiffCompression::None;
            if (text == "1") return TTiffCompression::Lzw;
            if (text == "2") return TTiffCompression::Deflate;
            return std::nullopt;
        },
        [](TTiffCompression value) { return std::to_string(int(value)); }));
}

template <class Options, class Visit>
void AvifKeys(Options& o, Visit&& visit) {
    visit(IntKey("Quality", o.AvifQuality, 0, kEncoderMaxQuality));
    visit(IntKey("Speed", o.AvifSpeed, 0, kHeifMaxSpeed));
}

template <class Options, class Visit>
void HeicKeys(Options& o, Visit&& visit) {
    visit(IntKey("Quality", o.HeicQuality, 0, kEncoderMaxQuality));
    visit(IntKey("Speed", o.HeicSpeed, 0, kHeifMaxSpeed));
}

template <class Options, class Visit>
void JxlKeys(Options& o, Visit&& visit) {
    // The distance in tenths: 10 is 1.0.
    visit(IntKey("Distance", o.JxlDistanceTenths, kJxlMinDistanceTenths, kJxlMaxDistanceTenths));
    visit(BoolKey("Lossless", o.JxlLossless));
    visit(IntKey("Effort", o.JxlEffort, kJxlMinEffort, kJxlMaxEffort));
}

// Runs the key table of `format` with its section's reader or writer.
template <class Options, class Make>
void FormatKeys(Options& o, TEncoderFormat format, Make&& make) {
    switch (format) {
        case TEncoderFormat::Webp: WebpKeys(o, make("WebpSave")); break;
        case TEncoderFormat::Tiff: TiffKeys(o, make("TiffSave")); break;
        case TEncoderFormat::Avif: AvifKeys(o, make("AvifSave")); break;
        case TEncoderFormat::Heic: HeicKeys(o, make("HeicSave")); break;
        case TEncoderFormat::Jxl: JxlKeys(o, make("JxlSave")); break;
    }
}

struct TFormatCaption {
    const char* Title;
    const char* EffortLabel;
};

TFormatCaption CaptionOf(TEncoderFormat format) {
    switch (format) {
        case TEncoderFormat::Webp: return {QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "WebP保存設定"), QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "圧縮の手間(0～6)")};
        case TEncoderFormat::Tiff: return {QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "TIFF保存設定"), nullptr};
        case TEncoderFormat::Avif: return {QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "AVIF保存設定"), QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "速度(0～9)")};
        case TEncoderFormat::Heic: return {QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "HEIC保存設定"), QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "速度(0～9)")};
        case TEncoderFormat::Jxl: return {QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "JPEG XL保存設定"), QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "圧縮の手間(1～9)")};
    }
    return {"", nullptr};
}

}  // namespace

TEncoderOptions ReadEncoderSettings(const TIniFile& ini) {
    TEncoderOptions o;
    for (TEncoderFormat format : {TEncoderFormat::Webp, TEncoderFormat::Tiff, TEncoderFormat::Avif,
                                  TEncoderFormat::Heic, TEncoderFormat::Jxl})
        FormatKeys(o, format, [&](const char* section) { return TKeyReader(ini, section); });
    return o;
}

void WriteEncoderSettings(const TEncoderOptions& options, TEncoderFormat format, TIniFile& ini) {
    FormatKeys(options, format, [&](const char* section) { return TKeyWriter(ini, section); });
}

TZVfrmEncoderOptions::TZVfrmEncoderOptions(TEditorContext& form, TEncoderFormat format)
    : QDialog(&form.Window()), FFormat(format), FOptions(ReadEncoderSettings(TIniFile(SettingsPath()))) {
    setObjectName(QStringLiteral("ZVfrmEncoderOptions"));
    const TFormatCaption caption = CaptionOf(format);
    setWindowTitle(Text(caption.Title));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    auto* grid = new QGridLayout;
    int row = 0;
    const TEncoderOptions& o = FOptions;
    if (format == TEncoderFormat::Webp || format == TEncoderFormat::Avif || format == TEncoderFormat::Heic) {
        const int quality = format == TEncoderFormat::Webp ? o.WebpQuality
                            : format == TEncoderFormat::Avif ? o.AvifQuality
                                                             : o.HeicQuality;
        TrackBarQuality = new QSlider(Qt::Horizontal, this);
        TrackBarQuality->setObjectName(QStringLiteral("TrackBarQuality"));
        TrackBarQuality->setRange(0, kEncoderMaxQuality);
        TrackBarQuality->setValue(quality);
        SpinEditQuality = MakeSpinEdit(this, "SpinEditQuality", 0, kEncoderMaxQuality, quality, 60);
        LinkTrackBarAndSpinEdit(TrackBarQuality, SpinEditQuality);
        grid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "品質(0～100)")), this), row, 0);
        grid->addWidget(TrackBarQuality, row, 1);
        grid->addWidget(SpinEditQuality, row++, 2);
    }
    if (format == TEncoderFormat::Jxl) {
        SpinEditDistance = new QDoubleSpinBox(this);
        SpinEditDistance->setObjectName(QStringLiteral("SpinEditDistance"));
        SpinEditDistance->setDecimals(1);
        SpinEditDistance->setSingleStep(0.1);
        SpinEditDistance->setRange(kJxlMinDistanceTenths / 10.0, kJxlMaxDistanceTenths / 10.0);
        SpinEditDistance->setValue(o.JxlDistanceTenths / 10.0);
        grid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "距離(0.1～25.0、小さいほど高画質)")), this), row, 0, 1, 2);
        grid->addWidget(SpinEditDistance, row++, 2);
    }
    if (format == TEncoderFormat::Webp || format == TEncoderFormat::Jxl) {
        CheckBoxLossless = new QCheckBox(Text(QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "ロスレス(画質の劣化なし)")), this);
        CheckBoxLossless->setObjectName(QStringLiteral("CheckBoxLossless"));
        CheckBoxLossless->setChecked(format == TEncoderFormat::Webp ? o.WebpLossless : o.JxlLossless);
        connect(CheckBoxLossless, &QCheckBox::toggled, this, [this] { LosslessChanged(); });
        grid->addWidget(CheckBoxLossless, row++, 0, 1, 3);
    }
    if (caption.EffortLabel) {
        const int lo = format == TEncoderFormat::Webp ? 0 : format == TEncoderFormat::Jxl ? kJxlMinEffort : 0;
        const int hi = format == TEncoderFormat::Webp ? kWebpMaxEffort
                       : format == TEncoderFormat::Jxl ? kJxlMaxEffort
                                                       : kHeifMaxSpeed;
        const int value = format == TEncoderFormat::Webp ? o.WebpEffort
                          : format == TEncoderFormat::Jxl ? o.JxlEffort
                          : format == TEncoderFormat::Avif ? o.AvifSpeed
                                                           : o.HeicSpeed;
        SpinEditEffort = MakeSpinEdit(this, "SpinEditEffort", lo, hi, value, 60);
        grid->addWidget(new QLabel(Text(caption.EffortLabel), this), row, 0, 1, 2);
        grid->addWidget(SpinEditEffort, row++, 2);
    }
    if (format == TEncoderFormat::Tiff) {
        ComboBoxCompression = new QComboBox(this);
        ComboBoxCompression->setObjectName(QStringLiteral("ComboBoxCompression"));
        ComboBoxCompression->addItems({Text(QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "なし")), QStringLiteral("LZW"), QStringLiteral("Deflate")});
        ComboBoxCompression->setCurrentIndex(int(o.TiffCompression));
        grid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("TZVfrmEncoderOptions", "圧縮方式")), this), row, 0);
        grid->addWidget(ComboBoxCompression, row++, 1, 1, 2);
    }
    LosslessChanged();

    QHBoxLayout* buttons = MakeOkCancelRow(*this, btnOK, btnCancel, [this] { OkClick(); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TZVfrmEncoderOptions::LosslessChanged() {
    const bool lossy = !CheckBoxLossless || !CheckBoxLossless->isChecked();
    if (TrackBarQuality) TrackBarQuality->setEnabled(lossy);
    if (SpinEditQuality) SpinEditQuality->setEnabled(lossy);
    if (SpinEditDistance) SpinEditDistance->setEnabled(lossy);
}

TEncoderOptions TZVfrmEncoderOptions::Values() const {
    TEncoderOptions o = FOptions;
    const int quality = SpinEditQuality ? SpinEditQuality->value() : 0;
    const bool lossless = CheckBoxLossless && CheckBoxLossless->isChecked();
    const int effort = SpinEditEffort ? SpinEditEffort->value() : 0;
    switch (FFormat) {
        case TEncoderFormat::Webp:
            o.WebpQuality = quality;
            o.WebpLossless = lossless;
            o.WebpEffort = effort;
            break;
        case TEncoderFormat::Tiff: o.TiffCompression = TTiffCompression(ComboBoxCompression->currentIndex()); break;
        case TEncoderFormat::Avif:
            o.AvifQuality = quality;
            o.AvifSpeed = effort;
            break;
        case TEncoderFormat::Heic:
            o.HeicQuality = quality;
            o.HeicSpeed = effort;
            break;
        case TEncoderFormat::Jxl:
            o.JxlDistanceTenths = int(std::lround(SpinEditDistance->value() * 10));
            o.JxlLossless = lossless;
            o.JxlEffort = effort;
            break;
    }
    return o;
}

void TZVfrmEncoderOptions::OkClick() {
    TIniFile ini(SettingsPath());
    WriteEncoderSettings(Values(), FFormat, ini);
    ini.UpdateFile();
    accept();
}

}  // namespace zelvo
