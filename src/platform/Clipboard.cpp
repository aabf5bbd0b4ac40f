#include "platform/Clipboard.h"

#include <cstring>
#include <span>
#include <string>
#include <vector>

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>

#include "image/Exceptions.h"
#include "image/ImageLimits.h"
#include "image/Stream.h"
#include "platform/Bitmap.h"

namespace zelvo {

namespace {

QClipboard* SystemClipboard() {
    return TClipboard::Available() ? QGuiApplication::clipboard() : nullptr;
}

const QMimeData* Contents() {
    QClipboard* clipboard = SystemClipboard();
    return clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}

std::span<const std::uint8_t> Bytes(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size())};
}

}  // namespace

TClipboard::TClipboard(QObject* parent) : QObject(parent) {
    if (QClipboard* clipboard = SystemClipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &TClipboard::Changed);
}

bool TClipboard::Available() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

bool TClipboard::HasDib() {
    const QMimeData* mime = Contents();
    return mime && (mime->hasFormat(kDibMimeType) || mime->hasFormat(kBmpMimeType));
}

bool TClipboard::HasBitmap() {
    const QMimeData* mime = Contents();
    return mime && (mime->hasFormat(kDibMimeType) || mime->hasFormat(kBmpMimeType) || mime->hasImage());
}

bool TClipboard::PutDib(const TDibImage& image) {
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard) return false;
    std::uint16_t format = 0;
    HPALETTE palette;
    const std::vector<std::uint8_t> dib = image.SaveToClipboardFormat(format, palette);
    TBitmap plain;
    plain.Assign(image);  // decodes RLE data for the plain image
    auto* mime = new QMimeData;
    mime->setData(kDibMimeType, QByteArray(reinterpret_cast<const char*>(dib.data()), qsizetype(dib.size())));
    mime->setImageData(plain.ToQImage());
    clipboard->setMimeData(mime, QClipboard::Clipboard);  // the clipboard owns it
    return true;
}

bool TClipboard::GetDib(TDibImage& image) {
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

QImage TClipboard::GetImage() {
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

void TClipboard::Clear() {
    if (QClipboard* clipboard = SystemClipboard()) clipboard->clear(QClipboard::Clipboard);
}

}  // namespace zelvo
