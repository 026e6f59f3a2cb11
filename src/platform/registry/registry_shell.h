// The settings object of the program: reads and writes single registry
// values by their full path, e.g.
//   shell.RegRead("HKCU\\Software\\Korvane\\Scrivlet\\Settings\\MainLeft")
// The path starts with the root (HKCU or HKEY_CURRENT_USER, HKLM or
// HKEY_LOCAL_MACHINE, any case), then the key path; the last part is the
// value name, and a path ending in a backslash names the key's default value.
#pragma once

#include <QString>
#include <QVariant>

namespace platform {

class RegistryShell {
public:
    // The value at path, by its type: REG_DWORD as a signed 32-bit int
    // (qint32), REG_QWORD as qint64, REG_SZ and REG_EXPAND_SZ as QString (not
    // expanded), REG_MULTI_SZ as QStringList, anything else as QByteArray.
    // Throws Error(err::RegistryRead) when there is no such value (or the
    // path names no root).
    QVariant RegRead(const QString& path) const;

    // Stores value at path as type, creating the key path when it does not
    // exist yet. Types:
    //   "REG_SZ", "REG_EXPAND_SZ": the value as text;
    //   "REG_DWORD": a 32-bit integer; the value (integer, floating point or
    //     numeric text) is rounded to a whole number: half to
    //     even, err::Overflow outside -2147483648..2147483647,
    //     err::TypeMismatch for text that is not a number. Negative numbers
    //     are stored in two's complement (dword:ffffff9c for -100);
    //   "REG_BINARY": a QByteArray as is, or a number converted as for
    //     REG_DWORD and stored as its 4 little-endian bytes.
    // Another type gives err::InvalidArgument; a write the hive refuses gives
    // err::RegistryWrite.
    void RegWrite(const QString& path, const QVariant& value, const QString& type = QStringLiteral("REG_SZ"));
};

// The conversion RegWrite uses for REG_DWORD: to the nearest 32-bit
// integer, halves to even.
qint32 toLong(const QVariant& value);

}  // namespace platform
