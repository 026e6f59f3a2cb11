// Loading and unloading the main window, and its outer geometry in twips.
#include "app/frmmain.h"
#include "app/module1.h"
#include "app/sortedcombobox.h"
#include "platform/registry/registry_shell.h"
#include "platform/errors.h"
#include "platform/twips.h"

#include <QFontDatabase>

double frmMain::Left() const { return platform::pixelsToTwipsX(frameGeometry().x()); }
double frmMain::Top() const { return platform::pixelsToTwipsY(frameGeometry().y()); }
double frmMain::Width() const { return platform::pixelsToTwipsX(frameGeometry().width()); }
double frmMain::Height() const { return platform::pixelsToTwipsY(frameGeometry().height()); }

int frmMain::WindowState() const {
    if (isMinimized())
        return 1;
    if (isMaximized())
        return 2;
    return 0;
}

void frmMain::setLeft(double twips) { move(platform::twipsToPixelsX(twips), pos().y()); }
void frmMain::setTop(double twips) { move(pos().x(), platform::twipsToPixelsY(twips)); }

void frmMain::setWidth(double twips) {
    const int frameExtra = frameGeometry().width() - width();
    resize(std::max(1, platform::twipsToPixelsX(twips) - frameExtra), height());
}

void frmMain::setHeight(double twips) {
    const int frameExtra = frameGeometry().height() - height();
    resize(width(), std::max(1, platform::twipsToPixelsY(twips) - frameExtra));
}

namespace {

// A stored value as a single-precision number: numbers as they are, text
// only when it is a number; anything else is a type mismatch.
float toSingle(const QVariant& value) {
    bool ok = false;
    float result = 0;
    if (value.typeId() == QMetaType::QString)
        result = value.toString().trimmed().toFloat(&ok);
    else
        result = value.toFloat(&ok);
    if (!ok)
        platform::raise(platform::err::TypeMismatch, QStringLiteral("类型不匹配"));
    return result;
}

}  // namespace

void frmMain::MDIForm_Load() {
    // Every step tolerates failure: the rest of a failing step is skipped
    // and the next one runs. Nothing is reported. Each geometry value is
    // independent of the others, and no range check is made.
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
