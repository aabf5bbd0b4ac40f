// The view's drag-out: the picture (or its selection) offered to other
// programs as PNG data and as a PNG file in a temporary folder.

#include <QDir>
#include <QDrag>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QTemporaryDir>
#include <QUrl>

#include "effects/Geometry.h"
#include "formats/PngImage.h"
#include "image/Stream.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

constexpr int kDragPixmapSide = 128;  // the largest side of the picture that follows the mouse

// The stem as a file name: no folder separators, never empty or hidden.
QString SafeStem(QString stem) {
    stem.replace(QLatin1Char('/'), QLatin1Char('_'));
    while (stem.startsWith(QLatin1Char('.'))) stem.remove(0, 1);
    return stem.isEmpty() ? QStringLiteral("picture") : stem;
}

}  // namespace

std::unique_ptr<QMimeData> TQxImageView::MakeDragData() {
    if (FDoc.Empty()) return nullptr;
    // What Copy would put on the clipboard, in the picture's own depth.
    const TDibImage picture =
        FDoc.HasSelection() ? effects::CropRect(FDoc.Bitmap().Dib(), FDoc.SelectionRect()) : FDoc.Bitmap().ToDibImage();
    TMemoryStream stream;
    SavePngPicture(picture, stream, /*transparent=*/false, clBlack, /*interlaced=*/false);
    const QByteArray png(reinterpret_cast<const char*>(stream.Data().data()), qsizetype(stream.Data().size()));

    auto mime = std::make_unique<QMimeData>();
    mime->setData(QStringLiteral("image/png"), png);

    // The file of the previous drag has had its time: a receiver copies or
    // opens it while the drop is handled.
    if (!FDragFolder || !FDragFolder->isValid())
        FDragFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/zelvo-drag-XXXXXX"));
    if (FDragFolder->isValid()) {
        QDir folder(FDragFolder->path());
        for (const QString& old : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) folder.remove(old);
        QFile file(folder.filePath(SafeStem(FDragFileStem) + QStringLiteral(".png")));
        // Without the file (a full disk) other programs still get the data.
        if (file.open(QIODevice::WriteOnly) && file.write(png) == png.size() && file.flush()) {
            file.close();
            mime->setUrls({QUrl::fromLocalFile(file.fileName())});
        } else {
            file.close();
            file.remove();
        }
    }
    return mime;
}

void TQxImageView::StartDragOut() {
    std::unique_ptr<QMimeData> mime;
    try {
        mime = MakeDragData();
    } catch (const std::exception&) {
        // A picture the PNG writer refuses cannot be dragged out; the view
        // stays as it is and the mouse goes on as usual.
        return;
    }
    if (!mime) return;
    // Qt deletes the drag once it is over.
    auto* drag = new QDrag(this);
    QImage thumb;
    thumb.loadFromData(mime->data(QStringLiteral("image/png")), "PNG");
    if (!thumb.isNull()) {
        thumb = thumb.scaled(QSize(kDragPixmapSide, kDragPixmapSide).boundedTo(thumb.size()), Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
        drag->setPixmap(QPixmap::fromImage(thumb));
    }
    drag->setMimeData(mime.release());
    if (DragExecHook) DragExecHook(*drag);
    else drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace zelvo
