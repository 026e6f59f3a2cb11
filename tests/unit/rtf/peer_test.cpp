// Other programs read what our writer writes: LibreOffice (text, and the
// formatting through its HTML export) and pandoc (text). Each test is
// skipped with a message where the program is not installed. LibreOffice
// converts every document in one call, with a private profile.
#include "recording_sink.h"
#include "text_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace rtf::test {
namespace {

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    std::stringstream ss(path);
    std::string dir;
    while (std::getline(ss, dir, ':'))
        if (!dir.empty() && access((fs::path(dir) / program).c_str(), X_OK) == 0)
            return true;
    return false;
}

// Runs a command line (our own fixed arguments and temporary paths only).
int run(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// ---------------------------------------------------------------- documents

CharFormat base(int halfPoints = 24) {
    CharFormat f;
    f.fontName = "宋体";
    f.fontCharset = 134;
    f.sizeHalfPoints = halfPoints;
    return f;
}

CharFormat with(auto&& change) {
    CharFormat f = base();
    change(f);
    return f;
}

struct PeerDoc {
    std::string name;
    std::vector<Paragraph> paragraphs;
};

// Every run's text is unique in its document, so its formatting can be
// found again in another program's output.
std::vector<PeerDoc> documents() {
    std::vector<PeerDoc> docs;
    docs.push_back({"formats",
                    {
                        Paragraph{{{"普通文字 plain 宋体", base()},
                                   {"粗体文字", with([](CharFormat& f) { f.bold = true; })},
                                   {"斜体文字", with([](CharFormat& f) { f.italic = true; })},
                                   {"下划线字", with([](CharFormat& f) { f.underline = true; })},
                                   {"删除线字", with([](CharFormat& f) { f.strike = true; })},
                                   {"红色文字", with([](CharFormat& f) {
                                        f.hasColor = true;
                                        f.color = 0xFF0000;
                                    })},
                                   {"蓝色文字", with([](CharFormat& f) {
                                        f.hasColor = true;
                                        f.color = 0x0070C0;
                                    })},
                                   {"黄色底纹", with([](CharFormat& f) {
                                        f.hasBackground = true;
                                        f.background = 0xFFFF00;
                                    })},
                                   {"上标文字", with([](CharFormat& f) { f.verticalAlign = VerticalAlign::Super; })},
                                   {"下标文字", with([](CharFormat& f) { f.verticalAlign = VerticalAlign::Sub; })},
                                   {"黑体十六磅", with([](CharFormat& f) {
                                        f.fontName = "黑体";
                                        f.sizeHalfPoints = 32;
                                    })},
                                   {"楷体二十磅", with([](CharFormat& f) {
                                        f.fontName = "楷体";
                                        f.sizeHalfPoints = 40;
                                    })},
                                   {"Arial fourteen", with([](CharFormat& f) {
                                        f.fontName = "Arial";
                                        f.fontCharset = 0;
                                        f.sizeHalfPoints = 28;
                                    })},
                                   {"粗斜下划", with([](CharFormat& f) { f.bold = f.italic = f.underline = true; })},
                                   {"黑体粗斜十四磅", with([](CharFormat& f) {
                                        f.fontName = "黑体";
                                        f.bold = f.italic = true;
                                        f.sizeHalfPoints = 28;
                                    })}},
                                  {}},
                        Paragraph{{{"居中的段落", base()}}, ParaFormat{Alignment::Centre, 0, 0, 0, 0, 0}},
                        Paragraph{{{"右对齐的段落", base()}}, ParaFormat{Alignment::Right, 0, 0, 0, 0, 0}},
                        Paragraph{{{"两端对齐的段落", base()}}, ParaFormat{Alignment::Justify, 0, 0, 0, 0, 0}},
                    }});
    docs.push_back({"characters",
                    {
                        Paragraph{{{"符号 {大括号} 和 \\反斜杠\\ 与 ? 问号后面的字", base()}}, {}},
                        Paragraph{{{"制表\t符与\u2028换行", base()}}, {}},
                        Paragraph{{{"GBK 以外：한국어 ﾊﾝｶｸ €", base()}}, {}},
                        Paragraph{{{"辅助平面：💩 𠀀 𝄞 结束", base()}}, {}},
                        Paragraph{{{"繁體字與日本語のかな", base()}}, {}},
                        Paragraph{{}, {}},
                        Paragraph{{{"空段之后", base()}}, {}},
                    }});
    docs.push_back({"mixed",
                    {
                        Paragraph{{{"中文和English混排，标点符号：「引号」《书名》", base(21)},
                                   {"   leading spaces and 12345 digits", with([](CharFormat& f) {
                                        f.fontName = "Times New Roman";
                                        f.fontCharset = 0;
                                    })}},
                                  {}},
                        Paragraph{{{"微软雅黑的字", with([](CharFormat& f) { f.fontName = "微软雅黑"; })},
                                   {"仿宋的字", with([](CharFormat& f) { f.fontName = "仿宋"; })}},
                                  ParaFormat{Alignment::Left, 720, 0, 420, 0, 0}},
                    }});
    return docs;
}

// The text a plain-text export shows: paragraphs on lines, \line a line too.
std::string expectedLines(const PeerDoc& d) {
    std::string t;
    for (const Paragraph& p : d.paragraphs) {
        const std::string line = p.text();
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line.compare(i, 3, "\u2028") == 0) {
                t += '\n';
                i += 2;
            } else {
                t += line[i];
            }
        }
        t += '\n';
    }
    return t;
}

