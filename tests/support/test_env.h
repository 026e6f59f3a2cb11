// A private environment for each test process: the registry hives and every
// other per-user file live in temporary folders, so tests never touch the
// user's real settings and never see each other's.
#pragma once

#include <QString>

namespace testenv {

// Points XDG_CONFIG_HOME and XDG_CONFIG_DIRS at fresh temporary folders.
// Called by the test main before anything else.
void isolate();

QString configHome();   // $XDG_CONFIG_HOME
QString configDir();    // the one directory in $XDG_CONFIG_DIRS

}  // namespace testenv
