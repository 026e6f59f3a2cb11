#include "platform/registry/code_page.h"

#include "platform/registry/value.h"
#include "text/iconv.h"

#include <algorithm>
#include <cerrno>

namespace platform::registry {

namespace {

bool isAscii(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

}  // namespace

QByteArray toCodePage936(const QString& text) {
    if (isAscii(text))
        return text.toLatin1();
    const text::Iconv cd("CP936", "UTF-16LE");
    QByteArray in = utf16leBytes(text);
    QByteArray out;
    if (!cd.ok()) {
        // No converter installed: ASCII survives, the rest becomes '?'.
        for (QChar c : text) {
            if (!c.isLowSurrogate())
                out.append(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?');
        }
        return out;
    }
    out.resize(in.size() + 16);  // at most two bytes per UTF-16 unit
    const char* src = in.constData();
    size_t srcLeft = static_cast<size_t>(in.size());
    char* dst = out.data();
    size_t dstLeft = static_cast<size_t>(out.size());
    const auto grow = [&] {
        const qsizetype used = dst - out.data();
        out.resize(out.size() * 2);
        dst = out.data() + used;
        dstLeft = static_cast<size_t>(out.size() - used);
    };
    while (srcLeft > 0) {
        if (cd.convert(src, srcLeft, dst, dstLeft))
            break;
        if (errno == E2BIG) {
            grow();
            continue;
        }
        // A character the code page cannot hold (EILSEQ), or a high surrogate
        // at the very end (EINVAL): one '?' for the whole character.
        if (dstLeft == 0)
            grow();
        *dst++ = '?';
        --dstLeft;
        const auto unit = [&](size_t at) {
            return static_cast<char16_t>(static_cast<unsigned char>(src[at]) |
                                         (static_cast<unsigned char>(src[at + 1]) << 8));
        };
        size_t skip = 2;
        if (srcLeft >= 4 && QChar::isHighSurrogate(unit(0)) && QChar::isLowSurrogate(unit(2)))
            skip = 4;
        skip = std::min(skip, srcLeft);
        src += skip;
        srcLeft -= skip;
    }
    out.resize(dst - out.data());
    return out;
}

QString fromCodePage936(const QByteArray& bytes) {
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return QString::fromLatin1(bytes);
    const text::Iconv cd("UTF-16LE", "CP936");
    if (!cd.ok())
        return QString::fromLatin1(bytes);
    QByteArray in = bytes;
    QByteArray out(in.size() * 2 + 16, '\0');  // at most one UTF-16 unit per byte
    const char* src = in.constData();
    size_t srcLeft = static_cast<size_t>(in.size());
    char* dst = out.data();
    size_t dstLeft = static_cast<size_t>(out.size());
    while (srcLeft > 0) {
        if (cd.convert(src, srcLeft, dst, dstLeft))
            break;
        if (dstLeft < 2)
            break;
        // A byte that starts no character of the code page: U+FFFD.
        *dst++ = static_cast<char>(0xFD);
        *dst++ = static_cast<char>(0xFF);
        dstLeft -= 2;
        ++src;
        --srcLeft;
    }
    out.resize(dst - out.data());
    return fromUtf16leBytes(out);
}

}  // namespace platform::registry
