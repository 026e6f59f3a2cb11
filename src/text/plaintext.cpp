#include "text/plaintext.h"

#include "text/iconv.h"
#include "text/utf16.h"
#include "text/utf8.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace text {

namespace {

// The conversions plain text needs. Code page 936 is GBK as Windows writes
// it: GB18030's two-byte characters and the single byte 0x80 for the euro
// sign, which GB18030 lacks.
enum class Direction { FromGb18030, ToGb18030, FromCp936, ToCp936 };

// An iconv handle per direction and thread, opened once.
const Iconv& converter(Direction direction) {
    thread_local const Iconv fromGb("UTF-8", "GB18030");
    thread_local const Iconv toGb("GB18030", "UTF-8");
    thread_local const Iconv fromCp936("UTF-8", "CP936");
    thread_local const Iconv toCp936("CP936", "UTF-8");
    const Iconv* const all[] = {&fromGb, &toGb, &fromCp936, &toCp936};
    return *all[static_cast<int>(direction)];
}

// Converts with iconv; bytes it cannot convert become `replacement` and the
// conversion goes on, so no byte sequence stops it. `replaced` (when given)
// counts the bytes that could not be converted.
std::string convert(std::string_view in, Direction direction, std::string_view replacement,
                    std::size_t* replaced = nullptr) {
    std::string out;
    const Iconv& cd = converter(direction);
    if (!cd.ok()) {
        if (replaced)
            *replaced = in.size();  // nothing was converted
        return std::string(in);
    }
    cd.reset();
    out.resize(in.size() * 2 + 16);
    const char* inp = in.data();
    std::size_t inLeft = in.size();
    std::size_t used = 0;
    while (inLeft > 0) {
        char* outp = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const bool done = cd.convert(inp, inLeft, outp, outLeft);
        used = out.size() - outLeft;
        if (done)
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL (truncated at the end): replace one byte, go on.
        if (out.size() - used < replacement.size())
            out.resize(out.size() * 2 + replacement.size());
        out.replace(used, replacement.size(), replacement);
        used += replacement.size();
        if (replaced)
            ++*replaced;
        ++inp;
        --inLeft;
        cd.reset();
    }
    out.resize(used);
    return out;
}

// Windows-1252's characters for the bytes 0x80 to 0x9F. The five bytes the
// code page leaves undefined stand for the C1 controls of the same number,
// so that every byte has a character and comes back as itself.
constexpr char16_t kWindows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string decodeWindows1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        appendUtf8(out, b >= 0x80 && b < 0xA0 ? char32_t(kWindows1252High[b - 0x80]) : char32_t(b));
    }
    return out;
}

// False when the text holds a character Windows-1252 has no byte for.
bool encodeWindows1252(std::string_view utf8, std::string& out) {
    out.clear();
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = nextUtf8(utf8.data(), utf8.size(), i);
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        const char16_t* const end = std::end(kWindows1252High);
        const char16_t* const hit = std::find(std::begin(kWindows1252High), end, c);
        if (hit == end)
            return false;
        out.push_back(static_cast<char>(0x80 + (hit - std::begin(kWindows1252High))));
    }
    return true;
}

// UTF-16 after its two-byte BOM, to UTF-8. False for an odd number of bytes
// or a surrogate half without its partner: such bytes would not come back.
bool decodeUtf16(std::string_view body, bool bigEndian, std::string& out) {
    if (body.size() % 2 != 0)
        return false;
    out.clear();
    out.reserve(body.size() + body.size() / 2);
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(body[i]);
        const auto b = static_cast<unsigned char>(body[i + 1]);
        return bigEndian ? char32_t(a << 8 | b) : char32_t(b << 8 | a);
    };
    for (std::size_t i = 0; i < body.size(); i += 2) {
        char32_t c = unit(i);
        if (isLowSurrogate(c))
            return false;
        if (isHighSurrogate(c)) {
            if (i + 2 >= body.size())
                return false;
            const char32_t low = unit(i + 2);
            if (!isLowSurrogate(low))
                return false;
            c = joinSurrogates(c, low);
            i += 2;
        }
        appendUtf8(out, c);
    }
    return true;
}

