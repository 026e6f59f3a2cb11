// The registry's narrow-character calls, shaped like the platform's own:
// open a key under a root with an access mask, query one value into the
// caller's buffer, close the key. Names and numbers (status codes, access
// rights, type codes, root handles) are the platform's, so code written
// against those calls reads the same here.
//
// Text passes in code page 936 (see code_page.h): key paths and value names
// in, REG_SZ / REG_EXPAND_SZ / REG_MULTI_SZ data out. Key and value names
// compare without regard to case.
#pragma once

#include <cstdint>

namespace platform::registry {

// An opaque key handle: one of the two roots, or a key opened by
// RegOpenKeyExA. A root given as a sign-extended 32-bit number
// (0xFFFFFFFF80000002) is taken as the root too.
using HKEY = std::uintptr_t;

inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;

// Status codes.
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;  // no such key or value
inline constexpr long ERROR_ACCESS_DENIED = 5;   // write rights asked of a hive we may not write
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_MORE_DATA = 234;  // the data is larger than the buffer

// Access rights of a key.
inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr std::uint32_t KEY_NOTIFY = 0x0010;
inline constexpr std::uint32_t KEY_CREATE_LINK = 0x0020;
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_WRITE = 0x20006;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

// Value type codes.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;
inline constexpr std::uint32_t REG_QWORD = 11;

// Opens the key subKey (backslash-separated; null or "" for root itself)
// below root, which is a root or an open key. Returns 0 and a new handle in
// *result; 2 when the key does not exist; 5 when samDesired holds any right
// to change the key (set value, create subkey or link, delete, write DAC or
// owner, generic write or all) and the hive may not be written (see
// hiveWritable: the file's permission bits decide, for root too); 6 for a
// handle that is neither a root nor open; 87 for a null result. options is
// ignored. The handle keeps the key's values as they were at this call.
long RegOpenKeyExA(HKEY root, const char* subKey, std::uint32_t options, std::uint32_t samDesired, HKEY* result);

// Reads the value valueName (null or "" for the default value) of an open
// key (from the snapshot taken at open) or of a root (read now). Sets *type
// when type is given. With data: copies the value and sets *dataSize to its
// size, or returns 234 and sets *dataSize to the size needed, leaving data
// untouched, when *dataSize is smaller. With data null: sets *dataSize to the
// size and returns 0. Sizes are in bytes: string types in code page 936 with
// every NUL the stored data holds (a REG_SZ written by this registry always
// ends in one, which counts in the size); REG_DWORD as 4 little-endian bytes;
// other types as stored. Returns 2 for a missing value, 6 for a bad handle,
// 87 when reserved is not null or data is given without dataSize.
long RegQueryValueExA(HKEY key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                      unsigned char* data, std::uint32_t* dataSize);

// Closes an open key: 0, or 6 for a handle that is not open. Closing a root
// does nothing and returns 0.
long RegCloseKey(HKEY key);

}  // namespace platform::registry
