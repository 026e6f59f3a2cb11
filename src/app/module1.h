// Start-up and the application-wide values.
#pragma once

#include <QString>

class frmMain;
namespace platform {
class RegistryShell;
}

// The one main window; document windows reach the toolbar through it.
extern frmMain* MainForm;
// The registry access object through which the saved settings are read and written.
extern platform::RegistryShell* RegistryShell;
// "HKCU\Software\Korvane\Scrivlet\Settings\": every settings value path is
// this key followed by the value name.
extern QString SettingsKey;

// The entry procedure: splash screen, settings access, main window.
void Main();

// Hook for tests: called once between processing the pending messages and
// creating the settings object (the splash is up and may already be closed).
void setStartupProbe(void (*probe)());
