// Where the hives live, and whether this process may change them. The
// environment is read afresh at every call, so a test (or a user) that
// changes XDG_CONFIG_HOME or XDG_CONFIG_DIRS is followed at once.
#pragma once

#include <QString>

namespace platform::registry {

enum class Root { CurrentUser, LocalMachine };

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE", as the hive files spell it.
QString rootName(Root root);

// The hive file of a root:
//   CurrentUser:  $XDG_CONFIG_HOME/scrivlet/HKEY_CURRENT_USER.reg
//                 ($HOME/.config when the variable is unset, empty or relative)
//   LocalMachine: scrivlet/HKEY_LOCAL_MACHINE.reg under the first directory of
//                 $XDG_CONFIG_DIRS (colon-separated, default /etc/xdg) that has
//                 one; under the first directory when none has.
QString hivePath(Root root);

// Whether the effective user may change the file at path (or create it, when
// it is missing): the permission bits of the file, or of the nearest existing
// folder above it, grant write to the effective user as owner, as a member of
// the group, or as anyone else. The superuser gets no pass: the machine hive
// is read-only exactly when its bits say so, for every user alike, which also
// keeps the answer the same when tests run as root.
bool hiveWritable(const QString& path);

}  // namespace platform::registry
