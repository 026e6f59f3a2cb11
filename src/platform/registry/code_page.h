// Text in code page 936 (GBK, the narrow character set of the Simplified
// Chinese systems the narrow registry calls serve), through glibc's iconv.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform::registry {

// Each character that code page 936 cannot hold (for example one outside the
// Basic Multilingual Plane, or an unpaired surrogate) becomes one '?', as the
// platform's own conversion does with its default character. NUL characters
// are kept as 0 bytes.
QByteArray toCodePage936(const QString& text);
// Bytes that are not code page 936 become U+FFFD.
QString fromCodePage936(const QByteArray& bytes);

}  // namespace platform::registry
