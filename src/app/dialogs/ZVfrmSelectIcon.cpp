#include "app/dialogs/ZVfrmSelectIcon.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QFontDatabase>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

#include "app/dialogs/DialogParts.h"
#include "effects/Generated.h"
#include "image/Exceptions.h"
#include "platform/Bitmap.h"
#include "platform/qt/QImageBridge.h"

namespace zelvo {

TZVfrmSelectIcon::TZVfrmSelectIcon(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ZVfrmSelectIcon"));
    setWindowTitle(QCoreApplication::translate("TZVfrmSelectIcon", "アイコンの選択"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    // The lines are aligned in columns of fixed width.
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ListBox1->setFont(mono);
    ListBox1->setMinimumSize(200, 160);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { UpdatePreview(); });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { accept(); });

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Image1->setLineWidth(1);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setFixedSize(kPreviewSide + 2, kPreviewSide + 2);

    QHBoxLayout* buttons = MakeOkCancelRow(*this, btnOK, btnCancel, [this] { accept(); });

    auto* right = new QVBoxLayout;
    right->addWidget(Image1);
    right->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(ListBox1, 1);
    top->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    UpdatePreview();
}

int TZVfrmSelectIcon::Prepare(const std::filesystem::path& path) {
    ListBox1->clear();
    FIcon.Clear();
    FLoadFailure.clear();
    bool loaded = false;
    try {
        loaded = FIcon.LoadFromFile(path);
    } catch (const Exception& e) {
        // Nothing to choose from; the caller may tell why.
        FLoadFailure = e.what();
    }
    if (loaded && FIcon.Count() == 1) return kSingleImage;
    for (int i = 0; i < FIcon.Count(); ++i)
        ListBox1->addItem(QString::fromStdString(IconChooserLine(i, *FIcon.Images(i))));
    if (ListBox1->count() == 0) return kNothingToShow;
    ListBox1->setCurrentRow(0);
    UpdatePreview();
    return kShowDialog;
}

int TZVfrmSelectIcon::SelectedIndex() const { return ListBox1->currentRow(); }

QImage TZVfrmSelectIcon::PreviewImage() const {
    TDibImage box = effects::NewImage(kPreviewSide, kPreviewSide, 24, clWhite);
    // Centred; a size from a header may be anything, so in 64 bits.
    const auto centre = [](int side) {
        return int(std::clamp<std::int64_t>((std::int64_t(kPreviewSide) - side) / 2, -(1 << 24), 1 << 24));
    };
    if (const TIconImage* image = FIcon.Images(SelectedIndex()))
        image->Draw(box, centre(image->Width()), centre(image->Height()));
    TBitmap bitmap;
    bitmap.Assign(box);
    return ToQImage(bitmap);
}

void TZVfrmSelectIcon::UpdatePreview() { Image1->setPixmap(QPixmap::fromImage(PreviewImage())); }

}  // namespace zelvo
