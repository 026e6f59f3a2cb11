#include "platform/errors.h"
#include "platform/registry/hive_format.h"
#include "support/case_name.h"

#include <gtest/gtest.h>

using platform::registry::HiveDocument;
using platform::registry::Value;
namespace reg = platform::registry;

namespace {

const QStringList kKey = {"Software", "Korvane"};

HiveDocument parsed(const QByteArray& bytes) {
    HiveDocument hive("HKEY_CURRENT_USER");
    QString problem;
    EXPECT_TRUE(hive.parse(bytes, &problem)) << problem.toStdString();
    return hive;
}

QByteArray le16(const char16_t* text) {
    return reg::utf16leBytes(QString::fromUtf16(text));
}

// ---- Whole files read and written back unchanged, byte for byte.

struct RoundTripCase {
    const char* name;
    QByteArray file;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

class HiveRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(HiveRoundTrip, WritesBackEveryByteItRead) {
    EXPECT_EQ(parsed(GetParam().file).serialize(), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HiveRoundTrip,
    ::testing::Values(
        RoundTripCase{"EditorExportCrlf",
                      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Korvane]\r\n"
                      "@=\"default\"\r\n\"Text\"=\"a \\\"quoted\\\" C:\\\\path\"\r\n\"Count\"=dword:0000002a\r\n"
                      "\"Bin\"=hex:01,02,ff\r\n\"Exp\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                      "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                      "\"None\"=hex(0):\r\n\r\n"},
        RoundTripCase{"LfWithCommentsAndBlankLines",
                      "Windows Registry Editor Version 5.00\n; a comment\n\n\n[HKEY_CURRENT_USER\\A]\n  ; indented\n"
                      "\"x\"=dword:00000001\n"},
        RoundTripCase{"UnknownLinesKept",
                      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\ngarbage line\n\"x\"=str(2):\"y\"\n"
                      "\"d\"=dword:123456789\n\"e\"=\"bad \\q escape\"\n# hash\n[not closed\n"},
        RoundTripCase{
            "ContinuationLines",
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"Long\"=hex:00,01,02,\\\r\n"
            "  03,04,\\\r\n  05\r\n"},
        RoundTripCase{"Utf8BomAndNoFinalNewline",
                      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\中文]\n\"名\"=\"值\""},
        RoundTripCase{"DeletionsAndOtherRoots",
                      "Windows Registry Editor Version 5.00\n[-HKEY_CURRENT_USER\\Gone]\n[HKEY_LOCAL_MACHINE\\X]\n"
                      "\"y\"=-\n[HKEY_CURRENT_USER\\A]\n\"z\"=-\n"}),
    CaseName());

// ---- Single value lines: the value they define.

struct ValueCase {
    const char* name;
    const char* line;
    Value expected;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.name;
}

class HiveValueLine : public ::testing::TestWithParam<ValueCase> {};

TEST_P(HiveValueLine, DefinesTypedValue) {
    const HiveDocument hive = parsed(QByteArray("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\"
                                                "Korvane]\n") +
                                     GetParam().line + "\n");
    const QString name = QString(GetParam().line).startsWith('@') ? QString() : QStringLiteral("v");
    const auto value = hive.value(kKey, name);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, GetParam().expected.type);
    EXPECT_EQ(value->data.toHex(' '), GetParam().expected.data.toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, HiveValueLine,
    ::testing::Values(
        ValueCase{"Escapes", R"("v"="a\\b\"c")", Value::string(QStringLiteral("a\\b\"c"))},
        ValueCase{"EmptyText", R"("v"="")", Value::string(QString())},
        ValueCase{"Chinese", R"("v"="系统信息")", Value::string(QStringLiteral("系统信息"))},
        ValueCase{"Default", R"(@="d")", Value::string("d")},
        ValueCase{"Dword", R"("v"=dword:ffffff9c)", Value::dword(0xffffff9c)},
        ValueCase{"ShortUpperDword", R"("v"=DWORD:2A)", Value::dword(42)},
        ValueCase{"SpacesAroundEquals", R"("v" = dword:00000001)", Value::dword(1)},
        ValueCase{"Binary", R"("v"=hex:de,ad,BE,ef)", Value::binary(QByteArray::fromHex("deadbeef"))},
        ValueCase{"TrailingComma", R"("v"=hex:01,02,)", Value::binary(QByteArray::fromHex("0102"))},
        ValueCase{"ExpandUtf16", R"("v"=hex(2):25,00,54,00,25,00,00,00)", Value::string("%T%", reg::RegExpandSz)},
        ValueCase{"MultiUtf16", R"("v"=hex(7):61,00,00,00,00,00)", Value::multiString({"a"})},
        ValueCase{"Qword", R"("v"=hex(b):ff,00,00,00,00,00,00,01)", Value::qword(0x01000000000000ffULL)},
        ValueCase{"OtherType", R"("v"=hex(4000):07)", Value::binary(QByteArray("\x07"), 0x4000)},
        ValueCase{"Continued", "\"v\"=hex:01,\\\r\n  02,\\\n  03", Value::binary(QByteArray::fromHex("010203"))}),
    CaseName());

