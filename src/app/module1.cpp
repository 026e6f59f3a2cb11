#include "app/module1.h"

#include "app/frmmain.h"
#include "info/frmsplash.h"
#include "platform/registry/registry_shell.h"

#include <QCoreApplication>
#include <QPointer>

frmMain* MainForm = nullptr;
platform::RegistryShell* RegistryShell = nullptr;
QString SettingsKey;

namespace {
void (*startupProbe)() = nullptr;
}

void setStartupProbe(void (*probe)()) {
    startupProbe = probe;
}

void Main() {
    // 1. The splash screen, shown without an owner and not modal; its load
    //    handler sets the version line.
    QPointer<frmSplash> splash = new frmSplash;
    splash->Show();
    // 2. One pass of pending messages: the splash gets painted, and a key
    //    already pressed on it closes it now.
    QCoreApplication::processEvents();
    if (startupProbe)
        startupProbe();
    // 3. The settings access object.
    RegistryShell = new platform::RegistryShell;
    // 4. The settings path, from its three pieces.
    SettingsKey = QStringLiteral("HKCU\\") + QStringLiteral("Software\\Korvane\\Scrivlet\\") +
                  QStringLiteral("Settings\\");
    // 5. The main window.
    MainForm = new frmMain;
    // 6. Show it: its load handler restores the geometry, fills the font box
    //    and opens document 1 before the window appears.
    MainForm->Show();
    // 7. Take the splash down, unless a key press already did.
    if (splash)
        splash->Unload();
}
