#include "platform/registry/registry_shell.h"

#include "platform/errors.h"
#include "platform/registry/hive_store.h"

#include <QLocale>
#include <QStringList>

#include <cmath>
#include <limits>

namespace platform {

namespace {

using registry::Root;
using registry::Value;

struct ValuePath {
    Root root = Root::CurrentUser;
    QStringList key;
    QString name;  // "" is the key's default value
};

bool parsePath(const QString& path, ValuePath* out) {
    const qsizetype slash = path.indexOf(u'\\');
    if (slash < 0)
        return false;
    const QString root = path.left(slash).toUpper();
    if (root == QLatin1String("HKCU") || root == QLatin1String("HKEY_CURRENT_USER"))
        out->root = Root::CurrentUser;
    else if (root == QLatin1String("HKLM") || root == QLatin1String("HKEY_LOCAL_MACHINE"))
        out->root = Root::LocalMachine;
    else
        return false;
    const QString rest = path.mid(slash + 1);
    const qsizetype last = rest.lastIndexOf(u'\\');
    out->name = rest.mid(last + 1);  // empty after a trailing backslash
    out->key = registry::HiveDocument::splitKeyPath(last < 0 ? QString() : rest.left(last));
    return true;
}

[[noreturn]] void overflow() {
    throw Error(err::Overflow, QStringLiteral("溢出"));
}
[[noreturn]] void typeMismatch() {
    throw Error(err::TypeMismatch, QStringLiteral("类型不匹配"));
}

// Rounds half to even, then checks the 32-bit range.
qint32 roundToLong(double x) {
    if (!std::isfinite(x))
        overflow();
    const double down = std::floor(x);
    const double fraction = x - down;
    double rounded = down;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(down, 2.0) != 0.0))
        rounded = down + 1.0;
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        overflow();
    return static_cast<qint32>(rounded);
}

qint32 checkedLong(qint64 n) {
    if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
        overflow();
    return static_cast<qint32>(n);
}

QString toText(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType: return QString();
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        if (!value.canConvert<QString>())
            typeMismatch();
        return value.toString();
    }
}

}  // namespace

qint32 toLong(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType: return 0;
    case QMetaType::Bool: return value.toBool() ? -1 : 0;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Long:
    case QMetaType::LongLong: return checkedLong(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong n = value.toULongLong();
        if (n > qulonglong(std::numeric_limits<qint32>::max()))
            overflow();
        return static_cast<qint32>(n);
    }
    case QMetaType::Double:
    case QMetaType::Float: return roundToLong(value.toDouble());
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        bool ok = false;
        const double x = QLocale::c().toDouble(value.toString().trimmed(), &ok);
        if (!ok || !std::isfinite(x))
            typeMismatch();
        return roundToLong(x);
    }
    default: {
        bool ok = false;
        const double x = value.toDouble(&ok);
        if (!ok)
            typeMismatch();
        return roundToLong(x);
    }
    }
}

QVariant RegistryShell::RegRead(const QString& path) const {
    ValuePath where;
    if (!parsePath(path, &where))
        throw Error(err::RegistryRead, QStringLiteral("无效的注册表根键：“%1”").arg(path));
    const std::optional<Value> value = registry::readHive(where.root).value(where.key, where.name);
    if (!value)
        throw Error(err::RegistryRead, QStringLiteral("无法打开注册表项“%1”以进行读取").arg(path));
    switch (value->type) {
    case registry::RegSz:
    case registry::RegExpandSz: return value->toText();
    case registry::RegDword: return QVariant::fromValue(static_cast<qint32>(value->toDword()));
    case registry::RegQword: return QVariant::fromValue(static_cast<qint64>(value->toQword()));
    case registry::RegMultiSz: return value->toTextList();
    default: return value->data;
    }
}

void RegistryShell::RegWrite(const QString& path, const QVariant& value, const QString& type) {
    ValuePath where;
    if (!parsePath(path, &where))
        throw Error(err::RegistryWrite, QStringLiteral("无效的注册表根键：“%1”").arg(path));
    const QString kind = type.trimmed().toUpper();
    Value stored;
    if (kind == QLatin1String("REG_SZ")) {
        stored = Value::string(toText(value), registry::RegSz);
    } else if (kind == QLatin1String("REG_EXPAND_SZ")) {
        stored = Value::string(toText(value), registry::RegExpandSz);
    } else if (kind == QLatin1String("REG_DWORD")) {
        stored = Value::dword(static_cast<quint32>(toLong(value)));
    } else if (kind == QLatin1String("REG_BINARY")) {
        stored = value.typeId() == QMetaType::QByteArray
                     ? Value::binary(value.toByteArray())
                     : Value::binary(Value::dword(static_cast<quint32>(toLong(value))).data);
    } else {
        throw Error(err::InvalidArgument, QStringLiteral("无效的注册表值类型“%1”").arg(type));
    }
    registry::updateHive(where.root,
                         [&](registry::HiveDocument& hive) { hive.setValue(where.key, where.name, stored); });
}

}  // namespace platform
