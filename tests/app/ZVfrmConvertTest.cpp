// The batch dialog: controls, enabling rules, messages, a run with its
// settings, a cancelled run, and the "BatchConvert" settings section.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <fstream>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/folders/BatchConvertSettings.h"
#include "app/folders/BrowseFolderDlg.h"
#include "app/folders/ZVfrmConvert.h"
#include "app/folders/ZVfrmProgress.h"
#include "app/window/CommandTable.h"
#include "formats/QxImageIO.h"
#include "platform/IniFile.h"

namespace zelvo::test {
namespace {

namespace fs = std::filesystem;

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

/// Message boxes of the dialog, captured.
struct TMessages {
    QStringList Texts;
    TMessages() {
        TZVfrmConvert::MessageHook() = [this](QMessageBox::Icon, const QString& text) { Texts << text; };
    }
    ~TMessages() { TZVfrmConvert::MessageHook() = nullptr; }
};

class ConvertDialog : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTempDir("zelvo-convert");
        in_ = dir_ / "in";
        out_ = dir_ / "out";
        fs::create_directories(in_);
        fs::create_directories(out_);
        env_.InputDescriptions = {QStringLiteral("全ての画像ファイル"), QStringLiteral("ビットマップ"),
                                  QStringLiteral("JPEG")};
        env_.InputPatterns = {QStringLiteral("*.bmp *.dib *.jpg *.jpe *.jpeg *.png "), QStringLiteral("*.bmp *.dib "),
                              QStringLiteral("*.jpg *.jpe *.jpeg ")};
        env_.SettingsFile = dir_ / "Zelvo.ini";
        env_.ProgramFolder = QStringLiteral("/opt/zelvo");
    }
    void TearDown() override { fs::remove_all(dir_); }

    void WriteBmps(int count) {
        for (int i = 0; i < count; ++i)
            test::NoiseImage24(20, 10, std::uint32_t(i)).SaveToFile(in_ / ("p" + std::to_string(i) + ".bmp"));
    }

