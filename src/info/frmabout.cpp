#include "info/frmabout.h"

#include "platform/appversion.h"
#include "platform/errors.h"
#include "platform/twips.h"
#include "resources/resources.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

using platform::twipsToPixelsX;
using platform::twipsToPixelsY;

namespace {
QRect twipsRect(int left, int top, int width, int height) {
    return {twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width), twipsToPixelsY(height)};
}

// Every text in the window's text colour: the design's black is that colour
// in a light theme, and stays readable in a dark one.
QLabel* label(QWidget* parent, const char* name, const QString& text, QRect r) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(r);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}
}  // namespace

// Index 1 (the shadow colour, grey in a light theme, 1 pixel) is drawn
// before index 0 (the highlight colour, white there, 2 pixels), 15 twips
// below it: together an etched line, in whatever theme.
const frmAbout::Line frmAbout::Line1[2] = {
    {240, 2445, 5657, QPalette::Light, 2},
    {225, 2430, 5657, QPalette::Dark, 1},
};

frmAbout::frmAbout(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("关于 Pelm简易RTF文本编辑器"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    setFixedSize(twipsToPixelsX(5865), twipsToPixelsY(3630));

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(twipsRect(240, 240, 540, 540));
    // The icon on the button face: light grey in a light theme.
    picIcon->setAutoFillBackground(true);
    picIcon->setBackgroundRole(QPalette::Button);
    picIcon->setAlignment(Qt::AlignCenter);
    picIcon->setPixmap(resources::appIcon().pixmap(32, 32));
    picIcon->setAccessibleName(QStringLiteral("程序图标"));

    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipsRect(4245, 2625, 1467, 345));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("系统信息(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(twipsRect(4260, 3075, 1452, 345));
    setTabOrder(cmdOK, cmdSysInfo);

    lbDescription = label(this, "lbDescription", QString(), twipsRect(1050, 1125, 4092, 1170));
    lbTitle = label(this, "lbTitle", QStringLiteral("Pelm简易RTF文本编辑器"), twipsRect(1050, 240, 4092, 480));
    lbVersion = label(this, "lbVersion", QStringLiteral("版本"), twipsRect(1050, 780, 4092, 225));
    lblDisclaimer = label(this, "lblDisclaimer",
                          QStringLiteral("警告：本程序受著作权法和国际条约保护。未经授权擅自复制或传播本程序的"
                                         "全部或部分，将依法追究民事和刑事责任。"),
                          twipsRect(255, 2625, 3870, 825));
    // The warning must be read whole: a smaller size where the desktop's
    // font would not fit the design rectangle.
    QFont small = lblDisclaimer->font();
    while (lblDisclaimer->heightForWidth(lblDisclaimer->width()) > lblDisclaimer->height() && small.pointSizeF() > 6) {
        small.setPointSizeF(small.pointSizeF() - 0.5);
        lblDisclaimer->setFont(small);
    }

    connect(cmdOK, &QPushButton::clicked, this, [this] { platform::dispatch([this] { cmdOK_Click(); }); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { platform::dispatch([this] { cmdSysInfo_Click(); }); });
    cmdOK->setFocus();
    platform::dispatch([this] { Form_Load(); });
}

void frmAbout::Form_Load() {
    lbVersion->setText(platform::versionText());
}

void frmAbout::cmdOK_Click() {
    done(QDialog::Accepted);
}

void frmAbout::reject() {
    cmdOK_Click();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter p(this);
    for (int i : {1, 0}) {
        // Each line covers its own rows, from its y downward: a wide pen
        // centred on y would let the white line paint over the grey one.
        const Line& l = Line1[i];
        const int x1 = twipsToPixelsX(l.x1);
        p.fillRect(x1, twipsToPixelsY(l.y), twipsToPixelsX(l.x2) - x1, l.widthPixels, palette().color(l.colour));
    }
}