TEST(HiveValueLine, LinesNotUnderstoodDefineNothing) {
    const HiveDocument hive = parsed(
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\Korvane]\n\"a\"=dword:123456789\n"
        "\"b\"=\"open\n\"c\"=hex:1g\n\"d\"=\"x\\q\"\n\"e\"=hex(zz):00\n\"f\"=\"x\" tail\n");
    EXPECT_TRUE(hive.values(kKey).isEmpty());
    EXPECT_TRUE(hive.keyExists(kKey));
}

// ---- Files that are not hives.

struct BadCase {
    const char* name;
    QByteArray file;
    const char* where;  // the place the problem names
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

class HiveMalformed : public ::testing::TestWithParam<BadCase> {};

TEST_P(HiveMalformed, IsRefusedWithItsPlace) {
    HiveDocument hive("HKEY_CURRENT_USER");
    QString problem;
    EXPECT_FALSE(hive.parse(GetParam().file, &problem));
    EXPECT_TRUE(problem.contains(QString::fromUtf8(GetParam().where))) << problem.toStdString();
    EXPECT_FALSE(hive.keyExists({"A"}));
}

INSTANTIATE_TEST_SUITE_P(
    Files, HiveMalformed,
    ::testing::Values(BadCase{"NoHeader", "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:1\n", "第 1 行"},
                      BadCase{"OlderHeader", "\nREGEDIT4\n[HKEY_CURRENT_USER\\A]\n", "第 2 行"},
                      BadCase{"InvalidUtf8",
                              "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"\xC0\xAF\"\n",
                              "第 3 行（字节偏移 64）"},
                      BadCase{"NulBytes", QByteArray("Windows Registry Editor Version 5.00\n\0\0\x01", 41), "第 2 行"},
                      BadCase{"Garbage", QByteArray::fromHex("7f454c460201010000"), "第 1 行"}),
    CaseName());

TEST(HiveParse, WhiteSpaceOnlyIsAnEmptyHiveThatGetsAHeader) {
    HiveDocument hive = parsed(" \n\n");
    hive.setValue({"A"}, "x", Value::dword(1));
    EXPECT_EQ(hive.serialize(),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000001\n");
}

TEST(HiveParse, ReadsUtf16FileAndWritesItAsUtf8) {
    const QByteArray text = "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"中\"\r\n";
    HiveDocument hive = parsed("\xFF\xFE" + reg::utf16leBytes(QString::fromUtf8(text)));
    EXPECT_EQ(hive.value({"a"}, "X")->toText(), QStringLiteral("中"));
    EXPECT_EQ(hive.serialize(), text);
}

// ---- Keys: implied parents, case, deletions, duplicates.

TEST(HiveKeys, ParentsExistCaseIgnoredDeletionsApplyInOrder) {
    const HiveDocument hive = parsed(
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\\B\\C]\n\"v\"=dword:1\n\"V\"=dword:2\n"
        "[HKEY_CURRENT_USER\\D]\n\"w\"=dword:3\n[-HKEY_CURRENT_USER\\d]\n[HKEY_LOCAL_MACHINE\\E]\n");
    EXPECT_TRUE(hive.keyExists({"a", "b"}));
    EXPECT_FALSE(hive.keyExists({"A", "BX"}));
    EXPECT_EQ(hive.value({"A", "B", "C"}, "v")->toDword(), 2u);  // the later line wins
    EXPECT_FALSE(hive.keyExists({"D"}));
    EXPECT_FALSE(hive.keyExists({"E"}));  // another root's section
}

// ---- Changes touch one line and keep the rest.

TEST(HiveEdit, ReplacesTheDefiningLineKeepingItsSpellingAndEverythingElse) {
    HiveDocument hive = parsed(
        "Windows Registry Editor Version 5.00\r\n; keep me\r\n[HKEY_CURRENT_USER\\SOFTWARE\\KORVANE]\r\n"
        "\"MainLeft\"=dword:00000001\r\n\"mainleft\"=dword:00000002\r\nodd line\r\n");
    hive.setValue(kKey, "MAINLEFT", Value::dword(0xffffff9c));
    hive.setValue(kKey, "MainTop", Value::string("t"));
    EXPECT_EQ(hive.serialize(),
              "Windows Registry Editor Version 5.00\r\n; keep me\r\n[HKEY_CURRENT_USER\\SOFTWARE\\KORVANE]\r\n"
              "\"MainLeft\"=dword:00000001\r\n\"mainleft\"=dword:ffffff9c\r\nodd line\r\n"
              "\"MainTop\"=\"t\"\r\n");
}

TEST(HiveEdit, AddsASectionAfterADeletionAndEndsTheLastLine) {
    HiveDocument hive = parsed("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:1\n"
                               "[-HKEY_CURRENT_USER\\A]");
    hive.setValue({"A"}, "", Value::string("d"));
    EXPECT_EQ(hive.serialize(), "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:1\n"
                                "[-HKEY_CURRENT_USER\\A]\n\n[HKEY_CURRENT_USER\\A]\n@=\"d\"\n");
    EXPECT_FALSE(parsed(hive.serialize()).value({"A"}, "x").has_value());
}

TEST(HiveEdit, RefusesNamesTheFormatCannotHold) {
    HiveDocument hive("HKEY_CURRENT_USER");
    for (const auto& [key, name] : std::vector<std::pair<QStringList, QString>>{
             {{"A"}, "line\nbreak"}, {{"A", ""}, "x"}, {{"A\nB"}, "x"}, {{QString(QChar(0xD800))}, "x"}}) {
        try {
            hive.setValue(key, name, Value::dword(1));
            ADD_FAILURE() << "accepted " << name.toStdString();
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), platform::err::RegistryWrite);
        }
    }
    EXPECT_EQ(hive.serialize(), QByteArray());
}

