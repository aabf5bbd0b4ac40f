#include "platform/qt/QtClipboard.h"

#include <span>
#include <vector>

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include "image/Exceptions.h"
#include "image/ImageLimits.h"
#include "image/Stream.h"
#include "platform/Bitmap.h"
#include "platform/qt/QImageBridge.h"

namespace zelvo {

namespace {

QClipboard* SystemClipboard() {
    return TQtClipboard::Available() ? QGuiApplication::clipboard() : nullptr;
}

const QMimeData* Contents() {
    QClipboard* clipboard = SystemClipboard();
    return clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}

std::span<const std::uint8_t> Bytes(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size())};
}

}  // namespace

QStringList MimeLocalFiles(const QMimeData& data) {
    QList<QUrl> urls = data.urls();
    if (urls.isEmpty() && data.hasFormat(kGnomeCopiedFilesMimeType)) {
        const QList<QByteArray> lines = data.data(kGnomeCopiedFilesMimeType).split('\n');
        // The first line says "copy" or "cut"; pasting a picture never
        // removes its file, so both read alike.
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            if (!line.isEmpty()) urls << QUrl::fromEncoded(line);
        }
    }
    QStringList files;
    for (const QUrl& url : urls)
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) files << url.toLocalFile();
    return files;
}

TQtClipboard::TQtClipboard(QObject* parent) : QObject(parent) {
    if (QClipboard* clipboard = SystemClipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &TQtClipboard::Changed);
}

TQtClipboard::~TQtClipboard() {
    if (InstalledClipboard() == this) InstallClipboard(nullptr);
}

bool TQtClipboard::Available() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

bool TQtClipboard::HasDib() const {
    const QMimeData* mime = Contents();
    return mime && (mime->hasFormat(kDibMimeType) || mime->hasFormat(kBmpMimeType));
}

bool TQtClipboard::HasBitmap() const {
    const QMimeData* mime = Contents();
    return mime && (mime->hasFormat(kDibMimeType) || mime->hasFormat(kBmpMimeType) || mime->hasImage());
}

bool TQtClipboard::PutDib(const TDibImage& image) {
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard) return false;
    std::uint16_t format = 0;
    HPALETTE palette;
    const std::vector<std::uint8_t> dib = image.SaveToClipboardFormat(format, palette);
    TBitmap plain;
    plain.Assign(image);  // decodes RLE data for the plain image
    auto* mime = new QMimeData;
    mime->setData(kDibMimeType, QByteArray(reinterpret_cast<const char*>(dib.data()), qsizetype(dib.size())));
    mime->setImageData(ToQImage(plain));
    clipboard->setMimeData(mime, QClipboard::Clipboard);  // the clipboard owns it
    return true;
}

bool TQtClipboard::GetDib(TDibImage& image) const {
    const QMimeData* mime = Contents();
    if (!mime) return false;
    TDibImage read;
    if (mime->hasFormat(kDibMimeType)) {
        const QByteArray data = mime->data(kDibMimeType);
        read.LoadFromClipboardFormat(CF_DIB, Bytes(data), nullptr);
    } else if (mime->hasFormat(kBmpMimeType)) {
        const QByteArray data = mime->data(kBmpMimeType);
        if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
            const auto bytes = Bytes(data);
            TMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
            read.LoadFromStream(stream);
        } else {
            read.LoadFromClipboardFormat(CF_DIB, Bytes(data), nullptr);
        }
    } else {
        return false;
    }
    image.Assign(&read);
    return true;
}

bool TQtClipboard::GetPicture(TDibImage& picture) const {
    const QImage image = GetImage();
    if (image.isNull()) return false;
    TBitmap bitmap;
    AssignQImage(bitmap, image);  // Format_RGB888: a 24-bit picture of the image's size
    picture = bitmap.ToDibImage();
    return true;
}

QImage TQtClipboard::GetImage() const {
    const QMimeData* mime = Contents();
    if (!mime || !mime->hasImage()) return {};
    QImage source = qvariant_cast<QImage>(mime->imageData());
    if (source.isNull()) return {};
    CheckedImageBytes<EDibImageInvalidDIBPara>(source.width(), source.height(), 24,
                                               "TDibImageData.CreateDIB: Invalid Parameters");
    source.setDevicePixelRatio(1.0);  // one picture pixel per image pixel
    // Transparent parts show the black of a new picture.
    QImage opaque(source.size(), QImage::Format_RGB32);
    opaque.fill(Qt::black);
    {
        QPainter painter(&opaque);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(0, 0, source);
    }
    return opaque.convertToFormat(QImage::Format_RGB888);
}

std::vector<std::filesystem::path> TQtClipboard::GetFiles() const {
    std::vector<std::filesystem::path> files;
    if (const QMimeData* mime = Contents())
        for (const QString& file : MimeLocalFiles(*mime)) files.emplace_back(file.toStdString());
    return files;
}

void TQtClipboard::Clear() {
    if (QClipboard* clipboard = SystemClipboard()) clipboard->clear(QClipboard::Clipboard);
}

}  // namespace zelvo
