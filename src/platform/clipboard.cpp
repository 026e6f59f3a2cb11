#include "platform/clipboard.h"

#include "platform/errors.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

namespace {
bool unavailable = false;

QClipboard& clipboard() {
    QClipboard* c = QGuiApplication::clipboard();
    if (!c || unavailable)
        raise(err::Unexpected, QStringLiteral("无法打开剪贴板"));
    return *c;
}
}  // namespace

void clipboardSetData(std::unique_ptr<QMimeData> data) {
    QClipboard& c = clipboard();  // first: a clipboard that fails takes no data with it
    c.setMimeData(data.release());
}

const QMimeData* clipboardData() {
    return clipboard().mimeData();
}

void setClipboardUnavailable(bool value) {
    unavailable = value;
}

}  // namespace platform