// ---- Every kind of value written and read back.

struct WrittenCase {
    const char* name;
    Value value;
    const char* line;  // the first line written for it
};

void PrintTo(const WrittenCase& c, std::ostream* os) {
    *os << c.name;
}

class HiveWrittenValue : public ::testing::TestWithParam<WrittenCase> {};

TEST_P(HiveWrittenValue, IsWrittenAsTheEditorWouldAndReadsBackTheSame) {
    HiveDocument hive("HKEY_CURRENT_USER");
    hive.setValue(kKey, "v", GetParam().value);
    const QByteArray file = hive.serialize();
    const QList<QByteArray> lines = file.split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[3], GetParam().line);
    for (const QByteArray& line : lines)
        EXPECT_LE(line.size(), 80);
    EXPECT_EQ(parsed(file).value(kKey, "v"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, HiveWrittenValue,
    ::testing::Values(
        WrittenCase{"QuotedText", Value::string(QStringLiteral("C:\\a \"b\" 中")), R"("v"="C:\\a \"b\" 中")"},
        WrittenCase{"TextWithLineBreak", Value::string("a\nb"), R"("v"=hex(1):61,00,0a,00,62,00,00,00)"},
        WrittenCase{"TextWithoutNul", Value::binary(le16(u"ab"), reg::RegSz), R"("v"=hex(1):61,00,62,00)"},
        WrittenCase{"NegativeDword", Value::dword(static_cast<quint32>(-100)), R"("v"=dword:ffffff9c)"},
        WrittenCase{"ShortDword", Value::binary("\x01", reg::RegDword), R"("v"=hex(4):01)"},
        WrittenCase{"Expand", Value::string("%A%", reg::RegExpandSz), R"("v"=hex(2):25,00,41,00,25,00,00,00)"},
        WrittenCase{"Multi", Value::multiString({"a", "b"}), R"("v"=hex(7):61,00,00,00,62,00,00,00,00,00)"},
        WrittenCase{"Qword", Value::qword(0x1122334455667788ULL), R"("v"=hex(b):88,77,66,55,44,33,22,11)"},
        WrittenCase{"EmptyBinary", Value::binary({}), R"("v"=hex:)"},
        WrittenCase{"LongBinaryWraps", Value::binary(QByteArray(100, '\x5a')),
                    R"("v"=hex:5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,\)"}),
    CaseName());

}  // namespace
