#include "hive_env.h"

#include "platform/registry/code_page.h"
#include "platform/registry/hive_store.h"
#include "platform/registry/narrow_api.h"
#include "support/case_name.h"

#include <array>
#include <vector>

using namespace platform::registry;

namespace {

QByteArray reg16(const QString& text) {
    return utf16leBytes(text);
}

constexpr const char* kMsinfo = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

class NarrowCalls : public HiveEnv {
protected:
    void SetUp() override {
        HiveEnv::SetUp();
        writeValue(Root::LocalMachine, kMsinfo, "PATH", Value::string(QStringLiteral("系统信息")));
    }
    HKEY open(HKEY root, const char* key, std::uint32_t access = KEY_READ) {
        HKEY handle = 0;
        EXPECT_EQ(RegOpenKeyExA(root, key, 0, access, &handle), ERROR_SUCCESS);
        return handle;
    }
    // Queries into a 16-byte buffer of 0xEE; returns status, type and the bytes given back.
    long query(HKEY key, const char* name, std::uint32_t* type, QByteArray* bytes, std::uint32_t size = 16) {
        std::array<unsigned char, 16> buffer{};
        buffer.fill(0xEE);
        std::uint32_t inOut = size;
        const long status = RegQueryValueExA(key, name, nullptr, type, buffer.data(), &inOut);
        *bytes = QByteArray(reinterpret_cast<const char*>(buffer.data()), status == ERROR_SUCCESS ? inOut : 16);
        if (status == ERROR_MORE_DATA)
            bytes->prepend(QByteArray::number(inOut) + ":");
        return status;
    }
};

TEST_F(NarrowCalls, SizeIsReportedAndTooSmallABufferIsMoreData) {
    const HKEY key = open(HKEY_LOCAL_MACHINE, kMsinfo);
    std::uint32_t size = 0;
    std::uint32_t type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "PATH", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 9u);
    QByteArray bytes;
    EXPECT_EQ(query(key, "PATH", &type, &bytes, 9), ERROR_SUCCESS);
    EXPECT_EQ(bytes.size(), 9);
    EXPECT_EQ(query(key, "PATH", &type, &bytes, 8), ERROR_MORE_DATA);
    EXPECT_EQ(bytes, "9:" + QByteArray(16, '\xEE'));  // the size needed, the buffer untouched
    EXPECT_EQ(type, REG_SZ);
    std::uint32_t reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "PATH", &reserved, &type, nullptr, &size), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(NarrowCalls, StatusCodesForMissingKeysValuesAndBadHandles) {
    HKEY handle = 12345;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location", 0, KEY_READ, &handle),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kMsinfo, 0, KEY_READ, &handle), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(0x80000009, kMsinfo, 0, KEY_READ, &handle), ERROR_INVALID_HANDLE);
    const HKEY key = open(HKEY_LOCAL_MACHINE, kMsinfo);
    std::uint32_t type = 0;
    QByteArray bytes;
    EXPECT_EQ(query(key, "MSINFO", &type, &bytes), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(query(key, "PATH", &type, &bytes), ERROR_INVALID_HANDLE);
}

TEST_F(NarrowCalls, HandleKeepsTheValuesAsTheyWereWhenOpened) {
    const HKEY before = open(HKEY_LOCAL_MACHINE, kMsinfo);
    writeValue(Root::LocalMachine, kMsinfo, "PATH", Value::string("new"));
    const HKEY after = open(HKEY_LOCAL_MACHINE, kMsinfo);
    std::uint32_t type = 0;
    QByteArray bytes;
    query(before, "PATH", &type, &bytes);
    EXPECT_EQ(bytes, QByteArray::fromHex("cfb5cdb3d0c5cfa200"));
    query(after, "PATH", &type, &bytes);
    EXPECT_EQ(bytes, QByteArray("new", 4));
    RegCloseKey(before);
    RegCloseKey(after);
}

TEST_F(NarrowCalls, SubkeysOfOpenKeysSignExtendedRootsAndChineseNames) {
    writeValue(Root::CurrentUser, "Software\\程序", "名", Value::string(QStringLiteral("a😀b")));
    const HKEY software = open(static_cast<HKEY>(static_cast<std::intptr_t>(std::int32_t(0x80000001))), "Software");
    const HKEY key = open(software, "\xB3\xCC\xD0\xF2");  // 程序 in code page 936
    std::uint32_t type = 0;
    QByteArray bytes;
    EXPECT_EQ(query(key, "\xC3\xFB", &type, &bytes), ERROR_SUCCESS);  // 名
    EXPECT_EQ(bytes, QByteArray("a?b", 4));                           // outside code page 936: one '?'
    RegCloseKey(key);
    RegCloseKey(software);
}

// ---- Access masks on a machine hive by its permission bits.

struct AccessCase {
    const char* name;
    mode_t mode;
    std::uint32_t access;
    long status;
};

void PrintTo(const AccessCase& c, std::ostream* os) {
    *os << c.name;
}

class NarrowAccess : public NarrowCalls, public ::testing::WithParamInterface<AccessCase> {};

TEST_P(NarrowAccess, WriteRightsNeedAWritableHive) {
    setMode(machineHive(), GetParam().mode);
    HKEY handle = 0;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMsinfo, 0, GetParam().access, &handle), GetParam().status);
    EXPECT_EQ(handle != 0, GetParam().status == ERROR_SUCCESS);
    RegCloseKey(handle);
}

