#include "platform/registry/value.h"

#include <QtEndian>

namespace platform::registry {

QByteArray utf16leBytes(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (QChar c : text) {
        const char16_t unit = c.unicode();
        bytes.append(static_cast<char>(unit & 0xFF));
        bytes.append(static_cast<char>(unit >> 8));
    }
    return bytes;
}

QString fromUtf16leBytes(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(bytes[i]);
        const auto hi = static_cast<unsigned char>(bytes[i + 1]);
        text.append(QChar(static_cast<char16_t>(lo | (hi << 8))));
    }
    return text;
}

Value Value::string(const QString& text, quint32 type) {
    return {type, utf16leBytes(text) + QByteArray(2, '\0')};
}

Value Value::dword(quint32 number) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(number, bytes.data());
    return {RegDword, bytes};
}

Value Value::qword(quint64 number) {
    QByteArray bytes(8, '\0');
    qToLittleEndian(number, bytes.data());
    return {RegQword, bytes};
}

Value Value::multiString(const QStringList& texts) {
    QByteArray bytes;
    for (const QString& text : texts)
        bytes += utf16leBytes(text) + QByteArray(2, '\0');
    bytes += QByteArray(2, '\0');
    return {RegMultiSz, bytes};
}

Value Value::binary(const QByteArray& bytes, quint32 type) {
    return {type, bytes};
}

QString Value::toText() const {
    const QString text = fromUtf16leBytes(data);
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QStringList Value::toTextList() const {
    QStringList texts;
    const QString all = fromUtf16leBytes(data);
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype nul = all.indexOf(QChar(0), start);
        if (nul < 0)
            nul = all.size();
        if (nul == start)
            break;
        texts.append(all.mid(start, nul - start));
        start = nul + 1;
    }
    return texts;
}

quint32 Value::toDword() const {
    quint32 number = 0;
    for (int i = 0; i < 4 && i < data.size(); ++i)
        number |= quint32(static_cast<unsigned char>(data[i])) << (8 * i);
    return number;
}

quint64 Value::toQword() const {
    quint64 number = 0;
    for (int i = 0; i < 8 && i < data.size(); ++i)
        number |= quint64(static_cast<unsigned char>(data[i])) << (8 * i);
    return number;
}

}  // namespace platform::registry
