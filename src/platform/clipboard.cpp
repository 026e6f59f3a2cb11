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

void clipboardSetText(const QString& text) {
    QClipboard& c = clipboard();  // first: a clipboard that fails takes no data with it
    auto* data = new QMimeData;
    data->setText(text);
    c.setMimeData(data);
}

QString clipboardGetText() {
    const QMimeData* data = clipboard().mimeData();
    return data && data->hasText() ? data->text() : QString();
}

void setClipboardUnavailable(bool value) {
    unavailable = value;
}

}  // namespace platform
