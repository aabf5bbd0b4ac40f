#pragma once
// TZVfrmSelectIcon: the icon chooser "アイコンの選択", offered before an icon
// source (an icon file, or a program or library with icon resources) is
// opened. A list of the source's images on the left ("  1:  32 x  32   4
// bpp"), a framed white 100 x 100 preview of the selected image drawn
// centred (so a larger image shows its middle), "OK" (default; a
// double-click on a line does the same) and "キャンセル".

#include <QDialog>
#include <QImage>

#include <filesystem>
#include <string>

#include "formats/IconFile.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace zelvo {

class TZVfrmSelectIcon : public QDialog {
public:
    /// What Prepare found.
    static constexpr int kShowDialog = 0;
    static constexpr int kNothingToShow = 1;
    static constexpr int kSingleImage = 9;
    /// Side of the preview box.
    static constexpr int kPreviewSide = 100;

    explicit TZVfrmSelectIcon(QWidget* parent = nullptr);

    /// Clears the list and reads `path`. Returns kSingleImage when the source
    /// holds exactly one image (open image 0 without the dialog), otherwise
    /// lists every image, selects the first line and returns kShowDialog
    /// when there is at least one line, kNothingToShow otherwise (not an
    /// icon source, no image, or a file that cannot be read, whose message
    /// is then in LoadFailure()).
    int Prepare(const std::filesystem::path& path);
    /// The selected line's image index (-1 with no selection).
    int SelectedIndex() const;
    /// The reason the last Prepare could not read the file; empty otherwise.
    const std::string& LoadFailure() const { return FLoadFailure; }
    /// The images read by the last Prepare.
    const TAdvancedIcon& Icon() const { return FIcon; }

    /// The preview box's picture: white, the selected image drawn at
    /// ((100 - width) / 2, (100 - height) / 2), rounded towards zero.
    QImage PreviewImage() const;

    QListWidget* ListBox1 = nullptr;  ///< the icon's images
    /// The framed preview box.
    QLabel* Image1 = nullptr;  ///< the chosen image, drawn
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void UpdatePreview();

    TAdvancedIcon FIcon;
    std::string FLoadFailure;
};

}  // namespace zelvo
