#include "app/folders/ZVfrmConvert.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>

#include "app/common/AppTitle.h"
#include "app/common/Language.h"
#include "app/common/HelpPages.h"
#include "app/common/Settings.h"
#include "app/dialogs/DialogParts.h"
#include "app/folders/BrowseFolderDlg.h"
#include "app/folders/ZVfrmProgress.h"
#include "app/common/EditorContext.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

// Layout of the fixed dialog in pixels.
constexpr int kDialogWidth = 440;
constexpr int kDialogHeight = 446;
constexpr int kGroupLeft = 8;
constexpr int kGroupWidth = kDialogWidth - 2 * kGroupLeft;
constexpr int kLabelLeft = 14;
constexpr int kFieldLeft = 96;
constexpr int kRowHeight = 22;
constexpr int kBrowseWidth = 30;
constexpr int kSpinWidth = 80;

// The most files the end-of-run report names one by one.
constexpr int kReportedFiles = 20;

QString Text(const char* source) { return QCoreApplication::translate("TZVfrmConvert", source); }

QLabel* MakeLabel(QWidget* parent, const char* caption, int x, int y) {
    auto* label = new QLabel(Text(caption), parent);
    label->setGeometry(x, y, kFieldLeft - x - 4, kRowHeight);
    return label;
}

QString OutputName(const TBatchItem& item) { return QString::fromStdString(item.Output.filename().string()); }

/// One line of the end-of-run report.
QString ReasonText(const TBatchItem& item, const TBatchFileResult& result) {
    const QString detail = EngineMessage(result.Detail);
    switch (result.Outcome) {
        case TBatchOutcome::OutputIsInput: return QCoreApplication::translate("TZVfrmConvert", "出力ファイル %1 は入力ファイルです").arg(OutputName(item));
        case TBatchOutcome::OutputClaimedTwice:
            return QCoreApplication::translate("TZVfrmConvert", "出力ファイル %1 は %2 からも作られます").arg(OutputName(item), detail);
        case TBatchOutcome::Unreadable:
            return detail.isEmpty() ? QCoreApplication::translate("TZVfrmConvert", "読み込めません") : QCoreApplication::translate("TZVfrmConvert", "読み込めません (%1)").arg(detail);
        case TBatchOutcome::TooLarge: return QCoreApplication::translate("TZVfrmConvert", "変換後の画像が大きすぎます (%1)").arg(detail);
        case TBatchOutcome::Failed:
            return detail.isEmpty() ? QCoreApplication::translate("TZVfrmConvert", "保存に失敗しました") : QCoreApplication::translate("TZVfrmConvert", "保存に失敗しました (%1)").arg(detail);
        default: return {};
    }
}

}  // namespace

TZVfrmConvert::TZVfrmConvert(const TConvertEnvironment& environment, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      FEnvironment(environment) {
    setObjectName(QStringLiteral("ZVfrmConvert"));
    setWindowTitle(QCoreApplication::translate("TZVfrmConvert", "一括変換"));
    BuildControls();

    // Creation: input types from the main window, the GIF output type in
    // GIF mode, then the remembered values.
    if (FEnvironment.InputDescriptions.isEmpty()) FEnvironment.InputDescriptions << QCoreApplication::translate("TZVfrmConvert", "全ての画像ファイル");
    while (FEnvironment.InputPatterns.size() < FEnvironment.InputDescriptions.size())
        FEnvironment.InputPatterns << QString();
    ComboBox1->addItems(FEnvironment.InputDescriptions);
    if (FEnvironment.GifMode) ComboBox2->addItem(QCoreApplication::translate("TZVfrmConvert", "GIF ファイル(*.gif)"));
    TBatchConvertSettings settings;
    settings.InDirectory = FEnvironment.ProgramFolder.toStdString();
    if (!FEnvironment.SettingsFile.empty())
        settings = ReadBatchConvertSettings(TIniFile(FEnvironment.SettingsFile), ComboBox1->count(),
                                            FEnvironment.GifMode, FEnvironment.ProgramFolder.toStdString());
    ApplySettings(settings);

    setFixedSize(kDialogWidth, kDialogHeight);
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(kDialogWidth / 2, kDialogHeight / 2));
}

TZVfrmConvert::~TZVfrmConvert() = default;

