#include "app/dialogs/ZVfrmTexture.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include <climits>

#include "app/common/HelpPages.h"
#include "app/common/Settings.h"
#include "app/dialogs/DialogParts.h"
#include "app/dialogs/FullScalePreview.h"
#include "app/common/EditorContext.h"
#include "document/QxImage.h"
#include "formats/QxImageIO.h"
#include "platform/IniFile.h"
#include "platform/IniKeys.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

constexpr const char* kSection = "Texture";
constexpr int kHelpTexture = 104;
constexpr int kPanelSize = 160;

}  // namespace

namespace {

template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit) {
    visit(IntKey("ItemIndex", s.ItemIndex, 0, INT_MAX));
    visit(IntKey("Level", s.Level, effects::kTextureLevel.Min, effects::kTextureLevel.Max));
}

}  // namespace

TTextureSettings ReadTextureSettings(const TIniFile& ini) {
    TTextureSettings s;
    EachKey(s, TKeyReader(ini, kSection));
    return s;
}

void WriteTextureSettings(const TTextureSettings& s, TIniFile& ini) { EachKey(s, TKeyWriter(ini, kSection)); }

TZVfrmTexture::TZVfrmTexture(TEditorContext& form) : QDialog(&form.Window()), FForm(form) {
    setObjectName(QStringLiteral("ZVfrmTexture"));
    setWindowTitle(QCoreApplication::translate("TZVfrmTexture", "テクスチャ"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    setFixedSize(362, 214);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, kPanelSize, kPanelSize);
    FPreview = new TFullScalePreview(Panel1, kPanelSize);
    FPreview->OnRefreshWanted = [this] { RefreshPreview(); };

    Label1 = new QLabel(QCoreApplication::translate("TZVfrmTexture", "テクスチャの選択"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(178, 8, 176, 18);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(178, 28, 176, 24);
    Label2 = new QLabel(QCoreApplication::translate("TZVfrmTexture", "適用の強さ"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(178, 64, 176, 18);
    TrackBar1 = new QSlider(Qt::Horizontal, this);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(174, 84, 118, 28);
    TrackBar1->setRange(effects::kTextureLevel.Min, effects::kTextureLevel.Max);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setTickInterval(10);
    SpinEdit1 = MakeSpinEdit(this, "SpinEdit1", effects::kTextureLevel.Min, effects::kTextureLevel.Max,
                             effects::kTextureLevel.Default, 56);
    SpinEdit1->setGeometry(296, 86, 58, 24);

    MakeOkCancelHelpButtons(*this, 55, 180, {"Button1", "Button2", "Button3"}, Button1, Button2, Button3,
                            [this] { accept(); }, [] { ShowHelpTopic(kHelpTexture); });

    // The source at full scale, then the list and the remembered choice.
    FPreview->Load(form.QxImage1());
    const QString patterns = form.Filters.FPatternList.isEmpty() ? QString() : form.Filters.FPatternList.first();
    FTextures = ListTextures(TextureFolders(), patterns);
    for (const TTextureEntry& entry : FTextures) ComboBox1->addItem(entry.Name);
    const TTextureSettings s = ReadTextureSettings(TIniFile(SettingsPath()));
    TrackBar1->setValue(s.Level);
    SpinEdit1->setValue(s.Level);
    const int item = s.ItemIndex < int(FTextures.size()) ? s.ItemIndex : 0;

    LinkTrackBarAndSpinEdit(TrackBar1, SpinEdit1, [this] { RefreshPreview(); });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) { TextureChanged(index); });
    if (FTextures.empty()) return;
    if (ComboBox1->currentIndex() == item) TextureChanged(item);
    else ComboBox1->setCurrentIndex(item);
}

TZVfrmTexture::~TZVfrmTexture() {
    TIniFile ini(SettingsPath());
    WriteTextureSettings({std::max(0, ComboBox1->currentIndex()), Level()}, ini);
    ini.UpdateFile();
}

int TZVfrmTexture::Level() const { return SpinEdit1->value(); }

void TZVfrmTexture::TextureChanged(int index) {
    FTexture = TBitmap();
    if (index >= 0 && index < int(FTextures.size())) {
        TDibImage picture;
        if (LoadPictureFile(FTextures[std::size_t(index)].Path.toStdString(), picture, FForm.Options.FGIFMode))
            FTexture.Assign(picture);
    }
    RefreshPreview();
}

void TZVfrmTexture::RefreshPreview() {
    if (FTexture.Empty()) {
        FPreview->OverlayView().hide();
        return;
    }
    const int textureWidth = FTexture.Width(), textureHeight = FTexture.Height();
    FPreview->Refresh([this, textureWidth, textureHeight](TQxImage& overlay, int offsetY, int offsetX) {
        try {
            overlay.Texture(FTexture, Level(), offsetY % textureHeight, offsetX % textureWidth);
        } catch (const std::exception& error) {
            FForm.ShowError(error);
        }
    });
}

}  // namespace zelvo
