// Text helpers of the codec's tests: files, UTF-8 characters, whitespace and
// HTML pages, for the corpus oracles and for what other programs export.
#pragma once

#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rtf::test {

// The file's bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// Decodes the UTF-8 character at i and moves i past it (an invalid byte
// gives U+FFFD).
char32_t nextChar(std::string_view s, std::size_t& i);

// Spaces of every kind: ASCII whitespace, line and paragraph separators,
// no-break and ideographic spaces.
bool isSpace(char32_t c);

// Whitespace (including U+2028, U+00A0 and tabs) collapsed to one space,
// trimmed; soft hyphens and byte-order marks dropped.
std::string collapseWhitespace(std::string_view s);

// Character references (&amp; &#20013; &#x4E2D; and the common named ones)
// as UTF-8; anything else is kept as written.
std::string decodeEntities(std::string_view s);

// One tag as walkHtml meets it.
struct HtmlTag {
    std::string_view text;  // as written, from '<' to '>'
    std::string name;       // lower case; empty for comments and declarations
    bool end = false;       // </name>
    bool empty = false;     // <br>, <img>, <hr>, <meta> or <.../>: opens no element
};

// Walks the body of an HTML page (the whole page where it has no <body>),
// keeping the open elements on a stack, each with the State that
// open(tag, parentState) gave it. onTag(tag, state) is told of every tag,
// with the state before it; onText(text, state) gets the text between tags,
// references decoded, with the innermost element's state. An end tag closes
// the innermost open element of its name and those inside it. <head>,
// <title>, <style> and <script> are passed over with their content.
template <class State, class Open, class OnText, class OnTag>
void walkHtml(std::string_view html, Open open, OnText onText, OnTag onTag) {
    struct Element {
        std::string name;
        State state;
    };
    std::vector<Element> stack{{"", State{}}};
    std::string lower(html);  // tag names in either case: search a lowered copy
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::size_t i = 0;
    if (auto body = lower.find("<body"); body != std::string::npos)
        i = body;
    while (i < html.size()) {
        if (html[i] != '<') {
            std::size_t next = html.find('<', i);
            if (next == std::string_view::npos)
                next = html.size();
            onText(decodeEntities(html.substr(i, next - i)), stack.back().state);
            i = next;
            continue;
        }
        const std::size_t close = html.find('>', i);
        if (close == std::string_view::npos)
            break;
        HtmlTag tag;
        tag.text = html.substr(i, close - i + 1);
        tag.end = tag.text.size() > 1 && tag.text[1] == '/';
        for (std::size_t k = tag.end ? 2 : 1;
             k < tag.text.size() && std::isalnum(static_cast<unsigned char>(lower[i + k])); ++k)
            tag.name += lower[i + k];
        i = close + 1;
        if (tag.name == "head" || tag.name == "title" || tag.name == "style" || tag.name == "script") {
            const std::size_t end = lower.find("</" + tag.name, i);
            i = end == std::string::npos ? html.size() : lower.find('>', end) + 1;
            continue;
        }
        tag.empty = tag.name == "br" || tag.name == "img" || tag.name == "hr" || tag.name == "meta" ||
                    tag.text.find("/>") != std::string_view::npos;
        onTag(tag, stack.back().state);
        if (tag.empty)
            continue;
        if (tag.end) {
            for (std::size_t k = stack.size(); k-- > 1;)
                if (stack[k].name == tag.name) {
                    stack.resize(k);
                    break;
                }
            continue;
        }
        State state = open(tag, stack.back().state);
        stack.push_back({tag.name, std::move(state)});
    }
}

}  // namespace rtf::test