void TZVfrmConvert::BuildControls() {
    // Each group starts with a folder row (edit and browse button) and a
    // type row.
    const int fieldWidth = kGroupWidth - kFieldLeft - kBrowseWidth - 18;
    auto group = [&](QGroupBox*& box, const char* caption, int index, int top, int height, QLineEdit*& edit,
                     QPushButton*& browse, QComboBox*& type) {
        const QString n = QString::number(index);
        box = new QGroupBox(Text(caption), this);
        box->setObjectName(QStringLiteral("GroupBox") + n);
        box->setGeometry(kGroupLeft, top, kGroupWidth, height);
        MakeLabel(box, QT_TRANSLATE_NOOP("TZVfrmConvert", "フォルダ："), kLabelLeft, 22);
        edit = new QLineEdit(box);
        edit->setObjectName(QStringLiteral("Edit") + n);
        edit->setGeometry(kFieldLeft, 22, fieldWidth, kRowHeight);
        browse = new QPushButton(QStringLiteral("..."), box);
        browse->setObjectName(QStringLiteral("Button") + n);
        browse->setGeometry(kFieldLeft + fieldWidth + 4, 22, kBrowseWidth, kRowHeight);
        MakeLabel(box, QT_TRANSLATE_NOOP("TZVfrmConvert", "画像種別："), kLabelLeft, 52);
        type = new QComboBox(box);
        type->setObjectName(QStringLiteral("ComboBox") + n);
        type->setGeometry(kFieldLeft, 52, fieldWidth + kBrowseWidth + 4, kRowHeight);
    };
    group(GroupBox1, QT_TRANSLATE_NOOP("TZVfrmConvert", "入力画像"), 1, 8, 84, Edit1, Button1, ComboBox1);
    // The output group goes on with size, resampling, colours and interlace.
    group(GroupBox2, QT_TRANSLATE_NOOP("TZVfrmConvert", "出力画像"), 2, 100, 298, Edit2, Button2, ComboBox2);
    ComboBox2->addItems({QCoreApplication::translate("TZVfrmConvert", "ビットマップファイル(*.bmp)"), QCoreApplication::translate("TZVfrmConvert", "JPEG ファイル(*.jpg)"), QCoreApplication::translate("TZVfrmConvert", "PNG ファイル(*.png)")});

    CheckBox1 = new QCheckBox(QCoreApplication::translate("TZVfrmConvert", "画像のサイズを変更する"), GroupBox2);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(kLabelLeft, 82, 240, kRowHeight);
    const int radioLeft = kLabelLeft + 18;
    const int radioWidth = 150;
    const int spinLeft = radioLeft + radioWidth;
    auto radio = [&](QRadioButton*& button, const char* name, const char* caption, int y) {
        button = new QRadioButton(Text(caption), GroupBox2);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(radioLeft, y, radioWidth, kRowHeight);
    };
    auto spin = [&](const char* name, int min, int max, int value, int x, int y) {
        QSpinBox* box = MakeSpinEdit(GroupBox2, name, min, max, value, kSpinWidth);
        box->setGeometry(x, y, kSpinWidth, kRowHeight);
        return box;
    };
    radio(RadioButton1, "RadioButton1", QT_TRANSLATE_NOOP("TZVfrmConvert", "横幅を指定する"), 106);
    SpinEdit1 = spin("SpinEdit1", kBatchMinSide, kBatchMaxSide, 200, spinLeft, 106);
    radio(RadioButton2, "RadioButton2", QT_TRANSLATE_NOOP("TZVfrmConvert", "縦幅を指定する"), 130);
    SpinEdit2 = spin("SpinEdit2", kBatchMinSide, kBatchMaxSide, 200, spinLeft, 130);
    radio(RadioButton3, "RadioButton3", QT_TRANSLATE_NOOP("TZVfrmConvert", "サイズを指定する"), 154);
    SpinEdit3 = spin("SpinEdit3", kBatchMinSide, kBatchMaxSide, 200, spinLeft, 154);
    auto* times = new QLabel(QStringLiteral("x"), GroupBox2);
    times->setGeometry(spinLeft + kSpinWidth + 4, 154, 12, kRowHeight);
    SpinEdit4 = spin("SpinEdit4", kBatchMinSide, kBatchMaxSide, 200, spinLeft + kSpinWidth + 18, 154);
    radio(RadioButton4, "RadioButton4", QT_TRANSLATE_NOOP("TZVfrmConvert", "拡大率で指定する"), 178);
    SpinEdit5 = spin("SpinEdit5", kBatchMinScale, kBatchMaxScale, 50, spinLeft, 178);
    auto* percent = new QLabel(QCoreApplication::translate("TZVfrmConvert", "％ （10～1000）"), GroupBox2);
    percent->setGeometry(spinLeft + kSpinWidth + 4, 178, 120, kRowHeight);

    CheckBox2 = new QCheckBox(QCoreApplication::translate("TZVfrmConvert", "再サンプリングを行う"), GroupBox2);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(kLabelLeft, 208, 170, kRowHeight);
    ComboBox3 = new QComboBox(GroupBox2);
    ComboBox3->setObjectName(QStringLiteral("ComboBox3"));
    ComboBox3->setGeometry(spinLeft + 30, 208, 130, kRowHeight);
    for (int i = 0; i < effects::kResampleFilterCount; ++i)
        ComboBox3->addItem(QString::fromLatin1(effects::FilterInfo(effects::TResampleFilter(i)).Name));

    CheckBox4 = new QCheckBox(QCoreApplication::translate("TZVfrmConvert", "減色／増色"), GroupBox2);
    CheckBox4->setObjectName(QStringLiteral("CheckBox4"));
    CheckBox4->setGeometry(kLabelLeft, 236, 170, kRowHeight);
    ComboBox4 = new QComboBox(GroupBox2);
    ComboBox4->setObjectName(QStringLiteral("ComboBox4"));
    ComboBox4->setGeometry(spinLeft + 30, 236, 130, kRowHeight);
    ComboBox4->addItems({QCoreApplication::translate("TZVfrmConvert", "フルカラー(24bit)"), QCoreApplication::translate("TZVfrmConvert", "256色(8bit)"), QCoreApplication::translate("TZVfrmConvert", "16色(4bit)"), QCoreApplication::translate("TZVfrmConvert", "2色(1bit)"),
                         QCoreApplication::translate("TZVfrmConvert", "2色(ハーフトーン)")});

    CheckBox3 = new QCheckBox(QCoreApplication::translate("TZVfrmConvert", "インターレース/プログレッシブ"), GroupBox2);
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    CheckBox3->setGeometry(kLabelLeft, 264, 260, kRowHeight);

    static const char* const kButtonNames[3] = {"btnOK", "btnCancel", "btnHelp"};
    MakeOkCancelHelpButtons(*this, kDialogWidth - 3 * 80 - 2 * 6 - 8, kDialogHeight - 34, kButtonNames, btnOK,
                            btnCancel, btnHelp, [this] { OkClicked(); },
                            [] { ShowHelpTopic(kHelpBatchConvert); });

    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             CheckBox1, CheckBox2, CheckBox4, RadioButton1, RadioButton2, RadioButton3, RadioButton4})
        connect(button, &QAbstractButton::clicked, this, [this] { UpdateEnabling(); });
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabling(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Browse(Edit1); });
    connect(Button2, &QPushButton::clicked, this, [this] { Browse(Edit2); });
}

