#include "info/frmsplash.h"

#include "platform/appversion.h"
#include "platform/errors.h"
#include "platform/twips.h"
#include "resources/resources.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

using platform::twipsToPixelsX;
using platform::twipsToPixelsY;

namespace {

QRect twipsRect(int left, int top, int width, int height) {
    return {twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width), twipsToPixelsY(height)};
}

QFont songBold(double points) {
    QFont f(QStringLiteral("宋体"));
    f.setPointSizeF(points);
    f.setWeight(QFont::Bold);
    return f;
}

// A label at its design rectangle. Labels that size themselves to their
// text grow from the design rectangle; right-aligned ones keep their right
// edge, so the version and platform lines end flush.
QLabel* label(QWidget* parent, const char* name, const QString& text, QRect r,
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(r);
    l->setAlignment(align);
    return l;
}

void autoSize(QLabel* l, bool keepRightEdge) {
    const QRect before = l->geometry();
    const QSize hint = l->sizeHint();
    const int w = std::max(hint.width(), 1);
    const int h = std::max(hint.height(), before.height());
    const int left = keepRightEdge ? before.right() + 1 - w : before.left();
    l->setGeometry(left, before.top(), w, h);
}

// A self-sizing label that would run past the frame's inner edge is set a
// little smaller until it fits: the design's fonts measure wider here than
// the faces the layout was drawn for, and a clipped product name is worse
// than a slightly smaller one.
void fitInside(QLabel* l, const QWidget* container) {
    const int limit = container->contentsRect().right() - 2;
    QFont f = l->font();
    while (l->geometry().right() > limit && f.pointSizeF() > 8) {
        f.setPointSizeF(f.pointSizeF() - 0.25);
        l->setFont(f);
        autoSize(l, false);
    }
}

}  // namespace

frmSplash::frmSplash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmSplash"));
    setAccessibleName(QStringLiteral("Pelm RTF文本编辑器"));
    // A fixed dialog border and no title bar.
    setFixedSize(twipsToPixelsX(7380) + 4, twipsToPixelsY(4245) + 4);
    auto* border = new QFrame(this);
    border->setFrameStyle(QFrame::Panel | QFrame::Raised);
    border->setLineWidth(2);
    border->setGeometry(rect());

    const QPoint inset(2, 2);
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1->setGeometry(twipsRect(120, 60, 7080, 4050).translated(inset));

    imgLogo = new QLabel(Frame1);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setGeometry(twipsRect(360, 795, 1815, 2385));
    imgLogo->setPixmap(resources::logo());
    imgLogo->setScaledContents(true);  // stretched to fill the control
    imgLogo->setAccessibleName(QStringLiteral("标志"));

    lblCopyright = label(Frame1, "lblCopyright", QStringLiteral("版权所有 (C) 2026 Korvane"),
                         twipsRect(4440, 2880, 2415, 255));
    lblCompany = label(Frame1, "lblCompany", QStringLiteral("Korvane 软件公司"), twipsRect(4440, 3240, 2415, 255));
    lblWarning = label(Frame1, "lblWarning",
                       QStringLiteral("警告：本程序受著作权法保护，未经授权复制或传播，必将追究法律责任。"),
                       twipsRect(150, 3660, 6765, 195));
    lblVersion = label(Frame1, "lblVersion", QStringLiteral("版本"), twipsRect(6240, 2400, 510, 240),
                       Qt::AlignRight | Qt::AlignVCenter);
    lblVersion->setFont(songBold(12));
    lblPlatform = label(Frame1, "lblPlatform", QStringLiteral("平台: Windows 4.X-5.X"),
                        twipsRect(3930, 2040, 2820, 240), Qt::AlignRight | Qt::AlignVCenter);
    lblPlatform->setFont(songBold(12));
    autoSize(lblPlatform, true);
    lblProductName = label(Frame1, "lblProductName", QStringLiteral("Pelm RTF文本编辑器"),
                           twipsRect(2160, 1200, 4665, 555));
    lblProductName->setFont(songBold(27.75));
    autoSize(lblProductName, false);
    fitInside(lblProductName, Frame1);
    lblLicenseTo = label(Frame1, "lblLicenseTo", QStringLiteral("授权"), twipsRect(120, 240, 6855, 255),
                         Qt::AlignRight | Qt::AlignVCenter);
    lblCompanyProduct = label(Frame1, "lblCompanyProduct", QStringLiteral("Korvane产品"),
                              twipsRect(2355, 705, 1905, 360));
    lblCompanyProduct->setFont(songBold(18));
    autoSize(lblCompanyProduct, false);

    // Key preview: the window sees every key before its controls do.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
}

void frmSplash::Show() {
    if (!loaded_) {
        loaded_ = true;
        platform::dispatch([this] { Form_Load(); });
    }
    // Centred on the screen.
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
    setFocus();
}

void frmSplash::Unload() {
    close();
}

void frmSplash::Form_Load() {
    lblVersion->setText(platform::versionText());
    autoSize(lblVersion, true);
}

void frmSplash::Form_KeyPress(int) {
    Unload();
}

void frmSplash::keyPressEvent(QKeyEvent* event) {
    // Only keys that produce a character: letters, digits, punctuation,
    // space, Enter, Esc, Backspace and Ctrl+letter. Function keys, arrows and
    // modifiers alone produce none.
    const QString text = event->text();
    if (text.isEmpty()) {
        event->ignore();
        return;
    }
    const int code = text.at(0).unicode();
    platform::dispatch([this, code] { Form_KeyPress(code); });
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
