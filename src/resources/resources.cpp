#include "resources/resources.h"

#include <QBitmap>
#include <QDebug>

// Q_INIT_RESOURCE must be used outside any namespace. Referencing the
// initialiser also keeps the compiled-in images from being dropped when the
// static library is linked.
static void initImageResource() {
    Q_INIT_RESOURCE(resources);
}

namespace resources {

namespace {

// Loads ":/images/<key>" and makes every pixel of the mask colour
// transparent. Null if there is no such image.
QPixmap loadMasked(const QString& key) {
    registerImages();
    QPixmap picture(QStringLiteral(":/images/") + key);
    if (picture.isNull()) {
        qWarning() << "resources: no built-in image" << key;
        return picture;
    }
    picture.setMask(picture.createMaskFromColor(kMaskColour, Qt::MaskInColor));
    return picture;
}

}  // namespace

void registerImages() {
    static const bool registered = [] {
        initImageResource();
        return true;
    }();
    (void)registered;
}

QPixmap toolbarPicture(const QString& key) {
    return loadMasked(key);
}

QIcon appIcon() {
    return QIcon(loadMasked(QStringLiteral("App")));
}

QPixmap logo() {
    return loadMasked(QStringLiteral("Logo"));
}

}  // namespace resources