// LibreOffice's text export writes a run of spaces after CJK punctuation as
// U+2006 and space alternately: compare runs of spaces as one space.
std::string spacesAsOne(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        bool space = s[i] == ' ';
        if (s.compare(i, 3, "\u2006") == 0) {
            space = true;
            i += 2;
        }
        if (space && !out.empty() && out.back() == ' ')
            continue;
        out += space ? ' ' : s[i];
    }
    return out;
}

std::string stripTrailingNewlines(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

// ---------------------------------------------------------------- LibreOffice HTML

// What LibreOffice's HTML says about one character of text.
struct Attr {
    std::string face;
    double points = 0;
    bool bold = false, italic = false, underline = false, strike = false, super = false, sub = false;
    std::string color, background, align;
};

std::string attribute(const std::string& tag, const std::string& name) {
    std::size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos)
        return {};
    at += name.size() + 3;
    return tag.substr(at, tag.find('"', at) - at);
}

// The body's text with whitespace collapsed, and each byte's attributes.
struct Styled {
    std::string text;
    std::vector<Attr> attrs;
};

Styled parseHtml(const std::string& html) {
    Styled out;
    bool space = true;
    const auto put = [&](char c, const Attr& a) {
        out.text += c;
        out.attrs.push_back(a);
        space = c == ' ';
    };
    const auto open = [](const HtmlTag& tag, Attr a) {
        const std::string& name = tag.name;
        const std::string text(tag.text);
        if (name == "b")
            a.bold = true;
        if (name == "i")
            a.italic = true;
        if (name == "u")
            a.underline = true;
        if (name == "strike" || name == "s")
            a.strike = true;
        if (name == "sup")
            a.super = true;
        if (name == "sub")
            a.sub = true;
        if (name == "p")
            a.align = attribute(text, "align");
        if (name == "font") {
            if (std::string f = attribute(text, "face"); !f.empty())
                a.face = f.substr(0, f.find(','));
            if (std::string c = attribute(text, "color"); !c.empty())
                a.color = c;
            std::string style = attribute(text, "style");
            if (auto at = style.find("font-size: "); at != std::string::npos)
                a.points = std::atof(style.c_str() + at + 11);
        }
        if (name == "span") {
            std::string style = attribute(text, "style");
            if (auto at = style.find("background: "); at != std::string::npos)
                a.background = style.substr(at + 12, 7);
        }
        return a;
    };
    const auto onText = [&](const std::string& text, const Attr& a) {
        for (char c : text) {
            bool ws = c == ' ' || c == '\n' || c == '\r' || c == '\t';
            if (ws && space)
                continue;
            put(ws ? ' ' : c, a);
        }
    };
    const auto onTag = [&](const HtmlTag& tag, const Attr& a) {
        if ((tag.name == "br" || (tag.name == "p" && tag.end)) && !space)
            put(' ', a);
    };
    walkHtml<Attr>(html, open, onText, onTag);
    return out;
}

std::string hexColor(std::uint32_t rgb) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%06x", rgb);
    return buf;
}

const char* alignName(Alignment a) {
    switch (a) {
    case Alignment::Left: return "left";
    case Alignment::Right: return "right";
    case Alignment::Centre: return "center";
    case Alignment::Justify: return "justify";
    }
    return "";
}

// ---------------------------------------------------------------- tables

// A table's rows as another program shows them: each cell's text, with
// ":cN" / ":rN" where it spans columns or rows. Nested tables are tables of
// their own, listed after the one they are in.
using Rows = std::vector<std::vector<std::string>>;

CellFormat cell(int right, Merge horizontal = Merge::None, Merge vertical = Merge::None) {
    CellFormat c;
    c.right = right;
    c.horizontal = horizontal;
    c.vertical = vertical;
    return c;
}

