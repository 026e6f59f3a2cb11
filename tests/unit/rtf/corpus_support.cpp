#include "corpus_support.h"

#include "json_lite.h"
#include "utf8_append.h"

#include <algorithm>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace rtf::test {

fs::path corpusDir() {
    return fs::path(SCRIVLET_CORPUS_DIR);
}

std::vector<std::string> corpusFiles() {
    std::vector<std::string> files;
    std::error_code ec;
    const fs::path root = corpusDir();
    if (!fs::is_directory(root, ec))
        return files;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path rel = fs::relative(it->path(), root);
        const std::string first = rel.begin()->string();
        if (first == "tool-outputs" || first == "tools")
            continue;
        if (it->is_regular_file() && it->path().extension() == ".rtf")
            files.push_back(rel.generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

namespace {

std::string replaceAll(std::string s, std::string_view from, std::string_view to) {
    for (std::size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size())
        s.replace(p, from.size(), to);
    return s;
}

// Words: maximal sequences of letters and digits (any non-ASCII character
// counts as a letter). Punctuation-only decorations vanish.
std::vector<std::string> words(std::string_view s) {
    std::vector<std::string> out;
    std::string cur;
    for (std::size_t i = 0; i < s.size();) {
        char32_t c = nextChar(s, i);
        bool letter = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      (c >= 0x80 && !isSpace(c) && c != 0x00B7 && c != 0x00AD && !(c >= 0x2000 && c <= 0x206F) &&
                       !(c >= 0x25A0 && c <= 0x25FF) && !(c >= 0xF000 && c <= 0xF0FF));
        if (letter) {
            appendUtf8(cur, c);
        } else if (!cur.empty()) {
            out.push_back(std::move(cur));
            cur.clear();
        }
    }
    if (!cur.empty())
        out.push_back(std::move(cur));
    return out;
}

std::string join(const std::vector<std::string>& w, std::string_view separator = " ") {
    std::string s;
    for (const auto& x : w) {
        if (!s.empty())
            s += separator;
        s += x;
    }
    return s;
}

// The text content of an HTML page: block-level tags become spaces, inline
// tags vanish; <head>, <style> and <script> are dropped.
std::string htmlText(std::string_view html) {
    static const std::set<std::string> blocks = {"p",  "div", "br", "td", "th", "tr", "li",   "table", "ul",   "ol",
                                                 "h1", "h2",  "h3", "h4", "h5", "h6", "body", "hr",    "tbody"};
    std::string out;
    walkHtml<int>(
        html, [](const HtmlTag&, int) { return 0; }, [&](const std::string& text, int) { out += text; },
        [&](const HtmlTag& tag, int) {
            if (blocks.count(tag.name))
                out += ' ';
        });
    return out;
}

// The characters of an rtfparserkit event stream that belong to the body:
// text outside the font table, colour table, stylesheet, \info, ignorable
// destinations and the like, and outside \upr's ANSI branch.
std::string eventsBodyText(std::string_view xml) {
    static const std::set<std::string> skipped = {
        "fonttbl",  "colortbl",  "stylesheet",        "info",    "pict",      "object",    "header",
        "headerl",  "headerr",   "headerf",           "footer",  "footerl",   "footerr",   "footerf",
        "footnote", "listtable", "listoverridetable", "fldinst", "themedata", "datastore", "xmlnstbl",
        "rsidtbl",  "generator", "latentstyles",      "pntxtb",  "pntxta",    "pn"};
    struct Group {
        bool skip;
        bool sawCommand = false;
        bool upr = false;
        int childGroups = 0;
    };
    std::vector<Group> stack{{false}};
    std::string out;
    std::size_t i = 0;
    while ((i = xml.find('<', i)) != std::string_view::npos) {
        std::size_t close = xml.find('>', i);
        if (close == std::string_view::npos)
            break;
        std::string_view tag = xml.substr(i + 1, close - i - 1);
        if (tag == "group") {
            Group& parent = stack.back();
            bool skip = parent.skip;
            // The first group inside \upr is the ANSI branch.
            if (parent.upr && parent.childGroups == 0)
                skip = true;
            ++parent.childGroups;
            stack.push_back({skip});
        } else if (tag == "/group") {
            if (stack.size() > 1)
                stack.pop_back();
        } else if (tag.substr(0, 7) == "command") {
            auto nameAt = tag.find("name=\"");
            std::string name(tag.substr(nameAt + 6, tag.find('"', nameAt + 6) - nameAt - 6));
            Group& g = stack.back();
            bool optional = tag.find("optional=\"true\"") != std::string_view::npos;
            if (!g.sawCommand) {
                g.sawCommand = true;
                if (skipped.count(name) || (optional && name != "ud"))
                    g.skip = true;
                if (name == "upr")
                    g.upr = true;
            }
            if (!g.skip && (name == "par" || name == "line" || name == "tab" || name == "cell" || name == "row" ||
                            name == "sect" || name == "page"))
                out += ' ';
        } else if (tag == "chars") {
            std::size_t end = xml.find("</chars>", close);
            if (end == std::string_view::npos)
                break;
            if (!stack.back().skip)
                out += decodeEntities(xml.substr(close + 1, end - close - 1));
            i = end + 8;
            continue;
        }
        i = close + 1;
    }
    return out;
}

// Where two texts part, with some context, for a readable failure.
std::string difference(const std::string& ours, const std::string& want) {
    std::size_t i = 0;
    while (i < ours.size() && i < want.size() && ours[i] == want[i])
        ++i;
    std::size_t from = i > 60 ? i - 60 : 0;
    while (from > 0 && (static_cast<unsigned char>(ours[from]) & 0xC0) == 0x80)
        --from;
    return "differs at byte " + std::to_string(i) + ":\n  ours: ..." + ours.substr(from, 160) + "\n  want: ..." +
           want.substr(from, 160);
}

// UTF-16 length, as LibreOffice counts text.
std::size_t utf16Length(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();)
        n += nextChar(s, i) >= 0x10000 ? 2 : 1;
    return n;
}

// A paragraph's text as LibreOffice reports it: a \line is "\n".
std::string loText(const Paragraph& p) {
    return replaceAll(p.text(), "\u2028", "\n");
}

bool contains(const std::string& hay, const std::string& needle) {
    return hay.find(needle) != std::string::npos;
}

void checkAsserts(const json::Value& o, const RecordingSink& ours, Verdict& v) {
    const std::string text = collapseWhitespace(ours.plainText());
    auto fail = [&](const std::string& what) { v.failures.push_back(what); };
    for (const char* key : {"contains", "contains_ws_collapsed"}) {
        if (const json::Value* list = o.find(key)) {
            v.assessed = true;
            for (const auto& s : list->array)
                if (!contains(text, collapseWhitespace(s.string)))
                    fail(std::string("missing \"") + s.string + "\"");
        }
    }
    if (const json::Value* list = o.find("not_contains")) {
        v.assessed = true;
        for (const auto& s : list->array)
            if (contains(text, s.string))
                fail("unexpected \"" + s.string + "\"");
    }
    if (const json::Value* s = o.find("equals_after_removing_all_whitespace")) {
        v.assessed = true;
        std::string a = replaceAll(text, " ", ""), b = replaceAll(collapseWhitespace(s->string), " ", "");
        if (a != b)
            fail("text differs: \"" + a.substr(0, 200) + "\"");
    }
    // XHTML snippets: a run of <p> elements is a run of paragraphs; other
    // snippets are checked for their text.
    for (const char* key : {"xml_contains", "xml_contains_newlines_as_space"}) {
        const json::Value* list = o.find(key);
        if (!list)
            continue;
        for (const auto& s : list->array) {
            v.assessed = true;
            if (s.string.find("<p") != std::string::npos) {
                std::vector<std::string> want;
                for (std::size_t at = 0; (at = s.string.find("<p", at)) != std::string::npos;) {
                    std::size_t end = s.string.find('>', at);
                    if (end == std::string::npos)
                        break;
                    if (s.string[end - 1] == '/') {
                        want.emplace_back();
                        at = end;
                        continue;
                    }
                    std::size_t close = s.string.find("</p>", end);
                    if (close == std::string::npos)
                        break;
                    want.push_back(collapseWhitespace(htmlText(s.string.substr(end + 1, close - end - 1))));
                    at = close;
                }
                bool found = false;
                for (std::size_t first = 0; !found && first + want.size() <= ours.paragraphs.size(); ++first) {
                    found = true;
                    for (std::size_t k = 0; k < want.size() && found; ++k)
                        found = collapseWhitespace(ours.paragraphs[first + k].text()) == want[k];
                }
                if (!found)
                    fail("no paragraphs matching " + s.string);
            } else if (!contains(text, collapseWhitespace(htmlText(s.string)))) {
                fail("missing the text of " + s.string);
            }
        }
    }
    if (const json::Value* list = o.find("xml_not_contains")) {
        for (const auto& s : list->array) {
            v.assessed = true;
            const std::string& x = s.string;
            if (x.rfind("<p>", 0) == 0 && x.size() > 7 && x.substr(x.size() - 4) == "</p>") {
                std::string inner = x.substr(3, x.size() - 7);
                for (const auto& p : ours.paragraphs)
                    if (p.text() == inner)
                        fail("a paragraph is exactly " + x);
            } else if (x.rfind("<b>", 0) == 0) {
                std::string inner = x.substr(3);
                for (const auto& p : ours.paragraphs)
                    for (const auto& r : p.runs)
                        if (r.format.bold && r.text.find(inner) != std::string::npos)
                            fail("bold run holds " + inner);
            }
        }
    }
    // Formatting: <b>X</b> and <i>X</i> as "a bold (italic) run holds X".
    if (const json::Value* list = o.find("xml_contains")) {
        for (const auto& s : list->array) {
            for (const char* tag : {"b", "i"}) {
                std::string open = std::string("<") + tag + ">", close = std::string("</") + tag + ">";
                if (s.string.rfind(open, 0) != 0 || s.string.size() < open.size() + close.size() ||
                    s.string.substr(s.string.size() - close.size()) != close)
                    continue;
                std::string inner = s.string.substr(open.size(), s.string.size() - open.size() - close.size());
                if (inner.find('<') != std::string::npos)
                    continue;
                v.assessed = true;
                bool found = false;
                for (const auto& p : ours.paragraphs)
                    for (const auto& r : p.runs)
                        if (contains(r.text, inner) && (tag[0] == 'b' ? r.format.bold : r.format.italic))
                            found = true;
                if (!found)
                    fail("no " + std::string(tag[0] == 'b' ? "bold" : "italic") + " run with \"" + inner + "\"");
            }
        }
    }
    const json::Value* checks = o.find("checks");
    if (!checks)
        return;
    auto paragraph = [&](int n) -> const Paragraph* {
        return n >= 1 && static_cast<std::size_t>(n) <= ours.paragraphs.size() ? &ours.paragraphs[n - 1] : nullptr;
    };
    auto run = [&](const json::Value& at) -> const Run* {
        const Paragraph* p = paragraph(static_cast<int>(at.array[0].number));
        if (!p || p->runs.empty())
            return nullptr;
        std::size_t r = static_cast<std::size_t>(at.array[1].number);
        return r >= 1 && r <= p->runs.size() ? &p->runs[r - 1] : &p->runs.back();
    };
    for (const auto& c : checks->array) {
        const json::Value* textV = c.find("text");
        if (const json::Value* at = c.find("paragraph"); at && textV) {
            v.assessed = true;
            const Paragraph* p = paragraph(static_cast<int>(at->number));
            std::string got = p ? loText(*p) : "<none>";
            if (got != textV->string)
                fail("paragraph " + std::to_string(int(at->number)) + " is \"" + got + "\"");
        } else if (const json::Value* at2 = c.find("run"); at2 && textV) {
            v.assessed = true;
            const Paragraph* p = paragraph(static_cast<int>(at2->array[0].number));
            std::string got = p ? loText(*p) : "<none>";
            if (!contains(got, textV->string))
                fail("paragraph text \"" + got + "\" lacks \"" + textV->string + "\"");
        } else if (const json::Value* len = c.find("length")) {
            v.assessed = true;
            std::size_t n = 0;
            for (const auto& p : ours.paragraphs)
                n += utf16Length(p.text());
            if (n != static_cast<std::size_t>(len->number))
                fail("length " + std::to_string(n));
        } else if (const json::Value* count = c.find("paragraph_count")) {
            v.assessed = true;
            if (ours.paragraphs.size() != static_cast<std::size_t>(count->number))
                fail("paragraph count " + std::to_string(ours.paragraphs.size()));
        } else if (const json::Value* at3 = c.find("run_prop")) {
            v.assessed = true;
            const Run* r = run(*at3);
            if (!r) {
                fail("no run");
                continue;
            }
            if (const json::Value* bg = c.find("CharBackColor")) {
                std::string want = bg->type == json::Value::Type::Number ? "none" : bg->string;
                char buf[16];
                std::snprintf(buf, sizeof buf, "%06X", r->format.background);
                std::string got = r->format.hasBackground ? buf : "none";
                if (got != want)
                    fail("background " + got + " for \"" + r->text + "\", want " + want);
            }
            if (const json::Value* w = c.find("CharWeight")) {
                bool want = w->string == "BOLD";
                if (r->format.bold != want)
                    fail("bold is " + std::to_string(r->format.bold) + " for \"" + r->text + "\"");
            }
            if (const json::Value* f = c.find("CharFontName")) {
                if (r->format.fontName != f->string)
                    fail("font \"" + r->format.fontName + "\"");
            }
        }
        // header_*, footer, text frames, tables, styles and metadata are
        // outside what the control shows; they are not assessed.
    }
}

}  // namespace

Verdict judge(const std::string& rel, const RecordingSink& ours) {
    Verdict v;
    const fs::path file = corpusDir() / rel;
    const fs::path dir = file.parent_path();
    const std::string stem = file.stem().string();
    const std::string top = fs::path(rel).begin()->string();
    std::error_code ec;
    const std::string text = ours.plainText();

    const fs::path expectedTxt = dir / (stem + ".expected.txt");
    const fs::path events = dir / (stem + ".events.xml");
    const fs::path oracle = dir / (stem + ".oracle.json");
    fs::path html = dir / (stem + ".expected.html");
    if (top == "rtfjs")
        html = dir / "expected.html";
    if (top == "pandoc")
        html = dir / (stem + ".html");

    if (fs::exists(expectedTxt, ec)) {
        v.assessed = true;
        std::string want = readFile(expectedTxt);
        if (top == "pandoc") {
            // pandoc's plain writer decorates (list markers, table rules,
            // footnote marks, ^super^ and ~sub~ scripts): compare the
            // letters and digits only.
            v.kind = "words";
            std::string a = join(words(text), ""), b = join(words(want), "");
            if (a != b)
                v.failures.push_back("words " + difference(a, b));
        } else {
            v.kind = "text";
            // striprtf separates table cells with '|'.
            std::string ourText = text;
            if (top == "striprtf") {
                want = replaceAll(want, "|", " ");
                ourText = replaceAll(ourText, "|", " ");
            }
            std::string a = collapseWhitespace(ourText), b = collapseWhitespace(want);
            if (a != b)
                v.failures.push_back("text " + difference(a, b));
        }
    } else if (fs::exists(events, ec)) {
        v.assessed = true;
        v.kind = "events";
        std::string a = collapseWhitespace(text), b = collapseWhitespace(eventsBodyText(readFile(events)));
        if (a != b)
            v.failures.push_back("characters " + difference(a, b));
    } else if (fs::exists(oracle, ec)) {
        v.kind = "asserts";
        checkAsserts(json::parse(readFile(oracle)), ours, v);
    } else if (fs::exists(html, ec)) {
        v.assessed = true;
        v.kind = "html";
        // Markup splits words at run boundaries ("pro<span>ject"):
        // compare the letters and digits only.
        std::string a = join(words(text), ""), b = join(words(htmlText(readFile(html))), "");
        if (a != b)
            v.failures.push_back("words " + difference(a, b));
    }
    v.met = v.assessed && v.failures.empty();
    return v;
}

namespace {

struct Marks {
    bool bold = false, italic = false, underline = false, strike = false, super = false, sub = false;
    bool operator==(const Marks&) const = default;
};

std::string describe(const Marks& m) {
    std::string d;
    if (m.bold)
        d += " bold";
    if (m.italic)
        d += " italic";
    if (m.underline)
        d += " underline";
    if (m.strike)
        d += " strike";
    if (m.super)
        d += " super";
    if (m.sub)
        d += " sub";
    return d.empty() ? " plain" : d;
}

// The HTML's text in stretches of one set of marks, from tags (<b>,
// <strong>, <em>, <u>, <s>, <sup> ...) and inline styles (font-weight,
// font-style, text-decoration, vertical-align).
std::vector<std::pair<std::string, Marks>> markedStretches(std::string_view html) {
    std::vector<std::pair<std::string, Marks>> out;
    const auto open = [](const HtmlTag& tag, Marks m) {
        const std::string& name = tag.name;
        if (name == "b" || name == "strong" || name == "th")
            m.bold = true;  // <th> is bold by default
        if (name == "i" || name == "em")
            m.italic = true;
        if (name == "u")
            m.underline = true;
        if (name == "s" || name == "strike" || name == "del")
            m.strike = true;
        if (name == "sup")
            m.super = true;
        if (name == "sub")
            m.sub = true;
        std::string lower(tag.text);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string style;
        if (auto at = lower.find("style=\""); at != std::string::npos)
            style = lower.substr(at + 7, lower.find('"', at + 7) - at - 7);
        style.erase(std::remove(style.begin(), style.end(), ' '), style.end());
        if (contains(style, "font-weight:bold") || contains(style, "font-weight:700"))
            m.bold = true;
        if (contains(style, "font-weight:normal") || contains(style, "font-weight:400"))
            m.bold = false;
        if (contains(style, "font-style:italic"))
            m.italic = true;
        if (contains(style, "font-style:normal"))
            m.italic = false;
        if (contains(style, "text-decoration:underline") || contains(style, "text-decoration-line:underline"))
            m.underline = true;
        if (contains(style, "line-through"))
            m.strike = true;
        if (contains(style, "vertical-align:super"))
            m.super = true;
        if (contains(style, "vertical-align:sub"))
            m.sub = true;
        return m;
    };
    const auto onText = [&](const std::string& text, const Marks& marks) {
        if (!out.empty() && out.back().second == marks)
            out.back().first += text;
        else
            out.emplace_back(text, marks);
    };
    const auto onTag = [&](const HtmlTag& tag, const Marks&) {
        const std::string& name = tag.name;
        if ((name == "br" || name == "p" || name == "div" || name == "td" || name == "li") && !out.empty())
            out.back().first += ' ';
    };
    walkHtml<Marks>(html, open, onText, onTag);
    return out;
}

}  // namespace

Verdict judgeFormatting(const std::string& rel, const RecordingSink& ours) {
    Verdict v;
    v.kind = "formatting";
    const fs::path file = corpusDir() / rel;
    const std::string top = fs::path(rel).begin()->string();
    fs::path html = file.parent_path() / (file.stem().string() + ".expected.html");
    if (top == "rtfjs")
        html = file.parent_path() / "expected.html";
    std::error_code ec;
    if (top == "pandoc" || !fs::exists(html, ec))
        return v;
    v.assessed = true;

    // Our text without whitespace, each byte with its run's marks.
    std::string text;
    std::vector<Marks> marks;
    for (const auto& p : ours.paragraphs)
        for (const auto& r : p.runs) {
            Marks m{r.format.bold,
                    r.format.italic,
                    r.format.underline,
                    r.format.strike,
                    r.format.verticalAlign == VerticalAlign::Super,
                    r.format.verticalAlign == VerticalAlign::Sub};
            for (std::size_t i = 0; i < r.text.size();) {
                std::size_t start = i;
                if (isSpace(nextChar(r.text, i)))
                    continue;
                text.append(r.text, start, i - start);
                marks.insert(marks.end(), i - start, m);
            }
        }
    // Each stretch of the HTML is found after the previous one, and every
    // byte of it must carry the stretch's marks.
    std::size_t from = 0;
    for (const auto& [stretch, want] : markedStretches(readFile(html))) {
        std::string needle = replaceAll(collapseWhitespace(stretch), " ", "");
        if (needle.size() < 2)
            continue;
        std::size_t at = text.find(needle, from);
        if (at == std::string::npos)
            continue;  // text differences are the text oracle's business
        from = at + needle.size();
        for (std::size_t k = at; k < at + needle.size(); ++k) {
            if (!(marks[k] == want)) {
                v.failures.push_back("\"" + stretch.substr(0, 60) + "\" is" + describe(marks[k]) + ", want" +
                                     describe(want));
                break;
            }
        }
    }
    v.met = v.failures.empty();
    return v;
}

std::string knownFormattingMiss(const std::string& rel) {
    static const std::map<std::string, std::string> misses = {
        {"rtfpipe/Issue52.rtf",
         "Outlook's encapsulated HTML: the bold is in the HTML tags RtfPipe rebuilds; the RTF runs an RTF reader shows are plain"},
    };
    auto it = misses.find(rel);
    return it == misses.end() ? std::string() : it->second;
}

std::string knownMiss(const std::string& rel) {
    // Each entry is a debt: what the oracle expects that this editor does
    // not do, and why.
    static const std::map<std::string, std::string> misses = {
        {"pandoc/command/command-10145-1.rtf",
         "the picture is shown and kept as a picture; pandoc writes its alt text \"image\" as text"},
        {"pandoc/test-rtf/image.rtf",
         "the picture is shown and kept as a picture; pandoc writes its alt text \"image\" as text"},
        {"pandoc/test-rtf/footnote.rtf",
         "footnote text is kept (written back on save) but not shown as body text; pandoc appends it"},
        {"pandoc/test-rtf/formatting.rtf",
         "\\caps and \\scaps are display-only: the text is kept as typed, pandoc upper-cases it"},
        {"pandoc/test-rtf/list_complex.rtf",
         "\\listtext labels are shown as the file writes them (the list table is kept, not rendered); this "
         "list's bullet is the letter o"},
        {"pandoc/test-rtf/list_legacy.rtf",
         "pandoc numbers \\pn lists itself; only the labels the file writes (\\pntext) are shown"},
        {"rtfpipe/Issue53.rtf",
         "\\pntext labels are shown as the file writes them (\"1)\"); RtfPipe renders an HTML list instead"},
        {"rtfpipe/phprtflite/paragraphs_fonts.rtf", "\\chdate is today's date when shown; no text is generated for it"},
        {"rtfpipe/rtf2xml/inline_mix.rtf",
         "the footnote's mark is shown (\"1\"); its text is kept but not shown, RtfPipe appends it at the end"},
        {"rtfpipe/rtf2xml/japanese.rtf",
         "the expected HTML keeps \\uc2 fallback bytes after a line break (\"オIープン\"); we skip them"},
        {"striprtf/hyperlinks.rtf",
         "striprtf appends each link's target as (\"url\"); the editor shows the link text only"},
        {"striprtf/mac_textedit_hyperlink.rtf",
         "striprtf appends each link's target as (\"url\"); the editor shows the link text only"},
        {"tika/testRTFBoldPlain.rtf",
         "the asserted bold \"Hank\" is inside the \\header group; headers are kept, not shown as body text"},
        {"tika/testRTFVarious.rtf",
         "footnote, header, footer and text-box text is kept, not shown as body text; Tika puts it inline"},
        {"tika/testRTF_annotation_spacing.rtf",
         "annotation (comment) text is kept, not shown as body text; Tika puts it inline"},
    };
    auto it = misses.find(rel);
    return it == misses.end() ? std::string() : it->second;
}

}  // namespace rtf::test
