// A registry value: its type code and its data, held as the bytes the
// registry itself would hold (string types as UTF-16LE code units).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace platform::registry {

// Type codes of registry values, as the registry numbers them.
enum ValueType : quint32 {
    RegNone = 0,
    RegSz = 1,        // text, NUL-terminated
    RegExpandSz = 2,  // text with %VARIABLE% references, NUL-terminated
    RegBinary = 3,
    RegDword = 4,  // 32-bit number, little-endian
    RegDwordBigEndian = 5,
    RegLink = 6,
    RegMultiSz = 7,  // a list of NUL-terminated texts, ended by one more NUL
    RegQword = 11,   // 64-bit number, little-endian
};

struct Value {
    quint32 type = RegNone;
    QByteArray data;

    // Text of type RegSz or RegExpandSz, stored with its terminating NUL.
    static Value string(const QString& text, quint32 type = RegSz);
    static Value dword(quint32 number);
    static Value qword(quint64 number);
    static Value multiString(const QStringList& texts);
    static Value binary(const QByteArray& bytes, quint32 type = RegBinary);

    // The data as text up to its first NUL (string types).
    QString toText() const;
    // The data as a list of texts (RegMultiSz): the texts before the first
    // empty one.
    QStringList toTextList() const;
    // The first four data bytes as a little-endian number, missing bytes
    // counting as zero.
    quint32 toDword() const;
    quint64 toQword() const;

    friend bool operator==(const Value&, const Value&) = default;
};

// The UTF-16LE bytes of a text, without a terminator.
QByteArray utf16leBytes(const QString& text);
// Text from UTF-16LE bytes; an odd last byte is ignored.
QString fromUtf16leBytes(const QByteArray& bytes);

}  // namespace platform::registry
