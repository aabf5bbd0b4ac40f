#include "app/slideshow/ZVfrmSlideShow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/common/AppTitle.h"
#include "app/common/HelpPages.h"
#include "app/common/Settings.h"
#include "app/dialogs/DialogParts.h"
#include "app/folders/BrowseFolderDlg.h"
#include "app/common/EditorContext.h"
#include "library/SlideShowList.h"
#include "platform/IniFile.h"

namespace zelvo {

namespace {

QCheckBox* Check(QWidget* parent, const char* name, const char* caption, bool checked) {
    auto* box = new QCheckBox(QCoreApplication::translate("TZVfrmSlideShow", caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    return box;
}

QString ListErrorText(TSlideListError error) {
    switch (error) {
        case TSlideListError::FolderMissing: return QCoreApplication::translate("TZVfrmSlideShow", "入力フォルダが存在しません。");
        case TSlideListError::CannotList: return QCoreApplication::translate("TZVfrmSlideShow", "ファイル名の取得が出来ませんでした。");
        case TSlideListError::NoFiles: return QCoreApplication::translate("TZVfrmSlideShow", "対象となる画像ファイルがありません。");
        case TSlideListError::None: break;
    }
    return {};
}

}  // namespace

TZVfrmSlideShow::TZVfrmSlideShow(TEditorContext& form) : QDialog(&form.Window()), FForm(form) {
    setObjectName(QStringLiteral("ZVfrmSlideShow"));
    setWindowTitle(QCoreApplication::translate("TZVfrmSlideShow", "スライドショー"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    const TSlideShowSettings s =
        ReadSlideShowSettings(TIniFile(SettingsPath()), QCoreApplication::applicationDirPath().toStdString());

    // "入力画像": folder and picture type.
    auto* input = new QGroupBox(QCoreApplication::translate("TZVfrmSlideShow", "入力画像"), this);
    Edit1 = new QLineEdit(QString::fromStdString(s.InDirectory), input);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(260);
    btnBrowse = new QPushButton(QCoreApplication::translate("TZVfrmSlideShow", "参照..."), input);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    btnBrowse->setAutoDefault(false);
    connect(btnBrowse, &QPushButton::clicked, this, [this] { BrowseClick(); });
    ComboBox1 = new QComboBox(input);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(form.Filters.FDescriptionList);
    const int types = ComboBox1->count();
    ComboBox1->setCurrentIndex(s.InImageType < types ? s.InImageType : (types > 1 ? 1 : 0));
    auto* inputGrid = new QGridLayout(input);
    inputGrid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmSlideShow", "フォルダ："), input), 0, 0);
    inputGrid->addWidget(Edit1, 0, 1);
    inputGrid->addWidget(btnBrowse, 0, 2);
    inputGrid->addWidget(new QLabel(QCoreApplication::translate("TZVfrmSlideShow", "画像種別："), input), 1, 0);
    inputGrid->addWidget(ComboBox1, 1, 1, 1, 2);

    // Advance and loop.
    CheckBox1 = Check(this, "CheckBox1", QT_TRANSLATE_NOOP("TZVfrmSlideShow", "自動切り替え"), s.AutoSlide);
    SpinEdit1 = MakeSpinEdit(this, "SpinEdit1", kMinSlideInterval, kMaxSlideInterval, s.Interval, 60);
    Label3 = new QLabel(QCoreApplication::translate("TZVfrmSlideShow", "秒間隔"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    CheckBox2 = Check(this, "CheckBox2", QT_TRANSLATE_NOOP("TZVfrmSlideShow", "繰り返し再生"), s.Loop);
    auto* advanceRow = new QHBoxLayout;
    advanceRow->addWidget(CheckBox1);
    advanceRow->addWidget(SpinEdit1);
    advanceRow->addWidget(Label3);
    advanceRow->addStretch();
    advanceRow->addWidget(CheckBox2);

    // "並べ替え" and the reverse option.
    RadioGroup1 = new QGroupBox(QCoreApplication::translate("TZVfrmSlideShow", "並べ替え"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    auto* sortRow = new QHBoxLayout(RadioGroup1);
    for (const char* caption : {QT_TRANSLATE_NOOP("TZVfrmSlideShow", "名前順"), QT_TRANSLATE_NOOP("TZVfrmSlideShow", "画像種別順"), QT_TRANSLATE_NOOP("TZVfrmSlideShow", "更新日付順"), QT_TRANSLATE_NOOP("TZVfrmSlideShow", "ランダム")}) {
        auto* button = new QRadioButton(QCoreApplication::translate("TZVfrmSlideShow", caption), RadioGroup1);
        SortButtons.append(button);
        sortRow->addWidget(button);
        connect(button, &QRadioButton::toggled, this, [this] { UpdateEnabling(); });
    }
    SortButtons[s.SortType]->setChecked(true);
    CheckBox3 = Check(this, "CheckBox3", QT_TRANSLATE_NOOP("TZVfrmSlideShow", "逆順再生"), s.Descending);

    CheckBox4 = Check(this, "CheckBox4", QT_TRANSLATE_NOOP("TZVfrmSlideShow", "大きい画像はサイズを調整して表示"), s.FitWhenBigImage);
    CheckBox5 = Check(this, "CheckBox5", QT_TRANSLATE_NOOP("TZVfrmSlideShow", "編集モードに入る時に表示倍率を標準（100％）に戻す"), s.RecoverZoom);
    CheckBox6 = Check(this, "CheckBox6", QT_TRANSLATE_NOOP("TZVfrmSlideShow", "全画面表示"), s.FullScreen);
    CheckBox7 = Check(this, "CheckBox7", QT_TRANSLATE_NOOP("TZVfrmSlideShow", "ファイル名を表示"), s.ShowFileName);
    CheckBox8 = Check(this, "CheckBox8", QT_TRANSLATE_NOOP("TZVfrmSlideShow", "マウスカーソルを非表示にする"), s.HideCursor);
    for (QCheckBox* box : {CheckBox1, CheckBox4, CheckBox6})
        connect(box, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QCoreApplication::translate("TZVfrmSlideShow", "キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QCoreApplication::translate("TZVfrmSlideShow", "ヘルプ"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    for (QPushButton* b : {btnOK, btnCancel, btnHelp}) {
        b->setFixedSize(80, 26);
        buttons->addWidget(b);
    }
    btnCancel->setAutoDefault(false);
    btnHelp->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(kHelpSlideShow); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(input);
    layout->addLayout(advanceRow);
    layout->addWidget(RadioGroup1);
    layout->addWidget(CheckBox3);
    layout->addWidget(CheckBox4);
    layout->addWidget(CheckBox5);
    layout->addWidget(CheckBox6);
    layout->addWidget(CheckBox7);
    layout->addWidget(CheckBox8);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ShowErrorHook = [this](const QString& text) { QMessageBox::critical(this, ApplicationTitle(), text); };
    BrowseFolderHook = [this](const QString& initial) {
        TQxBrowseFolderDlg dialog(this);
        dialog.SetFolder(initial);
        return dialog.Execute() ? dialog.Folder() : QString();
    };
    UpdateEnabling();
}

void TZVfrmSlideShow::SetFolder(const QString& folder) { Edit1->setText(folder); }

TSlideShowSettings TZVfrmSlideShow::Values() const {
    TSlideShowSettings s;
    s.InDirectory = Edit1->text().toStdString();
    s.InImageType = std::max(0, ComboBox1->currentIndex());
    s.SortType = 0;
    for (int i = 0; i < SortButtons.size(); ++i)
        if (SortButtons[i]->isChecked()) s.SortType = i;
    s.AutoSlide = CheckBox1->isChecked();
    s.Interval = SpinEdit1->value();
    s.Loop = CheckBox2->isChecked();
    s.Descending = CheckBox3->isChecked();
    s.FitWhenBigImage = CheckBox4->isChecked();
    s.RecoverZoom = CheckBox5->isChecked();
    s.FullScreen = CheckBox6->isChecked();
    s.ShowFileName = CheckBox7->isChecked();
    s.HideCursor = CheckBox8->isChecked();
    return s;
}

void TZVfrmSlideShow::UpdateEnabling() {
    // The radio buttons report their first check while the dialog is built.
    if (!CheckBox8) return;
    SpinEdit1->setEnabled(CheckBox1->isChecked());
    Label3->setEnabled(CheckBox1->isChecked());
    CheckBox5->setEnabled(CheckBox4->isChecked());
    CheckBox7->setEnabled(CheckBox6->isChecked());
    CheckBox3->setEnabled(!SortButtons[3]->isChecked());
}

void TZVfrmSlideShow::BrowseClick() {
    QString initial = Edit1->text();
    while (initial.size() > 1 && initial.endsWith(QLatin1Char('/'))) initial.chop(1);
    if (!QFileInfo(initial).isDir()) initial.clear();
    const QString chosen = BrowseFolderHook(initial);
    if (!chosen.isEmpty()) Edit1->setText(chosen);
}

void TZVfrmSlideShow::OkClick() {
    const TSlideShowSettings s = Values();
    const QStringList& patterns = FForm.Filters.FPatternList;
    const std::string pattern = s.InImageType < patterns.size() ? patterns[s.InImageType].toStdString() : "";
    const TSlideList list =
        BuildSlideShowList(s.InDirectory, pattern, TSlideSortType(s.SortType), s.Descending,
                           [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    if (list.Error != TSlideListError::None) {
        ShowErrorHook(ListErrorText(list.Error));
        return;
    }
    FFiles = list.Files;
    FOptions = s;
    TIniFile ini(SettingsPath());
    WriteSlideShowSettings(s, ini);
    ini.UpdateFile();
    accept();
}

}  // namespace zelvo