    std::vector<std::string> OutNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(out_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_, in_, out_;
    TConvertEnvironment env_;
};

TEST_F(ConvertDialog, ControlsAndDefaults) {
    TZVfrmConvert dialog(env_);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("一括変換"));
    EXPECT_EQ(dialog.GroupBox1->title(), QStringLiteral("入力画像"));
    EXPECT_EQ(dialog.GroupBox2->title(), QStringLiteral("出力画像"));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());  // fixed size
    EXPECT_EQ(dialog.ComboBox1->count(), 3);
    EXPECT_EQ(dialog.ComboBox1->itemText(0), QStringLiteral("全ての画像ファイル"));
    const QStringList outputs = {QStringLiteral("ビットマップファイル(*.bmp)"), QStringLiteral("JPEG ファイル(*.jpg)"),
                                 QStringLiteral("PNG ファイル(*.png)")};
    ASSERT_EQ(dialog.ComboBox2->count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(dialog.ComboBox2->itemText(i), outputs[i]);
    const char* const filters[] = {"Box", "Hermite", "Triangle", "Bell", "Mitchell", "BSpline", "Lanczos3"};
    ASSERT_EQ(dialog.ComboBox3->count(), 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(dialog.ComboBox3->itemText(i), QString::fromLatin1(filters[i]));
    const QStringList depths = {QStringLiteral("フルカラー(24bit)"), QStringLiteral("256色(8bit)"),
                                QStringLiteral("16色(4bit)"), QStringLiteral("2色(1bit)"),
                                QStringLiteral("2色(ハーフトーン)")};
    ASSERT_EQ(dialog.ComboBox4->count(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(dialog.ComboBox4->itemText(i), depths[i]);
    EXPECT_EQ(dialog.CheckBox1->text(), QStringLiteral("画像のサイズを変更する"));
    EXPECT_EQ(dialog.RadioButton4->text(), QStringLiteral("拡大率で指定する"));
    EXPECT_EQ(dialog.CheckBox3->text(), QStringLiteral("インターレース/プログレッシブ"));
    EXPECT_EQ(dialog.CheckBox4->text(), QStringLiteral("減色／増色"));
    EXPECT_EQ(dialog.btnCancel->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(dialog.btnHelp->text(), QStringLiteral("ヘルプ"));

    // No settings file yet: the defaults, the program folder as input.
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("/opt/zelvo"));
    EXPECT_TRUE(dialog.Edit2->text().isEmpty());
    EXPECT_EQ(dialog.SpinEdit1->value(), 200);
    EXPECT_EQ(dialog.SpinEdit5->value(), 50);
    EXPECT_EQ(dialog.SpinEdit5->minimum(), 10);
    EXPECT_EQ(dialog.SpinEdit5->maximum(), 1000);
    EXPECT_EQ(dialog.SpinEdit1->maximum(), 99999);
    EXPECT_EQ(dialog.ComboBox3->currentIndex(), 6);
    EXPECT_TRUE(dialog.RadioButton1->isChecked());

    env_.GifMode = true;
    TZVfrmConvert gif(env_);
    ASSERT_EQ(gif.ComboBox2->count(), 4);
    EXPECT_EQ(gif.ComboBox2->itemText(3), QStringLiteral("GIF ファイル(*.gif)"));
}

TEST_F(ConvertDialog, EnablingRules) {
    TZVfrmConvert d(env_);
    struct TCase {
        bool Resize;
        QRadioButton* Mode;
        bool Resample;
        bool Colour;
        int Output;
    };
    const TCase cases[] = {
        {false, d.RadioButton1, false, false, 0}, {true, d.RadioButton1, false, true, 1},
        {true, d.RadioButton2, true, true, 2},    {true, d.RadioButton3, false, false, 1},
        {true, d.RadioButton4, true, false, 0},   {false, d.RadioButton4, false, true, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Mode->objectName().toStdString() + (c.Resize ? " resize" : "") +
                     (c.Resample ? " resample" : "") + (c.Colour ? " colour" : "") + " type " +
                     std::to_string(c.Output));
        // Clicks, as the user makes them: the rules run on each.
        if (d.CheckBox1->isChecked() != c.Resize) d.CheckBox1->click();
        if (d.CheckBox1->isChecked()) c.Mode->click();
        else c.Mode->setChecked(true);
        if (d.CheckBox2->isChecked() != c.Resample) d.CheckBox2->click();
        if (d.CheckBox4->isEnabled() && d.CheckBox4->isChecked() != c.Colour) d.CheckBox4->click();
        else d.CheckBox4->setChecked(c.Colour);
        d.ComboBox2->setCurrentIndex(c.Output);
        if (!c.Resize) d.CheckBox1->click(), d.CheckBox1->click();  // re-run the rules for the mode

        const int mode = c.Mode == d.RadioButton1 ? 0 : c.Mode == d.RadioButton2 ? 1 : c.Mode == d.RadioButton3 ? 2 : 3;
        for (QRadioButton* r : {d.RadioButton1, d.RadioButton2, d.RadioButton3, d.RadioButton4})
            EXPECT_EQ(r->isEnabled(), c.Resize);
        EXPECT_EQ(d.SpinEdit1->isEnabled(), c.Resize && mode == 0);
        EXPECT_EQ(d.SpinEdit2->isEnabled(), c.Resize && mode == 1);
        EXPECT_EQ(d.SpinEdit3->isEnabled(), c.Resize && mode == 2);
        EXPECT_EQ(d.SpinEdit4->isEnabled(), c.Resize && mode == 2);
        EXPECT_EQ(d.SpinEdit5->isEnabled(), c.Resize && mode == 3);
        EXPECT_EQ(d.ComboBox3->isEnabled(), c.Resample);
        EXPECT_EQ(d.CheckBox4->isEnabled(), !c.Resample);
        EXPECT_EQ(d.ComboBox4->isEnabled(), !c.Resample && c.Colour);
        EXPECT_EQ(d.CheckBox3->isEnabled(), c.Output != 1);
        // With resampling the colour change is off whatever its box says.
        EXPECT_EQ(d.CurrentOptions().ChangeDepth, !c.Resample && c.Colour);
        EXPECT_EQ(d.CurrentOptions().Resize, c.Resize);
    }
}

TEST_F(ConvertDialog, MissingFoldersAndEmptyListingKeepTheDialogOpen) {
    TMessages messages;
    WriteBmps(1);
    TZVfrmConvert dialog(env_);
    dialog.show();
    struct TCase {
        QString In, Out;
        int Type;
        const char* Message;
    } cases[] = {
        {Q(dir_ / "nothing"), Q(out_), 0, "入力フォルダが存在しません。"},
        {QString(), Q(out_), 0, "入力フォルダが存在しません。"},
        {Q(in_), Q(dir_ / "nothing"), 0, "出力フォルダが存在しません。"},
        // The JPEG type matches none of the BMP files.
        {Q(in_) + "\\", Q(out_) + "/", 2, "入力フォルダ内に画像ファイルが存在しません。"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Message);
        messages.Texts.clear();
        dialog.Edit1->setText(c.In);
        dialog.Edit2->setText(c.Out);
        dialog.ComboBox1->setCurrentIndex(c.Type);
        dialog.btnOK->click();
        EXPECT_EQ(messages.Texts, QStringList{QString::fromUtf8(c.Message)});
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_TRUE(OutNames().empty());
    EXPECT_FALSE(fs::exists(env_.SettingsFile));
}

TEST_F(ConvertDialog, RunConvertsReportsAndStoresTheSettings) {
    TMessages messages;
    WriteBmps(3);
    // broken.jpg is not a picture: skipped and named in the one report.
    std::ofstream(in_ / "broken.jpg") << "garbage";
    TZVfrmConvert dialog(env_);
    dialog.show();
    dialog.Edit1->setText(Q(in_) + "/");
    dialog.Edit2->setText(Q(out_));
    dialog.ComboBox2->setCurrentIndex(2);  // PNG
    dialog.CheckBox1->click();
    dialog.RadioButton4->click();
    dialog.SpinEdit5->setValue(10);  // 20 x 10 at 10 % -> 2 x 1
    dialog.btnOK->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(OutNames(), (std::vector<std::string>{"p0.png", "p1.png", "p2.png"}));
    TDibImage written;
    TPictureFileInfo info;
    ASSERT_TRUE(ReadDocumentPicture(out_ / "p1.png", false, written, info));
    EXPECT_EQ(written.Width(), 2);
    EXPECT_EQ(written.Height(), 1);
    EXPECT_EQ(dialog.LastSummary().Converted, 3);
    EXPECT_EQ(dialog.LastSummary().Skipped, 1);
    ASSERT_EQ(messages.Texts.size(), 1);
    EXPECT_TRUE(messages.Texts[0].contains(QStringLiteral("broken.jpg"))) << messages.Texts[0].toStdString();

    const TIniFile ini(env_.SettingsFile);
    EXPECT_EQ(ini.ReadString("BatchConvert", "InDirectory", ""), Q(in_).toStdString() + "/");
    EXPECT_EQ(ini.ReadString("BatchConvert", "OutDirectory", ""), out_.string());
    EXPECT_EQ(ini.ReadInteger("BatchConvert", "OutImageType", -1), 2);
    EXPECT_EQ(ini.ReadInteger("BatchConvert", "OutImageScale", -1), 10);
    EXPECT_EQ(ini.ReadInteger("BatchConvert", "ResizeType", -1), 3);
    EXPECT_TRUE(ini.ReadBool("BatchConvert", "ResizeImage", false));

    // The next dialog starts where this one ended.
    TZVfrmConvert again(env_);
    EXPECT_EQ(again.ComboBox2->currentIndex(), 2);
    EXPECT_TRUE(again.RadioButton4->isChecked());
    EXPECT_TRUE(again.SpinEdit5->isEnabled());
    EXPECT_EQ(again.SpinEdit5->value(), 10);
}

TEST_F(ConvertDialog, CancelledRunClosesAndStoresTheSettings) {
    TMessages messages;
    WriteBmps(6);
    TZVfrmProgress::ConfirmHook() = [](TZVfrmProgress& progress) {
        EXPECT_EQ(progress.windowTitle(), QStringLiteral("変換処理中"));
        EXPECT_EQ(progress.CancelQuestion(), QStringLiteral("変換処理を中断してもよろしいですか？"));
        return true;
    };
    TZVfrmConvert dialog(env_);
    dialog.show();
    dialog.Edit1->setText(Q(in_));
    dialog.Edit2->setText(Q(out_));
    // The cancel button is pressed as soon as the progress window handles
    // its first events (the listing before it processes events too).
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&presser] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<TZVfrmProgress*>(widget); progress && progress->isVisible()) {
                presser.stop();
                progress->Button1->click();
            }
    });
    presser.start(0);
    dialog.btnOK->click();
    TZVfrmProgress::ConfirmHook() = nullptr;

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.LastSummary().Cancelled);
    EXPECT_LT(dialog.LastSummary().Converted, 6);
    EXPECT_EQ(int(OutNames().size()), dialog.LastSummary().Converted);
    EXPECT_TRUE(messages.Texts.isEmpty());
    EXPECT_TRUE(TIniFile(env_.SettingsFile).SectionExists("BatchConvert"));
}

