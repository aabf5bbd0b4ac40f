#pragma once
// TZVfrmTexture: the texture dialog "テクスチャ". The user picks a texture
// of the texture folder (TextureFolder.h) and the strength 1..100; a panel
// shows the effect at full scale on the visible part of the selection or
// the picture (TFullScalePreview). OK closes with Accepted; the main window
// then lays the texture over the picture. The chosen item and the strength
// are section "Texture", read when the dialog is made and written when it
// is destroyed.

#include <QDialog>

#include <vector>

#include "app/dialogs/TextureFolder.h"
#include "effects/Generated.h"
#include "platform/Bitmap.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace zelvo {

class TFullScalePreview;
class TIniFile;
class TEditorContext;

/// Section "Texture".
struct TTextureSettings {
    int ItemIndex = 0;  ///< index in the sorted list; one beyond it selects the first
    int Level = effects::kTextureLevel.Default;  ///< strength in per cent
};
/// Reads the section; a negative item or a level outside 1..100 reads as
/// its default.
TTextureSettings ReadTextureSettings(const TIniFile& ini);
void WriteTextureSettings(const TTextureSettings& settings, TIniFile& ini);

class TZVfrmTexture : public QDialog {
public:
    /// Builds the dialog over `form`'s picture with the textures of
    /// TextureFolders().
    explicit TZVfrmTexture(TEditorContext& form);
    ~TZVfrmTexture() override;

    QLabel* Label1 = nullptr;  ///< "テクスチャの選択"
    QComboBox* ComboBox1 = nullptr;  ///< the texture, under "テクスチャの選択"
    QLabel* Label2 = nullptr;  ///< "適用の強さ"
    QSlider* TrackBar1 = nullptr;  ///< "適用の強さ", with SpinEdit1
    QSpinBox* SpinEdit1 = nullptr;  ///< "適用の強さ", 1..100
    QFrame* Panel1 = nullptr;  ///< the full-scale preview
    QPushButton* Button1 = nullptr;  ///< "OK"
    QPushButton* Button2 = nullptr;  ///< "キャンセル"
    QPushButton* Button3 = nullptr;  ///< "ヘルプ"

    const std::vector<TTextureEntry>& Textures() const { return FTextures; }
    /// The loaded texture; empty when none is chosen or it could not be read.
    const TBitmap& TextureBitmap() const { return FTexture; }
    int Level() const;
    TFullScalePreview& Preview() { return *FPreview; }

    /// Loads the texture of combo item `index` (none: empty) and refreshes.
    void TextureChanged(int index);
    /// The preview: the texture over the visible part, tiled from the
    /// scroll position.
    void RefreshPreview();

private:
    TEditorContext& FForm;
    std::vector<TTextureEntry> FTextures;
    TBitmap FTexture;
    TFullScalePreview* FPreview = nullptr;
};

}  // namespace zelvo
