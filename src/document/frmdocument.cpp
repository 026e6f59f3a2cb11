#include "document/frmdocument.h"

#include "document/richtextbox.h"
#include "platform/errors.h"
#include "platform/twips.h"

#include <QCloseEvent>
#include <QKeyEvent>

frmDocument::frmDocument() {
    setObjectName(QStringLiteral("frmDocument"));
    setWindowTitle(QStringLiteral("frmDocument"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Design-time client area 4680 x 3195 twips; the control's design
    // rectangle is replaced by the layout before the window is first shown.
    resize(platform::twipsToPixelsX(4680), platform::twipsToPixelsY(3195));
    rtfText = new RichTextBox(this);
    rtfText->setObjectName(QStringLiteral("rtfText"));
    rtfText->setGeometry(platform::twipsToPixelsX(120), platform::twipsToPixelsY(105), platform::twipsToPixelsX(4080),
                         platform::twipsToPixelsY(2715));
    setFocusProxy(rtfText);
    rtfText->installEventFilter(this);
    connect(rtfText, &RichTextBox::SelChange, this, [this] { platform::dispatch([this] { rtfText_SelChange(); }); });
    Form_Load();
}

QSize frmDocument::sizeHint() const {
    return {platform::twipsToPixelsX(4680), platform::twipsToPixelsY(3195)};
}

double frmDocument::ScaleWidth() const {
    return platform::pixelsToTwipsX(width());
}
double frmDocument::ScaleHeight() const {
    return platform::pixelsToTwipsY(height());
}

void frmDocument::Form_Load() {
    Form_Resize();
}

void frmDocument::Form_Resize() {
    // Each step runs even when the other fails; failures are ignored.
    platform::resumeNext([this] { rtfText->Move(0, 0, ScaleWidth(), ScaleHeight()); });
    platform::resumeNext([this] { rtfText->setRightMargin(rtfText->Width()); });
}

void frmDocument::closeEvent(QCloseEvent* event) {
    // The close box, Ctrl+F4 and the window menu all come here.
    bool mayClose = true;
    if (askBeforeClosing_ && closeQuestion_)
        platform::dispatch([&] { mayClose = closeQuestion_(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void frmDocument::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

namespace {

// Exactly Ctrl+X, Ctrl+C or Ctrl+V: no Shift, Alt or Meta with it.
bool isClipboardKey(const QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    return mods == Qt::ControlModifier && (e->key() == Qt::Key_X || e->key() == Qt::Key_C || e->key() == Qt::Key_V);
}

}  // namespace

bool frmDocument::eventFilter(QObject* watched, QEvent* event) {
    // The editing control claims these keys for its own clipboard handling,
    // which would keep the menu items' shortcuts from firing. Left unclaimed
    // here, the shortcut runs the Edit command, so formatted text travels as
    // RTF markup. The control's context menu and drag and drop stay its own.
    if (watched == rtfText && event->type() == QEvent::ShortcutOverride &&
        isClipboardKey(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmDocument::rtfText_SelChange() {
    emit SelChange();
}
