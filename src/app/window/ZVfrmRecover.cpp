#include "app/window/ZVfrmRecover.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Bitmap.h"
#include "platform/qt/QImageBridge.h"

namespace zelvo {

namespace {

constexpr int kThumbnailSize = 96;

QPixmap Thumbnail(const TDibImage& pixels) {
    TBitmap bitmap;
    bitmap.Assign(pixels);
    const QImage image = ToQImage(bitmap);
    return QPixmap::fromImage(image.scaled(kThumbnailSize, kThumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace

TZVfrmRecover::TZVfrmRecover(const std::vector<TRecoveryOffer>& offers, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ZVfrmRecover"));
    setWindowTitle(tr("画像の復元"));
    auto* message = new QLabel(tr("保存されずに終了した画像があります。復元しますか？"), this);
    message->setWordWrap(true);

    lstPictures = new QListWidget(this);
    lstPictures->setObjectName(QStringLiteral("lstPictures"));
    lstPictures->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    lstPictures->setSelectionMode(QAbstractItemView::SingleSelection);
    for (std::size_t i = 0; i < offers.size(); ++i) {
        const TRecoveryInfo& info = offers[i].Picture.Info;
        const QString name = info.FileName.empty() ? tr("(無題)") : QString::fromStdString(info.FileName);
        const QString when = QDateTime::fromSecsSinceEpoch(info.SavedTime).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        const TDibImage& pixels = offers[i].Picture.Pixels;
        const QString size = QStringLiteral("%1 x %2  %3bit").arg(pixels.Width()).arg(pixels.Height()).arg(pixels.BitCount());
        auto* item = new QListWidgetItem(QIcon(Thumbnail(pixels)), name + QLatin1Char('\n') + when + QLatin1Char('\n') + size);
        item->setData(Qt::UserRole, int(i));
        item->setToolTip(name);
        lstPictures->addItem(item);
    }
    lstPictures->setCurrentRow(0);
    lstPictures->setMinimumWidth(lstPictures->sizeHintForColumn(0) + 2 * lstPictures->frameWidth() + 24);

    btnRestore = new QPushButton(tr("復元(&R)"), this);
    btnRestore->setObjectName(QStringLiteral("btnRestore"));
    btnDiscard = new QPushButton(tr("破棄(&D)"), this);
    btnDiscard->setObjectName(QStringLiteral("btnDiscard"));
    btnLater = new QPushButton(tr("後で(&L)"), this);
    btnLater->setObjectName(QStringLiteral("btnLater"));
    btnRestore->setDefault(true);
    btnRestore->setAutoDefault(true);
    connect(btnRestore, &QPushButton::clicked, this, [this] {
        if (SelectedIndex() >= 0) accept();
    });
    connect(btnDiscard, &QPushButton::clicked, this, [this] { DiscardSelected(); });
    connect(btnLater, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstPictures, &QListWidget::itemDoubleClicked, this, [this] { accept(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnRestore);
    buttons->addWidget(btnDiscard);
    buttons->addWidget(btnLater);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addWidget(lstPictures);
    layout->addLayout(buttons);
    btnRestore->setFocus();
}

int TZVfrmRecover::SelectedIndex() const {
    const QListWidgetItem* item = lstPictures->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : -1;
}

void TZVfrmRecover::Select(int index) {
    for (int row = 0; row < lstPictures->count(); ++row)
        if (lstPictures->item(row)->data(Qt::UserRole).toInt() == index) lstPictures->setCurrentRow(row);
}

void TZVfrmRecover::DiscardSelected() {
    const int index = SelectedIndex();
    if (index < 0) return;
    if (OnDiscard) OnDiscard(index);
    delete lstPictures->takeItem(lstPictures->currentRow());
    if (lstPictures->count() == 0) reject();
    else lstPictures->setCurrentRow(0);
}

}  // namespace zelvo
