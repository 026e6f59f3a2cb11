#include "platform/oserror.h"

#include <cerrno>
#include <cstring>

#include <locale.h>
#include <string.h>

namespace platform {

namespace {

struct Reason {
    int number;
    const char* text;
};

// clang-format off
const Reason kReasons[] = {
    {EACCES,       "权限不够"},
    {EPERM,        "不允许的操作"},
    {ENOENT,       "文件或文件夹不存在"},
    {ENOTDIR,      "路径中的某一项不是文件夹"},
    {EISDIR,       "这是一个文件夹"},
    {ENOSPC,       "磁盘空间不足"},
    {EDQUOT,       "超出了磁盘配额"},
    {EFBIG,        "文件超过了允许的最大大小"},
    {EROFS,        "文件系统是只读的"},
    {EEXIST,       "文件已存在"},
    {ENAMETOOLONG, "文件名太长"},
    {ELOOP,        "符号链接层数过多"},
    {EMFILE,       "打开的文件过多"},
    {ENFILE,       "系统中打开的文件过多"},
    {EIO,          "输入/输出错误"},
    {EBUSY,        "设备或资源忙"},
    {ETXTBSY,      "文件正被使用"},
    {ENXIO,        "没有这个设备或地址"},
    {ENODEV,       "没有这个设备"},
    {EINVAL,       "参数无效"},
    {EAGAIN,       "资源暂时不可用"},
    {ENOMEM,       "内存不足"},
    {EXDEV,        "不能跨文件系统移动"},
};
// clang-format on

}  // namespace

QString reasonText(int errnoValue) {
    for (const Reason& r : kReasons)
        if (r.number == errnoValue)
            return QString::fromUtf8(r.text);
    return QString::fromLocal8Bit(std::strerror(errnoValue));
}

namespace {

QString matchReason(const QString& systemText);

}  // namespace

QString reasonText(const QString& systemText) {
    // Qt puts what it was doing in front of the reason at times
    // ("Could not open ...: Permission denied").
    QString reason = matchReason(systemText);
    if (reason == systemText) {
        const qsizetype colon = systemText.lastIndexOf(QStringLiteral(": "));
        if (colon >= 0 && matchReason(systemText.mid(colon + 2)) != systemText.mid(colon + 2))
            reason = matchReason(systemText.mid(colon + 2));
    }
    return reason;
}

namespace {

QString matchReason(const QString& systemText) {
    // Qt words a few numbers itself, in English whatever the locale; the
    // rest come from strerror() in the program's locale.
    static const locale_t english = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    for (const Reason& r : kReasons) {
        const bool matches = systemText.compare(QString::fromLocal8Bit(std::strerror(r.number)), Qt::CaseInsensitive) ==
                                 0 ||
                             (english && systemText.compare(QString::fromUtf8(strerror_l(r.number, english)),
                                                            Qt::CaseInsensitive) == 0);
        if (matches)
            return QString::fromUtf8(r.text);
    }
    return systemText;
}

}  // namespace

}  // namespace platform