TEST_F(ConvertDialog, BrowseButtonsUseTheFolderChooser) {
    TZVfrmConvert dialog(env_);
    QString presetSeen;
    TQxBrowseFolderDlg::ExecuteHook() = [&](TQxBrowseFolderDlg& chooser) {
        EXPECT_EQ(chooser.Caption(), QStringLiteral("フォルダの参照"));
        presetSeen = chooser.Folder();
        return chooser.SetFolder(Q(out_));
    };
    dialog.Edit1->setText(Q(in_) + "\\");
    dialog.Button1->click();
    EXPECT_EQ(presetSeen, Q(in_));
    EXPECT_EQ(dialog.Edit1->text(), Q(out_));
    // A folder that does not exist presets nothing; cancelling keeps the edit.
    dialog.Edit2->setText(Q(dir_ / "nothing"));
    TQxBrowseFolderDlg::ExecuteHook() = [&](TQxBrowseFolderDlg& chooser) {
        presetSeen = chooser.Folder();
        return false;
    };
    dialog.Button2->click();
    EXPECT_TRUE(presetSeen.isEmpty());
    EXPECT_EQ(dialog.Edit2->text(), Q(dir_ / "nothing"));
    TQxBrowseFolderDlg::ExecuteHook() = nullptr;
}

TEST(BatchConvertSettings, WrittenValuesReadBack) {
    TBatchConvertSettings s;
    s.InDirectory = "/data/in";
    s.OutDirectory = "/data/out";
    s.OutImageWidth = 1;
    s.OutImageHeight = 99999;
    s.OutImageSizeX = 640;
    s.OutImageSizeY = 480;
    s.OutImageScale = 1000;
    s.InImageType = 2;
    s.OutImageType = 3;
    s.ResampleType = 0;
    s.ResizeImage = s.ResampleImage = s.Progressive = s.ColorDefinition = true;
    s.ColorDefinitionType = 4;
    s.ResizeType = 2;
    TIniFile ini = TIniFile::FromText("");
    WriteBatchConvertSettings(s, ini);
    const TBatchConvertSettings r = ReadBatchConvertSettings(ini, 3, /*gifMode=*/true, "/prog");
    EXPECT_EQ(r.InDirectory, s.InDirectory);
    EXPECT_EQ(r.OutDirectory, s.OutDirectory);
    EXPECT_EQ(r.OutImageWidth, 1);
    EXPECT_EQ(r.OutImageHeight, 99999);
    EXPECT_EQ(r.OutImageSizeX, 640);
    EXPECT_EQ(r.OutImageSizeY, 480);
    EXPECT_EQ(r.OutImageScale, 1000);
    EXPECT_EQ(r.InImageType, 2);
    EXPECT_EQ(r.OutImageType, 3);
    EXPECT_EQ(r.ResampleType, 0);
    EXPECT_TRUE(r.ResizeImage && r.ResampleImage && r.Progressive && r.ColorDefinition);
    EXPECT_EQ(r.ColorDefinitionType, 4);
    EXPECT_EQ(r.ResizeType, 2);
    EXPECT_EQ(ini.ReadSection("BatchConvert").size(), 16u);
}

