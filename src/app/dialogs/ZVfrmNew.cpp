#include "app/dialogs/ZVfrmNew.h"

#include <QCoreApplication>
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "app/common/HelpPages.h"
#include "app/common/Settings.h"
#include "app/dialogs/ColorComboBox.h"
#include "app/dialogs/DialogParts.h"
#include "app/common/EditorContext.h"
#include "document/QxImage.h"
#include "platform/IniFile.h"
#include "platform/IniKeys.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

constexpr const char* kSection = "NewImage";
constexpr int kHelpNew = 73;

}  // namespace

namespace {

template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit) {
    visit(IntKey("Width", s.Width, effects::kNewImageWidth.Min, effects::kNewImageWidth.Max));
    visit(IntKey("Height", s.Height, effects::kNewImageHeight.Min, effects::kNewImageHeight.Max));
    visit(ColorKey("BGColor", s.BGColor));
}

}  // namespace

TNewImageSettings ReadNewImageSettings(const TIniFile& ini) {
    TNewImageSettings s;
    EachKey(s, TKeyReader(ini, kSection));
    return s;
}

void WriteNewImageSettings(const TNewImageSettings& s, TIniFile& ini) { EachKey(s, TKeyWriter(ini, kSection)); }

TZVfrmNew::TZVfrmNew(TEditorContext& form) : QDialog(&form.Window()), FForm(form) {
    setObjectName(QStringLiteral("ZVfrmNew"));
    setWindowTitle(QCoreApplication::translate("TZVfrmNew", "新規作成"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    setFixedSize(272, 146);

    const TNewImageSettings s = ReadNewImageSettings(TIniFile(SettingsPath()));
    auto label = [this](const char* name, const char* text, int x, int y, int w) {
        auto* l = new QLabel(QCoreApplication::translate("TZVfrmNew", text), this);
        if (name) l->setObjectName(QLatin1String(name));
        l->setGeometry(x, y, w, 22);
        return l;
    };
    Label3 = label("Label3", QT_TRANSLATE_NOOP("TZVfrmNew", "画像横サイズ："), 10, 10, 110);
    SpinEdit1 = MakeSpinEdit(this, "SpinEdit1", effects::kNewImageWidth.Min, effects::kNewImageWidth.Max, s.Width, 70);
    SpinEdit1->setGeometry(122, 10, 70, 22);
    label(nullptr, QT_TRANSLATE_NOOP("TZVfrmNew", "ピクセル"), 198, 10, 64);
    Label4 = label("Label4", QT_TRANSLATE_NOOP("TZVfrmNew", "画像縦サイズ："), 10, 38, 110);
    SpinEdit2 = MakeSpinEdit(this, "SpinEdit2", effects::kNewImageHeight.Min, effects::kNewImageHeight.Max, s.Height, 70);
    SpinEdit2->setGeometry(122, 38, 70, 22);
    label(nullptr, QT_TRANSLATE_NOOP("TZVfrmNew", "ピクセル"), 198, 38, 64);
    Label5 = label("Label5", QT_TRANSLATE_NOOP("TZVfrmNew", "キャンバスの色："), 10, 68, 110);
    ColorBox1 = new TColorComboBox(this);
    ColorBox1->setObjectName(QStringLiteral("ColorBox1"));
    ColorBox1->setGeometry(122, 68, 140, 24);
    ColorBox1->SetSelected(s.BGColor);

    // Enter in any field acts as OK: Button1 is the default button.
    MakeOkCancelHelpButtons(*this, 6, 110, {"Button1", "Button2", "Button3"}, Button1, Button2, Button3,
                            [this] { OkClick(); }, [] { ShowHelpTopic(kHelpNew); });
}

TNewImageSettings TZVfrmNew::Values() const {
    return {SpinEdit1->value(), SpinEdit2->value(), ColorBox1->Selected()};
}

void TZVfrmNew::done(int result) {
    TIniFile ini(SettingsPath());
    WriteNewImageSettings(Values(), ini);
    ini.UpdateFile();
    QDialog::done(result);
}

bool TZVfrmNew::OkClick() {
    if (!FForm.AskSaveModified()) return false;
    const TNewImageSettings s = Values();
    try {
        // The picture is made before anything changes: a failure leaves the
        // open one as it was.
        FForm.QxImage1().NewImage(s.Width, s.Height, 24, s.BGColor);
    } catch (const std::exception& error) {
        FForm.ShowError(error);
        return false;
    }
    FForm.QxImage1().SaveProgressive = false;
    FForm.QxImage1().SaveTransparent = false;
    FForm.PictureReplaced();
    accept();
    return true;
}

}  // namespace zelvo
