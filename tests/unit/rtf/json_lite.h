// Just enough JSON to read the corpus's oracle files: objects, arrays,
// strings (with \uXXXX escapes), numbers, true/false/null.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "utf8_append.h"

namespace rtf::test::json {

struct Member;

struct Value {
    enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<Value> array;
    // Not a vector of std::pair: a pair cannot hold the still incomplete
    // Value, which clang's library refuses.
    std::vector<Member> object;

    const Value* find(std::string_view key) const;
};

struct Member {
    std::string key;
    Value value;
};

inline const Value* Value::find(std::string_view key) const {
    for (const Member& m : object)
        if (m.key == key)
            return &m.value;
    return nullptr;
}

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}
    Value parse() {
        Value v = value();
        ws();
        if (i_ != s_.size())
            fail("trailing data");
        return v;
    }

private:
    [[noreturn]] void fail(const char* what) {
        throw std::runtime_error(std::string("JSON: ") + what + " at " + std::to_string(i_));
    }
    void ws() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t'))
            ++i_;
    }
    char peek() {
        ws();
        if (i_ >= s_.size())
            fail("unexpected end");
        return s_[i_];
    }
    void expect(char c) {
        if (peek() != c)
            fail("unexpected character");
        ++i_;
    }
    unsigned hex4() {
        if (i_ + 4 > s_.size())
            fail("short \\u escape");
        unsigned v = std::stoul(std::string(s_.substr(i_, 4)), nullptr, 16);
        i_ += 4;
        return v;
    }
    std::string str() {
        expect('"');
        std::string out;
        while (i_ < s_.size() && s_[i_] != '"') {
            char c = s_[i_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size())
                fail("bad escape");
            char e = s_[i_++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                unsigned c1 = hex4();
                if (c1 >= 0xD800 && c1 < 0xDC00 && s_.substr(i_, 2) == "\\u") {
                    i_ += 2;
                    unsigned c2 = hex4();
                    c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
                }
                appendUtf8(out, c1);
                break;
            }
            default: out += e; break;
            }
        }
        expect('"');
        return out;
    }
    Value value() {
        Value v;
        char c = peek();
        if (c == '{') {
            ++i_;
            v.type = Value::Type::Object;
            if (peek() == '}') {
                ++i_;
                return v;
            }
            for (;;) {
                std::string k = str();
                expect(':');
                v.object.push_back(Member{std::move(k), value()});
                if (peek() == ',') {
                    ++i_;
                    continue;
                }
                expect('}');
                return v;
            }
        }
        if (c == '[') {
            ++i_;
            v.type = Value::Type::Array;
            if (peek() == ']') {
                ++i_;
                return v;
            }
            for (;;) {
                v.array.push_back(value());
                if (peek() == ',') {
                    ++i_;
                    continue;
                }
                expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.type = Value::Type::String;
            v.string = str();
            return v;
        }
        if (s_.substr(i_, 4) == "true") {
            i_ += 4;
            v.type = Value::Type::Bool;
            v.boolean = true;
            return v;
        }
        if (s_.substr(i_, 5) == "false") {
            i_ += 5;
            v.type = Value::Type::Bool;
            return v;
        }
        if (s_.substr(i_, 4) == "null") {
            i_ += 4;
            return v;
        }
        std::size_t start = i_;
        while (i_ < s_.size() && std::string_view("+-0123456789.eE").find(s_[i_]) != std::string_view::npos)
            ++i_;
        if (start == i_)
            fail("unexpected character");
        v.type = Value::Type::Number;
        v.number = std::stod(std::string(s_.substr(start, i_ - start)));
        return v;
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

inline Value parse(std::string_view s) {
    return Parser(s).parse();
}

}  // namespace rtf::test::json