// Two rows of three columns: the first cell of the first row spans two
// columns, its last cell spans both rows, and the middle cell of the second
// row holds a table of its own.
std::string tableDocument() {
    RowFormat first, second, inner;
    first.cells = {cell(2000, Merge::First), cell(4000, Merge::Continue), cell(6000, Merge::None, Merge::First)};
    second.cells = {cell(2000), cell(4000), cell(6000, Merge::None, Merge::Continue)};
    inner.cells = {cell(2800), cell(3800)};
    Writer w;
    const auto put = [&w](const char* text) {
        w.beginParagraph(ParaFormat{});
        if (*text)
            w.text(text, base());
        w.endCell();
    };
    w.beginParagraph(ParaFormat{});
    w.text("表格之前", base());
    w.endParagraph();
    w.beginRow(first);
    for (const char* text : {"合并两列", "", "合并两行"})
        put(text);
    w.endRow(first);
    w.beginRow(second);
    put("左下");
    w.beginRow(inner);
    put("内左");
    put("内右");
    w.endRow(inner);
    put("中下");
    put("");
    w.endRow(second);
    w.beginParagraph(ParaFormat{});
    w.text("表格之后", base());
    w.endParagraph();
    return w.finish();
}

const std::vector<Rows> kTableRows = {
    {{"合并两列:c2", "合并两行:r2"}, {"左下", "中下"}},
    {{"内左", "内右"}},
};

std::vector<Rows> tablesInHtml(const std::string& html) {
    struct Cell {
        std::string text, span;
    };
    // Where text goes: a cell of a row of a table, by index.
    struct Where {
        int table = -1, row = -1, cell = -1;
    };
    std::vector<std::vector<std::vector<Cell>>> tables;
    const auto open = [&tables](const HtmlTag& tag, Where w) {
        const std::string text(tag.text);
        if (tag.name == "table") {
            w = Where{int(tables.size())};
            tables.emplace_back();
        } else if (tag.name == "tr" && w.table >= 0) {
            auto& rows = tables[std::size_t(w.table)];
            w.row = int(rows.size());
            rows.emplace_back();
        } else if ((tag.name == "td" || tag.name == "th") && w.row >= 0) {
            auto& row = tables[std::size_t(w.table)][std::size_t(w.row)];
            w.cell = int(row.size());
            Cell& c = row.emplace_back();
            if (const std::string n = attribute(text, "colspan"); !n.empty() && n != "1")
                c.span += ":c" + n;
            if (const std::string n = attribute(text, "rowspan"); !n.empty() && n != "1")
                c.span += ":r" + n;
        }
        return w;
    };
    const auto onText = [&tables](const std::string& text, const Where& w) {
        if (w.cell >= 0)
            tables[std::size_t(w.table)][std::size_t(w.row)][std::size_t(w.cell)].text += text;
    };
    walkHtml<Where>(html, open, onText, [](const HtmlTag&, const Where&) {});
    std::vector<Rows> out;
    for (const auto& rows : tables) {
        Rows& table = out.emplace_back();
        for (const auto& row : rows) {
            auto& cells = table.emplace_back();
            for (const Cell& c : row) {
                std::string text = collapseWhitespace(c.text);
                text.erase(0, text.find_first_not_of(' '));
                text.erase(text.find_last_not_of(' ') + 1);
                cells.push_back(text + c.span);
            }
        }
    }
    return out;
}

// ---------------------------------------------------------------- fixture

class Peer : public testing::Test {
protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/scrivlet-peer-XXXXXX";
        dir_ = mkdtemp(tmpl);
        for (const PeerDoc& d : documents()) {
            std::ofstream(fs::path(dir_) / (d.name + ".rtf"), std::ios::binary) << writeRtf(d.paragraphs);
        }
        std::ofstream(fs::path(dir_) / "table.rtf", std::ios::binary) << tableDocument();
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Converts every document with LibreOffice once per format; false when
    // soffice fails.
    static bool convertWithLibreOffice(const std::string& format) {
        if (converted_.count(format))
            return converted_[format];
        std::string files;
        for (const PeerDoc& d : documents())
            files += " '" + (fs::path(dir_) / (d.name + ".rtf")).string() + "'";
        files += " '" + (fs::path(dir_) / "table.rtf").string() + "'";
        std::string cmd = "cd '" + dir_ + "' && soffice -env:UserInstallation=file://" + dir_ +
                          "/profile --headless --norestore --convert-to '" + format + "' --outdir '" + dir_ + "'" +
                          files + " >/dev/null 2>&1";
        return converted_[format] = run(cmd) == 0;
    }

    static std::string dir_;
    static std::map<std::string, bool> converted_;
};
std::string Peer::dir_;
std::map<std::string, bool> Peer::converted_;