int TZVfrmConvert::ResizeMode() const {
    if (RadioButton2->isChecked()) return 1;
    if (RadioButton3->isChecked()) return 2;
    if (RadioButton4->isChecked()) return 3;
    return 0;
}

void TZVfrmConvert::UpdateEnabling() {
    const bool resize = CheckBox1->isChecked();
    const int mode = ResizeMode();
    for (QRadioButton* button : {RadioButton1, RadioButton2, RadioButton3, RadioButton4}) button->setEnabled(resize);
    SpinEdit1->setEnabled(resize && mode == 0);
    SpinEdit2->setEnabled(resize && mode == 1);
    SpinEdit3->setEnabled(resize && mode == 2);
    SpinEdit4->setEnabled(resize && mode == 2);
    SpinEdit5->setEnabled(resize && mode == 3);
    ComboBox3->setEnabled(CheckBox2->isChecked());
    // A resampled picture is 24-bit; the colour change is offered only
    // without resampling.
    CheckBox4->setEnabled(!CheckBox2->isChecked());
    ComboBox4->setEnabled(CheckBox4->isEnabled() && CheckBox4->isChecked());
    CheckBox3->setEnabled(ComboBox2->currentIndex() != int(TBatchOutputType::Jpeg));
}

TBatchConvertSettings TZVfrmConvert::CurrentSettings() const {
    TBatchConvertSettings s;
    s.InDirectory = Edit1->text().toStdString();
    s.OutDirectory = Edit2->text().toStdString();
    s.OutImageWidth = SpinEdit1->value();
    s.OutImageHeight = SpinEdit2->value();
    s.OutImageSizeX = SpinEdit3->value();
    s.OutImageSizeY = SpinEdit4->value();
    s.OutImageScale = SpinEdit5->value();
    s.InImageType = std::max(ComboBox1->currentIndex(), 0);
    s.OutImageType = std::max(ComboBox2->currentIndex(), 0);
    s.ResampleType = std::max(ComboBox3->currentIndex(), 0);
    s.ResizeImage = CheckBox1->isChecked();
    s.ResampleImage = CheckBox2->isChecked();
    s.Progressive = CheckBox3->isChecked();
    s.ColorDefinition = CheckBox4->isChecked();
    s.ColorDefinitionType = std::max(ComboBox4->currentIndex(), 0);
    s.ResizeType = ResizeMode();
    return s;
}

