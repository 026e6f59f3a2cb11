#include "text_support.h"

#include "utf8_append.h"

#include "text/utf8.h"

#include <fstream>
#include <map>
#include <sstream>

namespace rtf::test {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

char32_t nextChar(std::string_view s, std::size_t& i) {
    return text::nextUtf8(s.data(), s.size(), i);
}

bool isSpace(char32_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029 || c == 0xA0 || c == 0x3000 ||
           c == 0x0B || c == 0x0C;
}

std::string collapseWhitespace(std::string_view s) {
    std::string out;
    bool space = false;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t start = i;
        char32_t c = nextChar(s, i);
        if (isSpace(c)) {
            space = true;
            continue;
        }
        if (c == 0xAD || c == 0xFEFF)
            continue;  // soft hyphen, BOM: invisible
        if (space && !out.empty())
            out += ' ';
        space = false;
        out.append(s.substr(start, i - start));
    }
    return out;
}

std::string decodeEntities(std::string_view s) {
    static const std::map<std::string, char32_t> named = {
        {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},      {"apos", '\''},
        {"nbsp", 0xA0},    {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018},  {"rsquo", 0x2019},
        {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"bull", 0x2022},  {"hellip", 0x2026}, {"copy", 0xA9},
    };
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        std::size_t semi = s.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += s[i];
            continue;
        }
        std::string name(s.substr(i + 1, semi - i - 1));
        char32_t c = 0;
        if (!name.empty() && name[0] == '#') {
            c = name.size() > 1 && (name[1] == 'x' || name[1] == 'X') ? std::stoul(name.substr(2), nullptr, 16)
                                                                      : std::stoul(name.substr(1));
        } else if (auto it = named.find(name); it != named.end()) {
            c = it->second;
        } else {
            out += s[i];
            continue;
        }
        appendUtf8(out, c);
        i = semi;
    }
    return out;
}

}  // namespace rtf::test
