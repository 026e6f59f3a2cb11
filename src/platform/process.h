// Starting another program and testing whether a file exists.
#pragma once

#include <QString>

namespace platform {

// Starts the program at the path, with no arguments and without waiting for
// it. The path is the whole program name: no shell, no word splitting. A
// name without a folder is looked for in the current folder, then along PATH.
// Raises FileNotFound when it cannot be started.
void startProgram(const QString& path);

// True for an existing ordinary file that is not hidden; folders do not count.
bool fileExists(const QString& path);

}  // namespace platform
