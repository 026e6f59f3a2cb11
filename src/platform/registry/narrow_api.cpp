#include "platform/registry/narrow_api.h"

#include "platform/registry/code_page.h"
#include "platform/registry/hive_store.h"

#include <QHash>
#include <QMap>
#include <QMutex>

#include <cstring>
#include <optional>

namespace platform::registry {

namespace {

// Rights that change a key or its security.
constexpr std::uint32_t kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | 0x00010000 /* DELETE */ |
                                       0x00040000 /* WRITE_DAC */ | 0x00080000 /* WRITE_OWNER */ |
                                       0x10000000 /* GENERIC_ALL */ | 0x40000000 /* GENERIC_WRITE */;

struct OpenKey {
    Root root = Root::CurrentUser;
    QStringList key;
    QMap<QString, Value> values;  // by folded name
};

struct HandleTable {
    QMutex mutex;
    QHash<HKEY, OpenKey> keys;
    HKEY next = 0x1000;
};

HandleTable& table() {
    static HandleTable handles;
    return handles;
}

std::optional<Root> predefinedRoot(HKEY handle) {
    // A 32-bit root handle may arrive sign-extended.
    if ((static_cast<std::uint64_t>(handle) >> 32) == 0xFFFFFFFFu)
        handle &= 0xFFFFFFFFu;
    if (handle == HKEY_CURRENT_USER)
        return Root::CurrentUser;
    if (handle == HKEY_LOCAL_MACHINE)
        return Root::LocalMachine;
    return std::nullopt;
}

// The root and key path a handle names, or nullopt for a bad handle. The
// values of an open key are its snapshot; those of a root are read when
// withRootValues is set.
std::optional<OpenKey> resolve(HKEY handle, bool withRootValues) {
    if (const auto root = predefinedRoot(handle)) {
        OpenKey key;
        key.root = *root;
        if (withRootValues)
            key.values = readHive(*root).values({});
        return key;
    }
    HandleTable& handles = table();
    QMutexLocker locker(&handles.mutex);
    const auto it = handles.keys.constFind(handle);
    if (it == handles.keys.cend())
        return std::nullopt;
    return *it;
}

QString narrowText(const char* text) {
    return text ? fromCodePage936(QByteArray(text)) : QString();
}

// The bytes the narrow query hands out for a value.
QByteArray narrowData(const Value& value) {
    switch (value.type) {
    case RegSz:
    case RegExpandSz:
    case RegMultiSz: return toCodePage936(fromUtf16leBytes(value.data));
    default: return value.data;
    }
}

}  // namespace

long RegOpenKeyExA(HKEY root, const char* subKey, std::uint32_t /*options*/, std::uint32_t samDesired, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    std::optional<OpenKey> parent = resolve(root, false);
    if (!parent)
        return ERROR_INVALID_HANDLE;
    OpenKey opened;
    opened.root = parent->root;
    opened.key = parent->key + HiveDocument::splitKeyPath(narrowText(subKey));
    const HiveDocument hive = readHive(opened.root);
    if (!hive.keyExists(opened.key))
        return ERROR_FILE_NOT_FOUND;
    if ((samDesired & kWriteRights) != 0 && !hiveWritable(hivePath(opened.root)))
        return ERROR_ACCESS_DENIED;
    opened.values = hive.values(opened.key);

    HandleTable& handles = table();
    QMutexLocker locker(&handles.mutex);
    HKEY handle = handles.next;
    while (handles.keys.contains(handle) || predefinedRoot(handle))
        handle = (handle + 4) & 0x7FFFFFFFu;
    handles.next = (handle + 4) & 0x7FFFFFFFu;
    handles.keys.insert(handle, opened);
    *result = handle;
    return ERROR_SUCCESS;
}

long RegQueryValueExA(HKEY key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                      unsigned char* data, std::uint32_t* dataSize) {
    if (reserved)
        return ERROR_INVALID_PARAMETER;
    const std::optional<OpenKey> opened = resolve(key, true);
    if (!opened)
        return ERROR_INVALID_HANDLE;
    const auto value = opened->values.constFind(foldName(narrowText(valueName)));
    if (value == opened->values.cend())
        return ERROR_FILE_NOT_FOUND;
    if (data && !dataSize)
        return ERROR_INVALID_PARAMETER;
    const QByteArray bytes = narrowData(*value);
    const auto size = static_cast<std::uint32_t>(bytes.size());
    if (type)
        *type = value->type;
    if (!data) {
        if (dataSize)
            *dataSize = size;
        return ERROR_SUCCESS;
    }
    if (*dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.constData(), size);
    *dataSize = size;
    return ERROR_SUCCESS;
}

long RegCloseKey(HKEY key) {
    if (predefinedRoot(key))
        return ERROR_SUCCESS;
    HandleTable& handles = table();
    QMutexLocker locker(&handles.mutex);
    return handles.keys.remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

}  // namespace platform::registry