void TZVfrmConvert::ApplySettings(const TBatchConvertSettings& s) {
    Edit1->setText(QString::fromStdString(s.InDirectory));
    Edit2->setText(QString::fromStdString(s.OutDirectory));
    SpinEdit1->setValue(s.OutImageWidth);
    SpinEdit2->setValue(s.OutImageHeight);
    SpinEdit3->setValue(s.OutImageSizeX);
    SpinEdit4->setValue(s.OutImageSizeY);
    SpinEdit5->setValue(s.OutImageScale);
    // An index the lists no longer hold selects the first entry.
    auto select = [](QComboBox* box, int index) {
        box->setCurrentIndex(index >= 0 && index < box->count() ? index : 0);
    };
    select(ComboBox1, s.InImageType);
    select(ComboBox2, s.OutImageType);
    select(ComboBox3, s.ResampleType);
    select(ComboBox4, s.ColorDefinitionType);
    CheckBox1->setChecked(s.ResizeImage);
    CheckBox2->setChecked(s.ResampleImage);
    CheckBox3->setChecked(s.Progressive);
    CheckBox4->setChecked(s.ColorDefinition);
    QRadioButton* const modes[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    modes[s.ResizeType >= 0 && s.ResizeType < 4 ? s.ResizeType : 0]->setChecked(true);
    UpdateEnabling();
}

TBatchOptions TZVfrmConvert::CurrentOptions() const {
    TBatchOptions o;
    o.Resize = CheckBox1->isChecked();
    o.ResizeMode = TBatchResizeMode(ResizeMode());
    switch (o.ResizeMode) {
        case TBatchResizeMode::Width: o.Width = SpinEdit1->value(); break;
        case TBatchResizeMode::Height: o.Height = SpinEdit2->value(); break;
        case TBatchResizeMode::Size:
            o.Width = SpinEdit3->value();
            o.Height = SpinEdit4->value();
            break;
        case TBatchResizeMode::Scale: o.ScalePercent = SpinEdit5->value(); break;
    }
    o.Resample = CheckBox2->isChecked();
    o.Filter = effects::TResampleFilter(std::max(ComboBox3->currentIndex(), 0));
    o.ChangeDepth = CheckBox4->isEnabled() && CheckBox4->isChecked();
    o.DepthIndex = std::max(ComboBox4->currentIndex(), 0);
    o.OutputType = TBatchOutputType(std::max(ComboBox2->currentIndex(), 0));
    o.Progressive = CheckBox3->isChecked();
    o.Quality = FEnvironment.JpegQuality >= 1 && FEnvironment.JpegQuality <= 100 ? FEnvironment.JpegQuality : 80;
    o.GifMode = FEnvironment.GifMode;
    return o;
}

std::function<void(QMessageBox::Icon, const QString&)>& TZVfrmConvert::MessageHook() {
    static std::function<void(QMessageBox::Icon, const QString&)> hook;
    return hook;
}

void TZVfrmConvert::Browse(QLineEdit* edit) {
    TQxBrowseFolderDlg dialog(this);
    dialog.SetFolder(edit->text());
    if (dialog.Execute()) edit->setText(dialog.Folder());
}

bool TZVfrmConvert::Execute() {
    if (FRunning) return false;
    auto message = [](QMessageBox::Icon icon, const QString& text) {
        if (MessageHook()) {
            MessageHook()(icon, text);
            return;
        }
        QMessageBox box(icon, ApplicationTitle(), text, QMessageBox::Ok);
        box.exec();
    };
    const TBatchOptions options = CurrentOptions();
    const QString inFolder = TQxBrowseFolderDlg::StripTrailingSeparator(Edit1->text());
    const QString outFolder = TQxBrowseFolderDlg::StripTrailingSeparator(Edit2->text());
    if (inFolder.isEmpty() || !QFileInfo(inFolder).isDir()) {
        message(QMessageBox::Critical, QCoreApplication::translate("TZVfrmConvert", "入力フォルダが存在しません。"));
        return false;
    }
    if (outFolder.isEmpty() || !QFileInfo(outFolder).isDir()) {
        message(QMessageBox::Critical, QCoreApplication::translate("TZVfrmConvert", "出力フォルダが存在しません。"));
        return false;
    }
    const int type = std::clamp(ComboBox1->currentIndex(), 0, int(FEnvironment.InputPatterns.size()) - 1);
    const std::string patterns = FEnvironment.InputPatterns.value(type).toStdString();
    const std::filesystem::path inPath = inFolder.toStdString();
    const std::filesystem::path outPath = outFolder.toStdString();
    const std::vector<std::string> names =
        ListFolderFiles(inPath, patterns, [] { QCoreApplication::processEvents(); });
    if (names.empty()) {
        message(QMessageBox::Critical, QCoreApplication::translate("TZVfrmConvert", "入力フォルダ内に画像ファイルが存在しません。"));
        return false;
    }
    FPlan = PlanBatch(inPath, outPath, names, options.OutputType);

    FRunning = true;
    hide();
    TZVfrmProgress progress(TZVfrmProgress::kBatchConvert, parentWidget());
    progress.SetCaption(QCoreApplication::translate("TZVfrmConvert", "変換処理中"));
    progress.Start();
    TBatchCallbacks callbacks;
    callbacks.Cancelled = [&progress] { return !progress.ProcessMessages(); };
    callbacks.OnFileStart = [&progress](int index, int count, const TBatchItem& item) {
        progress.ShowStep(index, count, QString::fromStdString(item.Name));
    };
    try {
        FSummary = RunBatch(FPlan, options, callbacks, 1);
    } catch (const std::exception& e) {
        // No document for the run (no temporary folder): nothing was written.
        progress.Finish();
        FRunning = false;
        message(QMessageBox::Critical, EngineMessage(e.what()));
        return true;
    }
    progress.Finish();
    FRunning = false;
    ReportSummary();
    return true;
}

void TZVfrmConvert::ReportSummary() {
    if (FSummary.Skipped == 0 && FSummary.Failed == 0) return;
    QString text = QCoreApplication::translate("TZVfrmConvert", "変換: %1 件 / スキップ: %2 件 / 失敗: %3 件\n")
                       .arg(FSummary.Converted)
                       .arg(FSummary.Skipped)
                       .arg(FSummary.Failed);
    int listed = 0;
    for (std::size_t i = 0; i < FPlan.size() && i < FSummary.Results.size(); ++i) {
        const QString reason = ReasonText(FPlan[i], FSummary.Results[i]);
        if (reason.isEmpty()) continue;
        if (listed++ == kReportedFiles) {
            text += QStringLiteral("\n...");
            break;
        }
        text += QStringLiteral("\n%1: %2").arg(QString::fromStdString(FPlan[i].Name), reason);
    }
    const QMessageBox::Icon icon = FSummary.Failed > 0 ? QMessageBox::Warning : QMessageBox::Information;
    if (MessageHook()) {
        MessageHook()(icon, text);
        return;
    }
    QMessageBox box(icon, ApplicationTitle(), text, QMessageBox::Ok, parentWidget());
    box.exec();
}

void TZVfrmConvert::OkClicked() {
    if (!Execute()) {
        // Validation failed: the dialog stays as it is.
        if (!isVisible()) show();
        return;
    }
    if (!FEnvironment.SettingsFile.empty()) {
        TIniFile ini(FEnvironment.SettingsFile);
        WriteBatchConvertSettings(CurrentSettings(), ini);
        ini.UpdateFile();
    }
    accept();
}

TConvertEnvironment TZVfrmConvert::EnvironmentOf(TEditorContext& form) {
    TConvertEnvironment environment;
    environment.InputDescriptions = form.Filters.FDescriptionList;
    environment.InputPatterns = form.Filters.FPatternList;
    environment.GifMode = form.Options.FGIFMode;
    environment.JpegQuality = form.Options.FJpegQuality;
    environment.SettingsFile = SettingsPath();
    environment.ProgramFolder = QCoreApplication::applicationDirPath();
    return environment;
}

void RunBatchConvertDialog(TEditorContext& form) {
    {
        TZVfrmConvert dialog(TZVfrmConvert::EnvironmentOf(form), &form.Window());
        dialog.exec();
    }
    form.Window().raise();
    form.Window().activateWindow();
}

}  // namespace zelvo
