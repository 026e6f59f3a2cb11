// Loading and unloading the main window, and its outer geometry in twips.
#include "app/frmmain.h"
#include "app/module1.h"
#include "app/sortedcombobox.h"
#include "platform/registry/hive_store.h"
#include "platform/registry/registry_shell.h"
#include "platform/errors.h"
#include "platform/twips.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <cmath>
#include <optional>

double frmMain::Left() const {
    return platform::pixelsToTwipsX(frameGeometry().x());
}
double frmMain::Top() const {
    return platform::pixelsToTwipsY(frameGeometry().y());
}
double frmMain::Width() const {
    return platform::pixelsToTwipsX(frameGeometry().width());
}
double frmMain::Height() const {
    return platform::pixelsToTwipsY(frameGeometry().height());
}

int frmMain::WindowState() const {
    if (isMinimized())
        return 1;
    if (isMaximized())
        return 2;
    return 0;
}

namespace {

// A measure in twips must be within the range of a 32-bit stored value (as
// a single-precision number, 2^31 at most); a larger one, which only a text
// can hold, overflows.
double checkedTwips(double twips) {
    if (!(std::abs(twips) <= 2147483648.0))
        platform::raise(platform::err::Overflow, QStringLiteral("溢出"));
    return twips;
}

}  // namespace

void frmMain::setLeft(double twips) {
    move(platform::twipsToPixelsX(checkedTwips(twips)), pos().y());
}
void frmMain::setTop(double twips) {
    move(pos().x(), platform::twipsToPixelsY(checkedTwips(twips)));
}

namespace {

// The window system adds the frame only when it shows the window, so an
// outer size set before that cannot count the frame: the window would come
// up larger by its frame, and grow by as much at every run. This remembers
// the outer size asked for before showing and applies it again at the
// window's first exposure, when the frame is known.
class PendingOuterSize : public QObject {
public:
    explicit PendingOuterSize(frmMain* form) : QObject(form), form_(form) {
        setObjectName(QStringLiteral("pendingOuterSize"));
        form->installEventFilter(this);
    }
    static PendingOuterSize* of(frmMain* form) {
        auto* pending = form->findChild<PendingOuterSize*>(QStringLiteral("pendingOuterSize"),
                                                           Qt::FindDirectChildrenOnly);
        return pending ? pending : new PendingOuterSize(form);
    }
    std::optional<int> width, height;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The native window exists once the form is being shown; its first
        // exposure comes after the window system framed it.
        if (watched == form_ && event->type() == QEvent::Show && form_->windowHandle())
            form_->windowHandle()->installEventFilter(this);
        else if (watched == form_->windowHandle() && event->type() == QEvent::Expose)
            QMetaObject::invokeMethod(this, &PendingOuterSize::apply, Qt::QueuedConnection);
        return false;
    }

private:
    void apply() {
        if (form_->windowState() == Qt::WindowNoState) {
            const QSize frame = form_->frameGeometry().size() - form_->size();
            form_->resize(width ? std::max(1, *width - frame.width()) : form_->width(),
                          height ? std::max(1, *height - frame.height()) : form_->height());
        }
        deleteLater();
    }

    frmMain* form_;
};

// A window refuses a negative outer size, as it would a size that is not a
// number: the size stays as it was.
void refuseNegative(double twips) {
    if (twips < 0)
        platform::raise(platform::err::InvalidProperty, QStringLiteral("无效的属性值"));
}

// The window system keeps a window no larger than the desktop: a larger
// stored size (a damaged or hand-edited hive) gives a window as large as the
// desktop, not one too large to be drawn at all.
QSize desktopSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualSize() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

}  // namespace

void frmMain::setWidth(double twips) {
    refuseNegative(checkedTwips(twips));
    const int outer = std::min(platform::twipsToPixelsX(twips), desktopSize().width());
    const int frameExtra = frameGeometry().width() - width();
    resize(std::max(1, outer - frameExtra), height());
    if (!isVisible())
        PendingOuterSize::of(this)->width = outer;
}

void frmMain::setHeight(double twips) {
    refuseNegative(checkedTwips(twips));
    const int outer = std::min(platform::twipsToPixelsY(twips), desktopSize().height());
    const int frameExtra = frameGeometry().height() - height();
    resize(width(), std::max(1, outer - frameExtra));
    if (!isVisible())
        PendingOuterSize::of(this)->height = outer;
}

namespace {

// A stored value as a single-precision number: numbers as they are, text
// only when it is a number; anything else (binary data, a list of texts) is
// a type mismatch, even when its bytes happen to spell a number.
float toSingle(const QVariant& value) {
    bool ok = false;
    float result = 0;
    switch (value.typeId()) {
    case QMetaType::QString: result = value.toString().trimmed().toFloat(&ok); break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float: result = value.toFloat(&ok); break;
    default: break;
    }
    if (!ok || !std::isfinite(result))  // "nan" and "inf" are no numbers here
        platform::raise(platform::err::TypeMismatch, QStringLiteral("类型不匹配"));
    return result;
}

}  // namespace

void frmMain::MDIForm_Load() {
    // Every step tolerates failure: the rest of a failing step is skipped
    // and the next one runs. Nothing is reported. Each geometry value is
    // independent of the others, and no range check is made. The hive is
    // read from disk once for the four.
    const platform::registry::ReadBatch oneRead;
    platform::resumeNext([this] { setLeft(toSingle(RegistryShell->RegRead(SettingsKey + "MainLeft"))); });
    platform::resumeNext([this] { setTop(toSingle(RegistryShell->RegRead(SettingsKey + "MainTop"))); });
    platform::resumeNext([this] { setWidth(toSingle(RegistryShell->RegRead(SettingsKey + "MainWidth"))); });
    platform::resumeNext([this] { setHeight(toSingle(RegistryShell->RegRead(SettingsKey + "MainHeight"))); });
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families)
        platform::resumeNext([&] { cboFont->AddItem(family); });
    platform::resumeNext([this] { CreateDocumentWindow(); });
}

void frmMain::MDIForm_Unload() {
    // Nothing is written for a minimised window. Otherwise the four values,
    // in this order, whether they changed or not; a failing write ends the
    // handler there and goes to the top-level report.
    if (WindowState() == 1)
        return;
    const QString dword = QStringLiteral("REG_DWORD");
    RegistryShell->RegWrite(SettingsKey + "MainLeft", Left(), dword);
    RegistryShell->RegWrite(SettingsKey + "MainTop", Top(), dword);
    RegistryShell->RegWrite(SettingsKey + "MainWidth", Width(), dword);
    RegistryShell->RegWrite(SettingsKey + "MainHeight", Height(), dword);
}