TEST_F(Peer, LibreOfficeReadsTheText) {
    if (!onPath("soffice"))
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: peer check skipped";
    ASSERT_TRUE(convertWithLibreOffice("txt:Text (encoded):UTF8"));
    for (const PeerDoc& d : documents()) {
        std::string got = readFile(fs::path(dir_) / (d.name + ".txt"));
        if (got.rfind("\xEF\xBB\xBF", 0) == 0)
            got.erase(0, 3);
        got.erase(std::remove(got.begin(), got.end(), '\r'), got.end());
        EXPECT_EQ(spacesAsOne(stripTrailingNewlines(got)), spacesAsOne(stripTrailingNewlines(expectedLines(d))))
            << d.name;
    }
}

TEST_F(Peer, LibreOfficeReadsTheFormatting) {
    if (!onPath("soffice"))
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: peer check skipped";
    ASSERT_TRUE(convertWithLibreOffice("html"));
    for (const PeerDoc& d : documents()) {
        Styled html = parseHtml(readFile(fs::path(dir_) / (d.name + ".html")));
        for (const Paragraph& p : d.paragraphs) {
            for (const test::Run& r : p.runs) {
                const std::string needle = collapseWhitespace(r.text);
                std::size_t at = html.text.find(needle);
                ASSERT_NE(at, std::string::npos) << d.name << ": \"" << needle << "\" not in LibreOffice's HTML";
                const Attr& a = html.attrs[at];
                const CharFormat& f = r.format;
                SCOPED_TRACE(d.name + ": \"" + r.text + "\"");
                EXPECT_EQ(a.face, f.fontName);
                // The HTML export writes whole points (10.5 pt becomes 10pt).
                EXPECT_NEAR(a.points, f.sizeHalfPoints / 2.0, 0.5);
                EXPECT_EQ(a.bold, f.bold);
                EXPECT_EQ(a.italic, f.italic);
                EXPECT_EQ(a.underline, f.underline);
                EXPECT_EQ(a.strike, f.strike);
                EXPECT_EQ(a.color, f.hasColor ? hexColor(f.color) : "");
                EXPECT_EQ(a.background, f.hasBackground ? hexColor(f.background) : "");
                EXPECT_EQ(a.super, f.verticalAlign == VerticalAlign::Super);
                EXPECT_EQ(a.sub, f.verticalAlign == VerticalAlign::Sub);
                EXPECT_EQ(a.align, alignName(p.format.alignment));
            }
        }
    }
}

TEST_F(Peer, LibreOfficeReadsATableWithMergedCellsAndANestedTable) {
    if (!onPath("soffice"))
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: peer check skipped";
    ASSERT_TRUE(convertWithLibreOffice("html"));
    const std::string html = readFile(fs::path(dir_) / "table.html");
    EXPECT_EQ(tablesInHtml(html), kTableRows) << html;
    const Styled text = parseHtml(html);
    EXPECT_LT(text.text.find("表格之前"), text.text.find("合并两列"));
    EXPECT_LT(text.text.find("中下"), text.text.find("表格之后"));
    EXPECT_NE(text.text.find("表格之后"), std::string::npos);
}

// Letters and digits only: pandoc's plain writer marks up strike-through
// (~~x~~), super- and subscripts (^(x), ~x~) and collapses tabs.
std::string lettersOnly(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (c >= 0x80 || std::isalnum(c))
            out.append(s, i, len);
        i += len;
    }
    return out;
}

// pandoc 2.17 decodes the two \uN halves of a character beyond the BMP one
// by one and gets U+FFFD twice: no RTF spelling avoids that, so those
// characters are left out of its comparison.
std::string withoutSupplementary(const std::string& s, const std::string& replacement) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (len == 4)
            out += replacement;
        else
            out.append(s, i, len);
        i += len;
    }
    return out;
}

TEST_F(Peer, PandocReadsTheText) {
    if (!onPath("pandoc"))
        GTEST_SKIP() << "pandoc is not installed: peer check skipped";
    for (const PeerDoc& d : documents()) {
        const fs::path out = fs::path(dir_) / (d.name + ".pandoc.txt");
        ASSERT_EQ(run("pandoc -f rtf -t plain --wrap=none -o '" + out.string() + "' '" +
                      (fs::path(dir_) / (d.name + ".rtf")).string() + "'"),
                  0);
        std::string got = withoutSupplementary(readFile(out), "");
        std::string fffd = "\uFFFD";
        for (std::size_t at; (at = got.find(fffd)) != std::string::npos;)
            got.erase(at, fffd.size());
        EXPECT_EQ(lettersOnly(got), lettersOnly(withoutSupplementary(expectedLines(d), ""))) << d.name;
    }
}

}  // namespace
}  // namespace rtf::test
