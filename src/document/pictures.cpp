#include "document/pictures.h"

#include "platform/twips.h"

#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace document {

namespace {

constexpr int PictureDataProperty = QTextFormat::UserProperty + 2;      // QByteArray: the bytes
constexpr int PictureControlsProperty = QTextFormat::UserProperty + 3;  // QByteArray: the control words
constexpr int PictureKindProperty = QTextFormat::UserProperty + 4;      // int: rtf::Picture::Kind

// Shown sizes are held to this many pixels a side: a damaged goal size must
// not make a page of kilometres.
constexpr int kMaxSide = 20000;

std::uint32_t le32(const std::string& d, std::size_t at) {
    if (at + 4 > d.size())
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(d.data() + at);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// \dibitmap holds a BMP file without its 14-byte file header: put one in
// front, with the offset of the pixels after the header and colour table.
QImage decodeDib(const std::string& d) {
    const std::uint32_t headerSize = le32(d, 0);
    if (headerSize < 12 || headerSize > d.size())
        return {};
    std::uint32_t offset = 14 + headerSize;
    if (headerSize >= 40) {
        const unsigned bits = le32(d, 14) & 0xFFFF;
        const std::uint32_t compression = le32(d, 16);
        std::uint32_t colours = le32(d, 32);
        if (colours == 0 && bits <= 8)
            colours = 1u << bits;
        if (colours > 256)
            return {};
        offset += colours * 4;
        if (headerSize == 40 && (compression == 3 || compression == 6))
            offset += compression == 3 ? 12 : 16;
    } else {
        const unsigned bits = (le32(d, 8) >> 16) & 0xFFFF;  // BITMAPCOREHEADER: 3-byte colours
        if (bits <= 8)
            offset += (1u << bits) * 3;
    }
    QByteArray file("BM", 2);
    const std::uint32_t total = std::uint32_t(14 + d.size());
    for (std::uint32_t v : {total, 0u, offset})
        for (int i = 0; i < 4; ++i)
            file.append(char((v >> (8 * i)) & 0xFF));
    file.append(d.data(), qsizetype(d.size()));
    return QImage::fromData(file, "BMP");
}

// \wbitmap: the bits of a device-dependent bitmap, rows top down, each
// \wbmwidthbytes long. Monochrome and 24- and 32-bit ones are drawn.
QImage decodeWbitmap(const rtf::Picture& p) {
    const int w = p.width, h = p.height, stride = p.widthBytes;
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || stride <= 0)
        return {};
    if (std::size_t(stride) * std::size_t(h) > p.data.size())
        return {};
    QImage::Format format;
    switch (p.bitsPerPixel) {
    case 1: format = QImage::Format_Mono; break;
    case 24: format = QImage::Format_BGR888; break;
    case 32: format = QImage::Format_RGB32; break;
    default: return {};
    }
    if (std::size_t(stride) * 8 < std::size_t(w) * std::size_t(p.bitsPerPixel))
        return {};
    QImage view(reinterpret_cast<const uchar*>(p.data.data()), w, h, stride, format);
    if (format == QImage::Format_Mono)
        view.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    return view.copy();  // the view does not own the bytes
}

QImage decode(const rtf::Picture& p) {
    using Kind = rtf::Picture::Kind;
    const QByteArray bytes = QByteArray::fromRawData(p.data.data(), qsizetype(p.data.size()));
    switch (p.kind) {
    case Kind::Png: return QImage::fromData(bytes, "PNG");
    case Kind::Jpeg: return QImage::fromData(bytes, "JPEG");
    case Kind::Dib: return decodeDib(p.data);
    case Kind::Wbitmap: return decodeWbitmap(p);
    default: return {};  // metafiles: Qt has no reader for them
    }
}

// What shows in place of a picture that cannot be drawn: a grey frame with
// a cross, stretched to the picture's size.
QImage placeholder() {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter painter(&image);
    painter.setPen(QColor(0x90, 0x90, 0x90));
    painter.drawRect(0, 0, 63, 63);
    painter.drawLine(0, 0, 63, 63);
    painter.drawLine(0, 63, 63, 0);
    return image;
}

// The size shown, in pixels: the goal size scaled, else the picture's own
// size (pixels of a bitmap, 0.01 mm of a metafile) scaled, else the image's.
QSizeF shownSize(const rtf::Picture& p, const QImage& decoded) {
    double w = p.shownWidth() / platform::twipsPerPixelX();
    double h = p.shownHeight() / platform::twipsPerPixelY();
    using Kind = rtf::Picture::Kind;
    const bool metafile = p.kind == Kind::Wmf || p.kind == Kind::Emf || p.kind == Kind::Other;
    auto own = [&](int size, int imageSize, int scale, double twipsPerPixel) {
        double px = metafile ? size * 1440.0 / 2540.0 / twipsPerPixel : (size > 0 ? size : imageSize);
        return px * scale / 100.0;
    };
    if (w <= 0)
        w = own(p.width, decoded.width(), p.scaleX, platform::twipsPerPixelX());
    if (h <= 0)
        h = own(p.height, decoded.height(), p.scaleY, platform::twipsPerPixelY());
    if (w <= 0)
        w = 32;
    if (h <= 0)
        h = 32;
    return {std::clamp(w, 1.0, double(kMaxSide)), std::clamp(h, 1.0, double(kMaxSide))};
}

}  // namespace

QTextImageFormat pictureFormat(const rtf::Picture& picture, QTextDocument& document) {
    static std::atomic<unsigned> counter{0};
    QImage image = decode(picture);
    const QSizeF size = shownSize(picture, image);
    if (image.isNull())
        image = placeholder();
    const QString name = QStringLiteral("rtfpict:%1").arg(++counter);
    document.addResource(QTextDocument::ImageResource, QUrl(name), image);

    QTextImageFormat format;
    format.setName(name);
    format.setWidth(size.width());
    format.setHeight(size.height());
    format.setProperty(PictureDataProperty, QByteArray(picture.data.data(), qsizetype(picture.data.size())));
    format.setProperty(PictureControlsProperty,
                       QByteArray(picture.controls.data(), qsizetype(picture.controls.size())));
    format.setProperty(PictureKindProperty, int(picture.kind));
    return format;
}

std::optional<rtf::Picture> pictureOf(const QTextFormat& format) {
    if (!format.isImageFormat() || !format.hasProperty(PictureDataProperty))
        return std::nullopt;
    rtf::Picture p;
    const QByteArray data = format.property(PictureDataProperty).toByteArray();
    const QByteArray controls = format.property(PictureControlsProperty).toByteArray();
    p.data.assign(data.constData(), std::size_t(data.size()));
    p.controls.assign(controls.constData(), std::size_t(controls.size()));
    p.kind = static_cast<rtf::Picture::Kind>(
        std::clamp(format.property(PictureKindProperty).toInt(), 0, int(rtf::Picture::Kind::Other)));
    // A picture without its control words (made by a future command) still
    // names its size.
    const QTextImageFormat image = format.toImageFormat();
    p.goalWidth = int(image.width() * platform::twipsPerPixelX());
    p.goalHeight = int(image.height() * platform::twipsPerPixelY());
    return p;
}

void copyPictureResources(const QTextDocument& from, QTextDocument& to) {
    for (QTextBlock block = to.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat())
                continue;
            const QUrl url(f.toImageFormat().name());
            const QVariant image = from.resource(QTextDocument::ImageResource, url);
            if (image.isValid())
                to.addResource(QTextDocument::ImageResource, url, image);
        }
    }
}

}  // namespace document
