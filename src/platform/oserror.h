// The reason an operating-system call failed, in words a Chinese-speaking
// user reads: from errno, or from the English text Qt or the C library
// reports for it.
#pragma once

#include <QString>

namespace platform {

// "权限不够" for EACCES, "磁盘空间不足" for ENOSPC ...; the system's own text for
// a number without a Chinese one.
QString reasonText(int errnoValue);

// The same for a reason already put into words by Qt (QFile::errorString())
// or strerror(): the words are matched to their errno. Text that matches no
// errno is returned as it is.
QString reasonText(const QString& systemText);

}  // namespace platform
