#include "document/rtf/plaintext.h"

#include "document/rtf/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace rtf {

namespace {

bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        // ASCII in bulk.
        while (i < n && static_cast<unsigned char>(s[i]) < 0x80) ++i;
        if (i >= n) break;
        std::size_t before = i;
        char32_t c = detail::nextUtf8(s.data(), n, i);
        if (c == detail::kReplacement) {
            // U+FFFD itself is valid when it is really there (EF BF BD).
            if (!(i - before == 3 && s.substr(before, 3) == "\xEF\xBF\xBD")) return false;
        }
    }
    return true;
}

// Converts with iconv; bytes it cannot convert become `replacement` and the
// conversion goes on, so no byte sequence stops it.
// An iconv handle per direction and thread, opened once.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return cd_; }

private:
    iconv_t cd_;
};

iconv_t converter(bool toGb18030) {
    thread_local Converter toGb("GB18030", "UTF-8");
    thread_local Converter fromGb("UTF-8", "GB18030");
    const Converter& c = toGb18030 ? toGb : fromGb;
    return c.ok() ? c.handle() : reinterpret_cast<iconv_t>(-1);
}

std::string convert(std::string_view in, bool toGb18030, std::string_view replacement) {
    std::string out;
    iconv_t cd = converter(toGb18030);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 2 + 16);
    char* inp = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    std::size_t used = 0;
    while (inLeft > 0) {
        char* outp = out.data() + used;
        std::size_t outLeft = out.size() - used;
        std::size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        used = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL (truncated at the end): replace one byte, go on.
        if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
        out.replace(used, replacement.size(), replacement);
        used += replacement.size();
        ++inp;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
}

}  // namespace

DecodedText decodePlainText(std::string_view bytes) {
    DecodedText result{std::string(), TextEncoding::Utf8, LineEnd::Lf};
    std::string decoded;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        // The BOM says UTF-8: bytes that are not become U+FFFD.
        result.encoding = TextEncoding::Utf8Bom;
        const std::string_view body = bytes.substr(3);
        if (isValidUtf8(body)) {
            decoded.assign(body);
        } else {
            for (std::size_t i = 0; i < body.size();) detail::appendUtf8(decoded, detail::nextUtf8(body.data(), body.size(), i));
        }
    } else if (isValidUtf8(bytes)) {
        decoded.assign(bytes);
    } else {
        result.encoding = TextEncoding::Gb18030;
        decoded = convert(bytes, false, "\xEF\xBF\xBD");
    }
    // Line ends: the first one found names the file's convention; every
    // kind becomes '\n'.
    bool found = false;
    std::string& out = result.utf8;
    out.reserve(decoded.size());
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        char c = decoded[i];
        if (c == '\r') {
            bool crlf = i + 1 < decoded.size() && decoded[i + 1] == '\n';
            if (!found) {
                result.lineEnd = crlf ? LineEnd::CrLf : LineEnd::Cr;
                found = true;
            }
            if (crlf) ++i;
            out.push_back('\n');
        } else {
            if (c == '\n' && !found) {
                result.lineEnd = LineEnd::Lf;
                found = true;
            }
            out.push_back(c);
        }
    }
    return result;
}

std::string encodePlainText(std::string_view utf8, TextEncoding encoding, LineEnd lineEnd) {
    std::string text;
    if (lineEnd == LineEnd::Lf) {
        text.assign(utf8);
    } else {
        const char* end = lineEnd == LineEnd::CrLf ? "\r\n" : "\r";
        text.reserve(utf8.size() + utf8.size() / 16);
        for (char c : utf8) {
            if (c == '\n')
                text += end;
            else
                text.push_back(c);
        }
    }
    switch (encoding) {
    case TextEncoding::Utf8:
        return text;
    case TextEncoding::Utf8Bom:
        return "\xEF\xBB\xBF" + text;
    case TextEncoding::Gb18030:
        // GB18030 holds every Unicode character; only invalid UTF-8 input
        // can fail, and it becomes '?'.
        return convert(text, true, "?");
    }
    return text;
}

}  // namespace rtf
