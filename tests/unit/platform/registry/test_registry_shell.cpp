#include "hive_env.h"

#include "platform/errors.h"
#include "platform/registry/hive_store.h"
#include "platform/registry/registry_shell.h"
#include "support/case_name.h"
#include "support/error_number.h"

#include <cmath>
#include <limits>

using platform::RegistryShell;
using platform::registry::Root;
using platform::registry::Value;
namespace err = platform::err;

namespace {

const QString kSettings = QStringLiteral("HKCU\\Software\\Korvane\\Scrivlet\\Settings\\");

class RegistryShellTest : public HiveEnv {
protected:
    RegistryShell shell;
};

TEST_F(RegistryShellTest, ReadingAMissingValueKeyOrRootIsRegistryReadError) {
    shell.RegWrite(kSettings + "MainTop", 1, "REG_DWORD");
    for (const QString& path : {kSettings + "MainLeft", QStringLiteral("HKCU\\No\\Such\\Key\\V"), kSettings,
                                QStringLiteral("HKXX\\Software\\V"), QStringLiteral("HKCU")})
        EXPECT_EQ(errorNumberOf([&] { shell.RegRead(path); }), err::RegistryRead) << path.toStdString();
}

TEST_F(RegistryShellTest, FourSettingsMakeExactlyOneKeyOfFourDwords) {
    // Given no hive, when the four geometry values are written in order,
    for (const auto& [name, twips] :
         {std::pair{"MainLeft", -1200}, {"MainTop", 300}, {"MainWidth", 10245}, {"MainHeight", 7200}})
        shell.RegWrite(kSettings + name, twips, "REG_DWORD");
    // then the key path is created and holds them as 32-bit values, negative in two's complement.
    EXPECT_EQ(fileBytes(userHive()), "Windows Registry Editor Version 5.00\n\n"
                                     "[HKEY_CURRENT_USER\\Software\\Korvane\\Scrivlet\\Settings]\n"
                                     "\"MainLeft\"=dword:fffffb50\n\"MainTop\"=dword:0000012c\n"
                                     "\"MainWidth\"=dword:00002805\n\"MainHeight\"=dword:00001c20\n");
    const QVariant left = shell.RegRead(kSettings + "MainLeft");
    EXPECT_EQ(left.typeId(), QMetaType::Int);
    EXPECT_EQ(left.toInt(), -1200);
    EXPECT_EQ(shell.RegRead("hkey_current_user\\SOFTWARE\\korvane\\Scrivlet\\Settings\\mainheight"), QVariant(7200));
}

TEST_F(RegistryShellTest, TrailingBackslashNamesTheDefaultValue) {
    shell.RegWrite("HKCU\\Software\\Korvane\\", QStringLiteral("默认"), "REG_SZ");
    EXPECT_EQ(shell.RegRead("HKEY_CURRENT_USER\\Software\\Korvane\\"), QVariant(QStringLiteral("默认")));
    EXPECT_TRUE(fileBytes(userHive()).endsWith("[HKEY_CURRENT_USER\\Software\\Korvane]\n@=\"默认\"\n"));
    EXPECT_EQ(errorNumberOf([&] { shell.RegRead("HKCU\\Software\\Korvane\\x"); }), err::RegistryRead);
}

TEST_F(RegistryShellTest, ReadsEachTypeAsItsVariant) {
    using namespace platform::registry;
    writeValue(Root::LocalMachine, "K", "exp", Value::string("%PATH%", RegExpandSz));
    writeValue(Root::LocalMachine, "K", "multi", Value::multiString({"a", "b"}));
    writeValue(Root::LocalMachine, "K", "bin", Value::binary("\x01\x02"));
    writeValue(Root::LocalMachine, "K", "q", Value::qword(quint64(-5)));
    EXPECT_EQ(shell.RegRead("HKLM\\K\\exp"), QVariant(QStringLiteral("%PATH%")));
    EXPECT_EQ(shell.RegRead("HKLM\\K\\multi"), QVariant(QStringList{"a", "b"}));
    EXPECT_EQ(shell.RegRead("HKLM\\K\\bin"), QVariant(QByteArray("\x01\x02")));
    EXPECT_EQ(shell.RegRead("HKLM\\K\\q"), QVariant(qint64(-5)));
}

TEST_F(RegistryShellTest, TextTypesAndRefusedWrites) {
    shell.RegWrite("HKCU\\K\\s", 2.5, "REG_SZ");
    shell.RegWrite("HKCU\\K\\e", "%A%", "REG_EXPAND_SZ");
    EXPECT_EQ(shell.RegRead("HKCU\\K\\s"), QVariant(QStringLiteral("2.5")));
    EXPECT_TRUE(fileBytes(userHive()).contains("\"e\"=hex(2):25,00,41,00,25,00,00,00\n"));
    EXPECT_EQ(errorNumberOf([&] { shell.RegWrite("HKCU\\K\\x", 1, "REG_FOO"); }), err::InvalidArgument);
    writeFile(machineHive(), "Windows Registry Editor Version 5.00\n");
    setMode(machineHive(), 0444);
    EXPECT_EQ(errorNumberOf([&] { shell.RegWrite("HKLM\\K\\x", 1, "REG_DWORD"); }), err::RegistryWrite);
    EXPECT_EQ(fileBytes(machineHive()), "Windows Registry Editor Version 5.00\n");
}

// ---- REG_DWORD conversion: nearest integer, halves to even.

struct LongCase {
    const char* name;
    QVariant input;
    qint32 expected;
    int error;  // 0: no error
};

void PrintTo(const LongCase& c, std::ostream* os) {
    *os << c.name;
}

class RegWriteDword : public RegistryShellTest, public ::testing::WithParamInterface<LongCase> {};

TEST_P(RegWriteDword, RoundsToTheNearestHalvesToEven) {
    const int error = errorNumberOf([&] { shell.RegWrite(kSettings + "V", GetParam().input, "REG_DWORD"); });
    EXPECT_EQ(error, GetParam().error);
    if (error == 0)
        EXPECT_EQ(shell.RegRead(kSettings + "V"), QVariant(GetParam().expected));
    else
        EXPECT_FALSE(QFile::exists(userHive()));
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegWriteDword,
    ::testing::Values(LongCase{"HalfDownToEven", 2.5, 2, 0}, LongCase{"HalfUpToEven", 3.5, 4, 0},
                      LongCase{"NegativeHalf", -2.5, -2, 0}, LongCase{"BelowHalf", 1.4999, 1, 0},
                      LongCase{"FloatSingle", QVariant(1234.5f), 1234, 0},
                      LongCase{"NumericText", QStringLiteral(" 42 "), 42, 0},
                      LongCase{"FractionText", QStringLiteral("-12.5"), -12, 0},
                      LongCase{"MaxAfterRounding", 2147483647.4, 2147483647, 0},
                      LongCase{"MinAfterRounding", -2147483648.5, -2147483647 - 1, 0}, LongCase{"Bool", true, -1, 0},
                      LongCase{"Empty", QVariant(), 0, 0}, LongCase{"RoundsPastMax", 2147483647.5, 0, err::Overflow},
                      LongCase{"UnsignedMax", QVariant(4294967295u), 0, err::Overflow},
                      LongCase{"LongLong", QVariant(qint64(-2147483649LL)), 0, err::Overflow},
                      LongCase{"NotANumber", std::numeric_limits<double>::quiet_NaN(), 0, err::Overflow},
                      LongCase{"Word", QStringLiteral("abc"), 0, err::TypeMismatch},
                      LongCase{"EmptyText", QString(), 0, err::TypeMismatch}),
    CaseName());

}  // namespace