std::string encodeUtf16(std::string_view utf8, bool bigEndian) {
    std::string out;
    out.reserve(utf8.size() * 2 + 2);
    const auto put = [&](char32_t u) {
        const char hi = static_cast<char>(u >> 8);
        const char lo = static_cast<char>(u & 0xFF);
        out.push_back(bigEndian ? hi : lo);
        out.push_back(bigEndian ? lo : hi);
    };
    put(0xFEFF);
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = nextUtf8(utf8.data(), utf8.size(), i);
        if (c >= 0x10000) {
            const SurrogatePair pair = splitSurrogates(c);
            put(pair.high);
            put(pair.low);
        } else {
            put(c);
        }
    }
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
            for (std::size_t i = 0; i < body.size();)
                appendUtf8(decoded, nextUtf8(body.data(), body.size(), i));
        }
    } else if ((bytes.substr(0, 2) == "\xFF\xFE" && decodeUtf16(bytes.substr(2), false, decoded)) ||
               (bytes.substr(0, 2) == "\xFE\xFF" && decodeUtf16(bytes.substr(2), true, decoded))) {
        result.encoding = bytes[0] == '\xFF' ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
    } else if (isValidUtf8(bytes)) {
        decoded.assign(bytes);
    } else {
        // GB18030, or Windows' GBK with its euro sign, only when it reads
        // every byte and gives the same bytes back; anything else (a Latin-1
        // or Windows-1252 file, a damaged or binary one) would lose bytes as
        // U+FFFD when saved.
        const auto readsExactly = [&](Direction from, Direction to) {
            std::size_t replaced = 0;
            decoded = convert(bytes, from, "\xEF\xBF\xBD", &replaced);
            return replaced == 0 && convert(decoded, to, "?") == bytes;
        };
        if (readsExactly(Direction::FromGb18030, Direction::ToGb18030)) {
            result.encoding = TextEncoding::Gb18030;
        } else if (bytes.find('\x80') != std::string_view::npos &&
                   readsExactly(Direction::FromCp936, Direction::ToCp936)) {
            result.encoding = TextEncoding::Cp936;
        } else {
            result.encoding = TextEncoding::Windows1252;
            decoded = decodeWindows1252(bytes);
        }
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
            if (crlf)
                ++i;
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

namespace {

std::string encodeAs(std::string_view utf8, TextEncoding encoding, LineEnd lineEnd) {
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
    case TextEncoding::Utf8: return text;
    case TextEncoding::Utf8Bom: return "\xEF\xBB\xBF" + text;
    case TextEncoding::Gb18030:
        // GB18030 holds every Unicode character; only invalid UTF-8 input
        // can fail, and it becomes '?'.
        return convert(text, Direction::ToGb18030, "?");
    case TextEncoding::Cp936: {
        std::size_t replaced = 0;
        std::string bytes = convert(text, Direction::ToCp936, "?", &replaced);
        if (replaced == 0)
            return bytes;
        return text;  // characters GBK lacks: UTF-8 keeps them all
    }
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: return encodeUtf16(text, encoding == TextEncoding::Utf16Be);
    case TextEncoding::Windows1252: {
        std::string bytes;
        if (encodeWindows1252(text, bytes))
            return bytes;
        return text;  // characters the code page lacks: UTF-8 keeps them all
    }
    }
    return text;
}

bool startsWithByteOrderMark(std::string_view bytes) {
    return bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF" || bytes.substr(0, 3) == "\xEF\xBB\xBF";
}

}  // namespace

std::string encodePlainText(std::string_view utf8, TextEncoding encoding, LineEnd lineEnd) {
    std::string bytes = encodeAs(utf8, encoding, lineEnd);
    // Text whose first characters write out as a byte-order mark ("\u00FF\u00FE"
    // in Windows-1252, a leading U+FEFF in UTF-8) would read back as another
    // encoding or lose that character: such text is written as UTF-8 with a
    // BOM, which holds it exactly.
    const bool hasOwnMark = encoding == TextEncoding::Utf8Bom || encoding == TextEncoding::Utf16Le ||
                            encoding == TextEncoding::Utf16Be;
    if (!hasOwnMark && startsWithByteOrderMark(bytes) && decodePlainText(bytes).utf8 != utf8)
        return encodeAs(utf8, TextEncoding::Utf8Bom, lineEnd);
    return bytes;
}

}  // namespace text