TEST(BatchConvertSettings, ValuesOutsideTheirRangesReadAsDefaults) {
    const std::string longPath(TIniFile::kMaxStringLength + 1, 'x');
    const TIniFile ini = TIniFile::FromText(
        "[BatchConvert]\n"
        "InDirectory=" + longPath + "\n"
        "OutImageWidth=0\nOutImageHeight=100000\nOutImageSizeX=-5\nOutImageSizeY=abc\n"
        "OutImageScale=9\nInImageType=3\nOutImageType=3\nResampleType=7\n"
        "ColorDefinitionType=5\nResizeType=4\n");
    const TBatchConvertSettings r = ReadBatchConvertSettings(ini, 3, /*gifMode=*/false, "/prog");
    const TBatchConvertSettings d;
    EXPECT_EQ(r.InDirectory, "/prog");
    EXPECT_EQ(r.OutImageWidth, d.OutImageWidth);
    EXPECT_EQ(r.OutImageHeight, d.OutImageHeight);
    EXPECT_EQ(r.OutImageSizeX, d.OutImageSizeX);
    EXPECT_EQ(r.OutImageSizeY, d.OutImageSizeY);
    EXPECT_EQ(r.OutImageScale, 50);
    EXPECT_EQ(r.InImageType, 0);   // only three input types
    EXPECT_EQ(r.OutImageType, 0);  // GIF output without GIF mode
    EXPECT_EQ(r.ResampleType, 6);
    EXPECT_EQ(r.ColorDefinitionType, 0);
    EXPECT_EQ(r.ResizeType, 0);
    // The edges of each range are kept.
    const TIniFile edges = TIniFile::FromText(
        "[BatchConvert]\nOutImageScale=10\nInImageType=2\nOutImageType=2\nResampleType=6\nResizeType=3\n"
        "ColorDefinitionType=4\nOutImageWidth=$1869F\n");
    const TBatchConvertSettings e = ReadBatchConvertSettings(edges, 3, false, "/prog");
    EXPECT_EQ(e.OutImageScale, 10);
    EXPECT_EQ(e.InImageType, 2);
    EXPECT_EQ(e.OutImageType, 2);
    EXPECT_EQ(e.ResampleType, 6);
    EXPECT_EQ(e.ResizeType, 3);
    EXPECT_EQ(e.ColorDefinitionType, 4);
    EXPECT_EQ(e.OutImageWidth, 99999);
}

TEST(BatchConvertCommand, IsWiredInTheMainWindow) {
    auto form = MakeWindow();
    EXPECT_TRUE(form->Actions.mnuBatchConvert->isEnabled());
    EXPECT_EQ(form->Actions.mnuBatchConvert->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
    // The dialog takes the window's lists and options.
    form->Options.FJpegQuality = 33;
    const TConvertEnvironment env = TZVfrmConvert::EnvironmentOf(*form);
    EXPECT_EQ(env.InputDescriptions, form->Filters.FDescriptionList);
    EXPECT_EQ(env.InputPatterns, form->Filters.FPatternList);
    EXPECT_EQ(env.JpegQuality, 33);
}

}  // namespace
}  // namespace zelvo::test