INSTANTIATE_TEST_SUITE_P(Masks, NarrowAccess,
                         ::testing::Values(AccessCase{"ReadOnReadOnly", 0444, 0x20019, ERROR_SUCCESS},
                                           AccessCase{"QueryOnReadOnly", 0444, KEY_QUERY_VALUE, ERROR_SUCCESS},
                                           AccessCase{"FullOnReadOnly", 0444, 0x2003F, ERROR_ACCESS_DENIED},
                                           AccessCase{"SetValueOnReadOnly", 0444, KEY_SET_VALUE, ERROR_ACCESS_DENIED},
                                           AccessCase{"AllOnReadOnly", 0444, KEY_ALL_ACCESS, ERROR_ACCESS_DENIED},
                                           AccessCase{"FullOnWritable", 0644, 0x2003F, ERROR_SUCCESS}),
                         CaseName());

// ---- Values as the system-information launcher meets them, read into a
// 1024-byte buffer.

struct BufferCase {
    const char* name;
    Value value;
    long status;
    std::uint32_t type;
    QByteArray bytes;  // what the buffer holds, up to the size reported (for 234: the size needed)
};

void PrintTo(const BufferCase& c, std::ostream* os) {
    *os << c.name;
}

class NarrowBuffer : public NarrowCalls, public ::testing::WithParamInterface<BufferCase> {};

TEST_P(NarrowBuffer, FillsTheBufferAndSize) {
    writeValue(Root::LocalMachine, kMsinfo, "v", GetParam().value);
    const HKEY key = open(HKEY_LOCAL_MACHINE, "software\\MICROSOFT\\shared tools\\msinfo", 0x2003F);
    std::vector<unsigned char> buffer(1024, 0);
    std::uint32_t size = 1024;
    std::uint32_t type = 99;
    EXPECT_EQ(RegQueryValueExA(key, "V", nullptr, &type, buffer.data(), &size), GetParam().status);
    EXPECT_EQ(type, GetParam().type);
    if (GetParam().status == ERROR_SUCCESS)
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer.data()), size), GetParam().bytes);
    else
        EXPECT_EQ(size, std::uint32_t(GetParam().bytes.size()));
    RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(Values, NarrowBuffer,
                         ::testing::Values(BufferCase{"ChineseText", Value::string(QStringLiteral("系统信息")),
                                                      ERROR_SUCCESS, REG_SZ, QByteArray::fromHex("cfb5cdb3d0c5cfa200")},
                                           BufferCase{"NegativeDword", Value::dword(static_cast<quint32>(-100)),
                                                      ERROR_SUCCESS, REG_DWORD, QByteArray::fromHex("9cffffff")},
                                           BufferCase{"FolderEndingInBackslash", Value::string("C:\\Tools\\"),
                                                      ERROR_SUCCESS, REG_SZ, QByteArray("C:\\Tools\\", 10)},
                                           BufferCase{"ExpandableString", Value::string("%A%", RegExpandSz),
                                                      ERROR_SUCCESS, REG_EXPAND_SZ, QByteArray("%A%", 4)},
                                           BufferCase{"DwordAllFourBytes", Value::dword(0x01020304), ERROR_SUCCESS,
                                                      REG_DWORD, QByteArray::fromHex("04030201")},
                                           BufferCase{"TextFillingTheBufferWithoutNul",
                                                      Value::binary(reg16(QString(1024, 'x')), RegSz), ERROR_SUCCESS,
                                                      REG_SZ, QByteArray(1024, 'x')},
                                           BufferCase{"BinaryFillingTheBuffer", Value::binary(QByteArray(1024, '\x7f')),
                                                      ERROR_SUCCESS, REG_BINARY, QByteArray(1024, '\x7f')},
                                           BufferCase{"TextOneByteTooLong", Value::string(QString(1024, 'x')),
                                                      ERROR_MORE_DATA, REG_SZ, QByteArray(1025, 'x')},
                                           BufferCase{"MultiString", Value::multiString({"a", "b"}), ERROR_SUCCESS,
                                                      REG_MULTI_SZ, QByteArray("a\0b\0", 5)}),
                         CaseName());

// ---- The code page itself.

TEST(CodePage936, ConvertsBothWaysAndMarksWhatItCannotHold) {
    EXPECT_EQ(toCodePage936(QStringLiteral("C:\\程序\\MSINFO32.EXE")),
              QByteArray::fromHex("433a5cb3ccd0f25c4d53494e464f33322e455845"));
    EXPECT_EQ(toCodePage936(QString(QChar(0xD800)) + "x" + QChar(0xD83D)), "?x?");  // unpaired surrogates
    EXPECT_EQ(fromCodePage936(QByteArray::fromHex("cfb5cdb3")), QStringLiteral("系统"));
    EXPECT_EQ(fromCodePage936(QByteArray::fromHex("41ff42")), QStringLiteral("A\uFFFDB"));
}

}  // namespace
