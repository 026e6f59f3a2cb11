// Reading RTF. The tokenizer separates control words, symbols, \'hh
// escapes, \bin data and text; the Reader below interprets them with a stack
// of states that '{' copies and '}' restores, and hands text to the sink in
// runs of one format. The rules that are easy to get wrong:
// - \'hh and raw 8-bit bytes are in the code page of the current font's
//   \fcharset (or \cpg), else the document's \ansicpg, else \ansi/\mac/\pc/
//   \pca, else 1252 (codePageFor); lead and trail bytes of double-byte pages
//   are joined, even when the trail is a raw '{', '}' or '\' (hexByte and the
//   tokenizer's lead-byte table).
// - \uN is signed 16-bit (negative: N + 65536); surrogate halves are joined,
//   unpaired ones become U+FFFD (unicode).
// - after \uN, \ucN units of fallback are skipped: a \'hh, a symbol, a
//   control word or one byte of text each; '{' and '}' end the skipping; \uc
//   is scoped to its group.
// - \binN data is skipped whole, whatever it holds (tokenizer).
// - \* makes a group ignorable only right after its '{'.
#include "rtf/reader.h"

#include "rtf/codepage.h"
#include "rtf/keywords.h"
#include "rtf/tokenizer.h"
#include "text/cjk.h"
#include "text/utf16.h"
#include "text/utf8.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace rtf {

namespace {

using detail::CodePage;
using detail::kBold;
using detail::kHidden;
using detail::Kind;
using detail::kItalic;
using detail::kStrike;
using detail::kUnderline;
using detail::Token;
using detail::TokenKind;
using text::appendUtf8;

// Groups deeper than this share the state of the deepest one: formatting
// changes there are ignored, text is kept. Bounds memory on "{{{{...".
constexpr std::size_t kMaxDepth = 256;
// More font table entries than this are ignored.
constexpr std::size_t kMaxFonts = 4096;
// Font names are copied, hashed and compared for every run: a name longer
// than any real family is cut here, so a hostile one costs nothing per run.
constexpr std::size_t kMaxFontNameBytes = 256;
// Warnings past this many are left out: a broken file can hold millions.
constexpr int kMaxWarnings = 100;
// A \ucN larger than this is a broken file, not a real fallback length.
constexpr int kMaxUc = 64;
// Field instructions longer than this are cut; more fields than kMaxFields
// keep their results as plain text.
constexpr std::size_t kMaxInstruction = 4096;
constexpr std::size_t kMaxFields = 1 << 20;
// A picture larger than this (bytes, after decoding) is cut short: it will
// not decode, and shows as a placeholder of its size.
constexpr std::size_t kMaxPicture = std::size_t(256) << 20;
// Tables nested deeper than this are read as if at this depth; rows of more
// cells than kMaxCells keep their first kMaxCells cells' definitions.
constexpr int kMaxTableDepth = 64;
// A paragraph keeps at most this many tab stops.
constexpr std::size_t kMaxTabs = 64;
constexpr std::size_t kMaxCells = 1024;

// `inherited`: the font bytes are read in until the group names one, or
// kNoFont to leave that to where the group is written.
constexpr int kNoFont = INT_MIN;
std::string portableRtf(std::string_view raw, const bool* lead, const std::function<int(int)>& fontNumber,
                        int inherited);

// Where the text of the current group goes.
enum class Dest : std::uint8_t { Body, Drop, FontTable, ColorTable, Picture, FieldInstruction, Label };

enum class RunType : std::uint8_t { Loch, Hich, Dbch };

// Character formatting as the reader tracks it: indexes into the document's
// tables, resolved into a CharFormat only when a run is handed out.
struct CharState {
    // The fonts of the three character classes \loch, \hich and \dbch select
    // between; -1: not given (the \loch font, else the default font \deffN).
    int fonts[3] = {-1, -1, -1};
    int size = 24;
    int color = 0;  // \colortbl index; 0: automatic
    int background = 0;
    bool backgroundIsHighlight = false;
    std::uint8_t flags = 0;
    VerticalAlign verticalAlign = VerticalAlign::Normal;
    RunType runType = RunType::Loch;
    int field = 0;  // 1 + the index of the field instruction the text is the result of; 0: none

    bool operator==(const CharState&) const = default;
};

struct State {
    CharState chr;
    ParaFormat para;
    int uc = 1;
    Dest dest = Dest::Body;
    Dest outer = Dest::Body;   // what \fldrslt and \ud return to
    bool definesFont = false;  // a \fN of the font table was seen in this group
    // Associated properties (\ab, \afs ...) name complex-script formatting:
    // after \rtlch or \hich, until \ltrch, \loch or \dbch.
    bool complexScript = false;
    int field = -1;        // the instruction the \field being read collects, -1: none
    bool inField = false;  // inside a \field group: \fldrslt goes back to outer
    bool inUpr = false;    // inside an \upr group: \ud goes back to outer
    // The paragraph's place in tables: \intbl, \itapN (-1: not given).
    bool inTable = false;
    std::int8_t itap = -1;  // at most kMaxTableDepth
    int tableDepth() const {
        if (itap >= 0)
            return itap;
        return inTable ? 1 : 0;
    }
    std::size_t groupAt = 0;    // where the group's '{' is in the input
    std::uint64_t shownAt = 0;  // Reader::shown() when the group started
};

struct Font {
    std::string name;
    int charset = -1;
    int codePage = 0;    // \cpgN
    bool named = false;  // the name is complete (its ';' was seen)
};

struct Color {
    bool automatic = true;
    std::uint32_t rgb = 0;
};

// The fixed palette \highlightN indexes (it does not use \colortbl).
constexpr std::uint32_t kHighlightPalette[] = {
    0,        0x000000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0xFF00FF, 0x0000FF, 0xFF0000,
    0x000080, 0x008080, 0x008000, 0x800080, 0x800000, 0x808000, 0x808080, 0xC0C0C0,
};

class Reader {
public:
    // offset: where bytes start in the input, for the warnings' offsets.
    Reader(std::string_view bytes, std::size_t offset, Sink& sink)
        : tok_(bytes), input_(bytes), sink_(sink), offset_(offset) {
        states_.reserve(64);
        states_.emplace_back();
        run_.reserve(4096);
        tables_ = sink.tables();
        rowDefs_.resize(kMaxTableDepth + 1);
        cellsEnded_.resize(kMaxTableDepth + 1);
    }

    void run();

private:
    State& st() { return states_.back(); }
    const State& st() const { return states_.back(); }

    // --- groups
    void groupStart();
    void groupEnd();

    // --- text
    void text(std::string_view bytes);
    void colorTableText(const char* p, std::size_t n);
    void fontTableText(const char* p, std::size_t n);
    void hexByte(unsigned char b);
    void unicode(int param);
    void emit(char32_t c);
    void emitAscii(const char* p, std::size_t n);
    std::string* target(bool cjk = false);
    void prepareBody(bool cjk);
    bool cjkClass(char32_t c) const;
    void flushRun();
    void flushPending();
    void dropHighSurrogate();
    void truncated(bool surrogate);
    void warn(Warning::Kind kind, const std::string& message);
    void endParagraph();
    void finishFontName();

    // --- control words
    void word(const Token& t);
    void symbol(unsigned char c);
    // word: the destination's control word, where the input holds it.
    void destination(detail::DestinationKind kind, std::string_view word = {});
    void documentCodePage(int* setting, int value);
    void unicodePair(bool unicodeVersion);
    void fontProperty(detail::FontPropertyKind kind, int n);
    void font(int n);
    void associatedFont(int n);
    void runType(RunType type);
    void setFlag(std::uint8_t bit, bool on);
    void colour(detail::ColourKind kind, int index);
    void plain();
    void cell();
    void row(bool nested);
    void tableProperty(detail::TableProperty p, int n);
    std::uint32_t colourAt(int index, std::uint32_t automatic) const;
    void startParagraph();
    void tellDepth(int depth);
    void closeTables();
    void field();
    void fieldResult();
    void charChanged() { runDirty_ = true; }
    void startPicture();
    void pictureWord(const Token& t);
    void pictureData(std::string_view hex);
    void endPicture();

    // --- what is kept but not shown
    void keepGroup(detail::DestinationKind kind, std::size_t from, bool opened);
    // Where a group read whole is kept from: its '{', or its destination
    // word when the group showed text before it (then opened, and npos
    // when the word is not known).
    std::size_t keptFrom(std::string_view word, bool& opened) const;
    void keepFontTable(std::string table);
    // The number kept RTF names font n by, as fonts_ now defines it (or not).
    int keptFontNumber(int n);
    // The kept RTF from `from` on; `inherited`: the font its text is read
    // in until it names one (activeFont() where it starts).
    std::string portable(std::size_t from, int inherited) {
        return portableRtf(
            since(from), cp_ && cp_->isDoubleByte() ? cp_->leadTable() : nullptr,
            [this](int n) { return keptFontNumber(n); }, inherited);
    }
    // What went to the body so far, in bytes, paragraphs and items: a group
    // that showed text before its destination word is not kept whole.
    std::uint64_t shown() const { return shown_ + run_.size(); }
    void keepInline(const Kept& kept, const CharFormat& format);
    void keptWord(const Token& t, int arg);
    void setting(const Token& t, detail::PageField field, bool section);
    void startLabel(std::string_view word);
    void closedGroup(std::size_t depth, const CharFormat& inner);
    void finishDocument();
    std::string_view since(std::size_t from) const { return input_.substr(from, tok_.offset() - from); }

    // --- code pages
    const CodePage* currentCodePage();
    // The page bytes are read in where no font decides it.
    int documentPage() const { return ansiCpg_ > 0 ? ansiCpg_ : docCodePage_; }
    const CodePage* codePageFor(int fontId);
    void codePageMayChange() { cpDirty_ = true; }
    // Reads the code page again after anything that may have changed it, and
    // tells the tokenizer its lead bytes.
    void refreshCodePage() {
        if (!cpDirty_)
            return;
        cpDirty_ = false;
        cp_ = currentCodePage();
        tok_.setLeadBytes(cp_ && cp_->isDoubleByte() ? cp_->leadTable() : nullptr);
    }
    CharFormat resolve(const CharState& s, bool cjk);
    // The font whose code page \'hh bytes are read in: the one of the class
    // \loch, \hich or \dbch selected.
    int activeFont(const CharState& s) const {
        int id = s.fonts[static_cast<int>(s.runType)];
        if (id < 0)
            id = s.fonts[0];
        return id >= 0 ? id : deff_;
    }
    // The font characters are shown in: Chinese, Japanese and Korean ones in
    // the \dbch font, the others in the \loch font, whatever class was
    // selected (Word writes ASCII text under \dbch).
    int latinFont(const CharState& s) const {
        if (s.fonts[0] >= 0)
            return s.fonts[0];
        return activeFont(s);
    }
    int cjkFont(const CharState& s) const { return s.fonts[2] >= 0 ? s.fonts[2] : latinFont(s); }

    detail::Tokenizer tok_;
    std::string_view input_;
    Sink& sink_;
    std::size_t offset_;
    int warnings_ = 0;
    std::vector<State> states_;
    std::size_t overflowDepth_ = 0;  // groups opened past kMaxDepth
    bool done_ = false;              // the document's group has closed

    // Document-wide settings.
    int docCodePage_ = 1252;
    int ansiCpg_ = 0;
    int deff_ = -1;
    std::unordered_map<int, Font> fonts_;
    std::vector<Color> colors_;
    int fontDef_ = -1;           // the font the font table is defining
    int rgb_[3] = {-1, -1, -1};  // the colour table entry being read

    // Decoding.
    std::vector<std::pair<int, const CodePage*>> pageCache_;
    bool cpDirty_ = true;
    const CodePage* cp_ = nullptr;
    int skip_ = 0;                       // \uc fallback units still to skip
    int pendingLead_ = -1;               // a double-byte lead byte waiting for its trail
    char32_t pendingHigh_ = 0;           // a high surrogate waiting for its low half
    Dest pendingHighDest_ = Dest::Body;  // where it was read
    Dest pendingDest_ = Dest::Body;

    // What is kept for the writer: the document's header and settings, and
    // the groups being read whole (font and colour table, a list label).
    KeptDocument doc_;
    PageSetup sectionPage_;
    bool bodyStarted_ = false;                                     // text, a paragraph or a kept item was met
    int sections_ = 0;                                             // \sect marks met
    unsigned unkept_ = 0;                                          // bits of the UnkeptKinds met in the body
    ParaFormat::Tab::Kind tabKind_ = ParaFormat::Tab::Kind::Left;  // of the next \tx
    int footnotes_ = 0;                                            // \chftn marks met in the text
    std::uint64_t shown_ = 0;  // what shown() counted of runs handed out, paragraphs, items
    std::size_t fontTableDepth_ = 0, colorTableDepth_ = 0, labelDepth_ = 0;
    std::size_t fontTableAt_ = 0, colorTableAt_ = 0;  // where their kept RTF starts
    bool tableOpened_[2] = {false, false};
    std::size_t labelAt_ = 0;
    bool labelOpened_ = false;
    bool cutShort_ = false;  // the group closing was cut short by the end of the input
    int labelFont_ = -1;     // activeFont() where the label starts
    std::string label_;
    // Kept RTF names fonts by number, and is written back under one table:
    // each number in it keeps the font it named when read (or none).
    // Where a later table gave a number to another font, kept RTF read after
    // it names that font by another number, the first to name it or a new one.
    std::unordered_map<int, Font> keptFonts_;               // see keptFont()
    std::unordered_map<std::string, int> keptFontNumbers_;  // fontKey(): its number in kept RTF
    long long maxFontNumber_ = -1;                          // of the tables and kept RTF

    // Field instructions, in the order their fields start.
    std::vector<std::string> fieldInstructions_;

    // The picture being read: its group's depth, 0 when none.
    Picture pict_;
    std::size_t pictDepth_ = 0;
    Dest pictOuter_ = Dest::Body;
    int pictNibble_ = -1;  // a first hex digit waiting for its second

    // Output.
    std::string run_;
    CharState runState_;
    bool runDirty_ = true;  // formatting may differ from runState_
    bool runStarted_ = false;
    bool runCjk_ = false;  // the run holds text of the \dbch font
    CharFormat runFormat_;
    int pendingTabs_ = 0;  // cells closed in this row, tabs not yet written

    // Tables, for a sink that takes them (tables_).
    bool tables_ = false;
    int toldDepth_ = 0;               // the depth last told to the sink
    bool implicitTable_ = false;      // a \cell came outside \intbl: its row is a table anyway
    std::vector<RowFormat> rowDefs_;  // by depth: the definition of the row being read there
    std::vector<int> cellsEnded_;     // by depth: cells ended in the row being read there
    int defDepth_ = 1;                // the depth \trowd, \cellx ... define a row for
    CellFormat cellDef_;              // the cell \clXXX words define until its \cellx
    int cellBackground_ = 0, cellPattern_ = 0, cellShading_ = 0;
    int borderSide_ = -1;  // the border \brdrXXX words define, -1: not a cell's
    bool paragraphOpen_ = false;
    bool anyParagraph_ = false;
    bool nextIsDestination_ = false;  // after \*
    bool groupStart_ = false;         // nothing but \* since the last '{'
};

void Reader::run() {
    for (;;) {
        refreshCodePage();
        Token t = tok_.next();
        if (done_)
            t.kind = TokenKind::End;
        // \* marks a destination only at the start of its group.
        const bool groupStartBefore = groupStart_;
        groupStart_ = t.kind == TokenKind::GroupStart ||
                      (groupStartBefore && t.kind == TokenKind::Symbol && t.byte == '*');
        if (t.kind == TokenKind::Symbol && t.byte == '*' && !groupStartBefore)
            continue;
        switch (t.kind) {
        case TokenKind::End:
            if (const std::size_t open = states_.size() - 1 + overflowDepth_; open > 0 && !done_)
                warn(Warning::Kind::UnbalancedGroup,
                     "the input ends inside " + std::to_string(open) + " open group" + (open > 1 ? "s" : ""));
            flushPending();
            if (tables_)
                closeTables();
            if (paragraphOpen_ || !anyParagraph_)
                endParagraph();
            finishDocument();
            return;
        case TokenKind::GroupStart: groupStart(); break;
        case TokenKind::GroupEnd: groupEnd(); break;
        case TokenKind::Text: text(t.text); break;
        case TokenKind::Hex:
            if (skip_ > 0) {
                --skip_;
                break;
            }
            hexByte(t.byte);
            break;
        case TokenKind::Bin:
            // Binary data never reaches the text, and does not count as
            // \uc fallback either; in a picture it is the picture.
            if (st().dest == Dest::Picture && states_.size() == pictDepth_ && pict_.data.size() < kMaxPicture)
                pict_.data.append(t.text.substr(0, kMaxPicture - pict_.data.size()));
            break;
        case TokenKind::Symbol:
            if (skip_ > 0) {
                --skip_;
                break;
            }
            symbol(t.byte);
            break;
        case TokenKind::Word:
            if (skip_ > 0) {
                // A whole control word is one unit of \uc fallback.
                --skip_;
                break;
            }
            word(t);
            break;
        }
    }
}

// ---------------------------------------------------------------- groups

void Reader::groupStart() {
    skip_ = 0;
    nextIsDestination_ = false;
    if (pendingLead_ >= 0)
        flushPending();
    if (states_.size() >= kMaxDepth) {
        ++overflowDepth_;
        return;
    }
    states_.push_back(states_.back());
    st().definesFont = false;
    st().groupAt = tok_.offset() - 1;
    st().shownAt = shown();
}

void Reader::groupEnd() {
    skip_ = 0;
    nextIsDestination_ = false;
    if (pendingLead_ >= 0)
        flushPending();
    if (overflowDepth_ > 0) {
        --overflowDepth_;
        return;
    }
    if (states_.size() <= 1) {
        // A '}' that closes nothing: the document is over, what follows is
        // stray bytes.
        done_ = true;
        warn(Warning::Kind::UnbalancedGroup, "a '}' closes no group: the rest of the input is ignored");
        return;
    }
    if (st().definesFont)
        finishFontName();
    const bool closesPicture = pictDepth_ == states_.size();
    const std::size_t depth = states_.size();
    const CharFormat inner = depth == labelDepth_ ? resolve(st().chr, false) : CharFormat{};
    const CharState before = st().chr;
    const Dest destBefore = st().dest;
    states_.pop_back();
    // When the document's own group closes, reading goes on: files that
    // hold two documents one after the other exist.
    if (!(before == st().chr)) {
        runDirty_ = true;
        codePageMayChange();
    } else if (destBefore != st().dest) {
        codePageMayChange();
    }
    if (closesPicture)
        endPicture();
    if (depth == fontTableDepth_ || depth == colorTableDepth_ || depth == labelDepth_)
        closedGroup(depth, inner);
}

// ---------------------------------------------------------------- text

std::string* Reader::target(bool cjk) {
    switch (st().dest) {
    case Dest::Body: prepareBody(cjk); return &run_;
    case Dest::Label: return label_.size() < 4096 ? &label_ : nullptr;
    case Dest::FieldInstruction:
        if (st().field >= 0 && fieldInstructions_[std::size_t(st().field)].size() < kMaxInstruction)
            return &fieldInstructions_[std::size_t(st().field)];
        return nullptr;
    case Dest::FontTable:
        if (fontDef_ >= 0) {
            Font& f = fonts_[fontDef_];
            // Bytes past the limit would be cut anyway; they are not kept.
            if (!f.named && f.name.size() < kMaxFontNameBytes + 4)
                return &f.name;
        }
        return nullptr;
    default: return nullptr;
    }
}

// Called before body text is appended: start a new run if the formatting
// changed, write the tabs of cells closed before this text.
void Reader::prepareBody(bool cjk) {
    if (!paragraphOpen_ && tables_)
        startParagraph();
    if (!runStarted_) {
        runStarted_ = true;
        runState_ = st().chr;
        runCjk_ = cjk;
        runFormat_ = resolve(runState_, cjk);
        runDirty_ = false;
    }
    if (runDirty_ || cjk != runCjk_) {
        runDirty_ = false;
        if (!(runState_ == st().chr) || cjk != runCjk_) {
            // Different state may still be the same format (two font
            // entries of one name): then the run goes on.
            CharFormat f = resolve(st().chr, cjk);
            // Hidden text is a run of its own even in the same format.
            if (!(f == runFormat_) || ((runState_.flags ^ st().chr.flags) & kHidden)) {
                flushRun();
                runFormat_ = std::move(f);
            }
            runState_ = st().chr;
            runCjk_ = cjk;
        }
    }
    if (pendingTabs_ > 0) {
        run_.append(static_cast<std::size_t>(pendingTabs_), '\t');
        pendingTabs_ = 0;
    }
    if (pendingHigh_ != 0) {
        // A high surrogate that no low half followed.
        pendingHigh_ = 0;
        truncated(true);
        if (pendingHighDest_ == Dest::Body)
            appendUtf8(run_, text::kReplacement);
    }
    // Hidden text alone does not make a paragraph.
    if (!(st().chr.flags & kHidden))
        paragraphOpen_ = true;
    bodyStarted_ = true;
}

void Reader::emitAscii(const char* p, std::size_t n) {
    std::string* out = target();
    if (!out)
        return;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if (c >= 0x20 || c == '\t')
            out->push_back(static_cast<char>(c));
    }
}

// Whether c is shown in the \dbch font, when that differs from the \loch one.
bool Reader::cjkClass(char32_t c) const {
    if (c < 0xA0)
        return false;
    const CharState& s = st().chr;
    if (s.fonts[2] < 0 || cjkFont(s) == latinFont(s))
        return false;
    if (text::isCjk(c))
        return true;
    // Punctuation and symbols both scripts use follow the class selected.
    return text::isSharedPunctuation(c) && s.runType == RunType::Dbch;
}

void Reader::emit(char32_t c) {
    const bool cjk = cjkClass(c);
    if (!runDirty_ && cjk == runCjk_ && pendingTabs_ == 0 && pendingHigh_ == 0 && runStarted_ && paragraphOpen_ &&
        st().dest == Dest::Body && !(st().chr.flags & kHidden)) {
        appendUtf8(run_, c);
        paragraphOpen_ = true;
        return;
    }
    std::string* out = target(cjk);
    if (!out)
        return;
    appendUtf8(*out, c);
}

void Reader::text(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t n = bytes.size();
    if (skip_ > 0) {
        std::size_t k = std::min<std::size_t>(n, static_cast<std::size_t>(skip_));
        skip_ -= static_cast<int>(k);
        p += k;
        n -= k;
        if (n == 0)
            return;
    }
    Dest d = st().dest;
    if (d == Dest::Picture) {
        if (states_.size() == pictDepth_)
            pictureData(std::string_view(p, n));
        return;
    }
    if (d == Dest::Drop) {
        pendingLead_ = -1;
        return;
    }
    if (d == Dest::ColorTable) {
        colorTableText(p, n);
        return;
    }
    if (d == Dest::FontTable) {
        fontTableText(p, n);
        return;
    }
    // Body text: ASCII goes straight through, other bytes are decoded.
    std::size_t i = 0;
    if (cp_ && !cp_->asciiCompatible()) {
        for (; i < n; ++i)
            hexByte(static_cast<unsigned char>(p[i]));
        return;
    }
    if (pendingLead_ >= 0) {
        hexByte(static_cast<unsigned char>(p[0]));
        i = 1;
    }
    while (i < n) {
        std::size_t j = i;
        while (j < n && static_cast<unsigned char>(p[j]) < 0x80)
            ++j;
        if (j > i) {
            if (pendingHigh_ == 0 && d == Dest::Body) {
                prepareBody(false);
                // Control characters other than tab are not text.
                bool clean = true;
                for (std::size_t k = i; k < j; ++k) {
                    if (static_cast<unsigned char>(p[k]) < 0x20 && p[k] != '\t') {
                        clean = false;
                        break;
                    }
                }
                if (clean)
                    run_.append(p + i, j - i);
                else
                    emitAscii(p + i, j - i);
            } else {
                emitAscii(p + i, j - i);
            }
            i = j;
        }
        while (i < n && static_cast<unsigned char>(p[i]) >= 0x80) {
            hexByte(static_cast<unsigned char>(p[i]));
            ++i;
            if (pendingLead_ >= 0 && i < n) {
                hexByte(static_cast<unsigned char>(p[i]));
                ++i;
            }
        }
    }
}

// Text in the colour table: each ';' ends an entry.
void Reader::colorTableText(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] != ';')
            continue;
        Color c;
        if (rgb_[0] >= 0 || rgb_[1] >= 0 || rgb_[2] >= 0) {
            c.automatic = false;
            for (int component : rgb_)
                c.rgb = c.rgb << 8 | static_cast<std::uint32_t>(std::clamp(component, 0, 255));
        }
        if (colors_.size() < 4096)
            colors_.push_back(c);
        rgb_[0] = rgb_[1] = rgb_[2] = -1;
    }
}

// Text in the font table: the name of the font being defined, in its own
// code page.
void Reader::fontTableText(const char* p, std::size_t n) {
    // The name ends at ';'; bytes after it until the next font are noise.
    std::size_t i = 0;
    for (; i < n; ++i) {
        if (p[i] == ';')
            break;
    }
    if (pendingLead_ >= 0 || i > 0) {
        // Decode the name's bytes in the font's own code page.
        std::size_t start = 0;
        while (start < i) {
            unsigned char b = static_cast<unsigned char>(p[start]);
            hexByte(b);
            ++start;
        }
    }
    if (i < n)
        finishFontName();
}

// One byte of text in the current code page; double-byte pairs are joined.
void Reader::hexByte(unsigned char b) {
    Dest d = st().dest;
    if (d == Dest::Drop) {
        pendingLead_ = -1;
        return;
    }
    if (d == Dest::ColorTable) {
        if (b == ';')
            text(";");
        return;
    }
    refreshCodePage();
    if (pendingLead_ >= 0) {
        unsigned char lead = static_cast<unsigned char>(pendingLead_);
        pendingLead_ = -1;
        if (cp_ && cp_->isDoubleByte() && pendingDest_ == d) {
            emit(cp_->pair(lead, b));
            return;
        }
        truncated(false);
        emit(text::kReplacement);
    }
    if (cp_ == nullptr) {
        emit(b < 0x80 ? b : text::kReplacement);
        return;
    }
    if (cp_->isDoubleByte() && cp_->isLead(b)) {
        pendingLead_ = b;
        pendingDest_ = d;
        return;
    }
    if (b < 0x20 && b != '\t')
        return;
    emit(cp_->single(b));
}

// A lead byte or high surrogate that nothing completed becomes U+FFFD.
void Reader::flushPending() {
    if (pendingLead_ >= 0) {
        pendingLead_ = -1;
        if (pendingDest_ == st().dest) {
            truncated(false);
            emit(text::kReplacement);
        }
    }
    if (pendingHigh_ != 0) {
        pendingHigh_ = 0;
        std::string* out = pendingHighDest_ == st().dest ? target() : nullptr;
        if (out) {
            truncated(true);
            appendUtf8(*out, text::kReplacement);
        }
    }
}

// A high surrogate that the character just read does not complete becomes
// U+FFFD, where it was read: another destination (a table, a skipped
// group) keeps its own.
void Reader::dropHighSurrogate() {
    pendingHigh_ = 0;
    truncated(true);
    if (pendingHighDest_ == st().dest)
        emit(text::kReplacement);
}

void Reader::truncated(bool surrogate) {
    warn(Warning::Kind::TruncatedCharacter, surrogate
                                                ? "a \\uN surrogate half without its partner: read as U+FFFD"
                                                : "a double-byte character without its second byte: read as U+FFFD");
}

void Reader::warn(Warning::Kind kind, const std::string& message) {
    if (warnings_ > kMaxWarnings)
        return;
    const std::size_t at = offset_ + tok_.offset();
    if (++warnings_ <= kMaxWarnings) {
        sink_.warning({kind, at, message});
        return;
    }
    const std::string tooMany = "more than " + std::to_string(kMaxWarnings) + " warnings: the rest are left out";
    sink_.warning({Warning::Kind::TooMany, at, tooMany});
}

// \uN: N is a signed 16-bit value, negative means N + 65536.
void Reader::unicode(int param) {
    if (pendingLead_ >= 0) {
        char32_t keepHigh = pendingHigh_;
        pendingHigh_ = 0;
        flushPending();
        pendingHigh_ = keepHigh;
    }
    char32_t c = text::unicodeEscapeUnit(param);
    // The fallback that follows is skipped in the tokenizer; what is left
    // (a control word came first) is counted token by token.
    skip_ = tok_.skipFallback(st().uc);
    if (pendingHigh_ != 0 && (!text::isLowSurrogate(c) || pendingHighDest_ != st().dest))
        dropHighSurrogate();
    if (text::isHighSurrogate(c)) {
        pendingHigh_ = c;
        pendingHighDest_ = st().dest;
        return;
    }
    if (text::isLowSurrogate(c)) {
        if (pendingHigh_ != 0) {
            char32_t full = text::joinSurrogates(pendingHigh_, c);
            pendingHigh_ = 0;
            emit(full);
        } else {
            truncated(true);
            emit(text::kReplacement);
        }
        return;
    }
    // \u10 and the like: a line end written as a character. Other control
    // characters (NUL, U+0001, ESC) are kept: raw control bytes in the file
    // are layout, but one spelled as \uN in the body is text someone put
    // there. Names and other destinations take no control characters.
    if (c == '\n' || c == '\r')
        c = 0x2028;
    else if (c < 0x20 && c != '\t' && st().dest != Dest::Body)
        return;
    emit(c);
}

void Reader::flushRun() {
    if (run_.empty())
        return;
    shown_ += run_.size();
    if (runState_.flags & kHidden)
        sink_.kept(Kept{Kept::Kind::Hidden, {}, run_}, runFormat_);
    else
        sink_.text(run_, runFormat_);
    run_.clear();
}

void Reader::endParagraph() {
    flushPending();
    if (!paragraphOpen_)
        startParagraph();
    flushRun();
    pendingTabs_ = 0;
    sink_.paragraphEnd(st().para);
    ++shown_;
    paragraphOpen_ = false;
    anyParagraph_ = true;
    bodyStarted_ = true;
}

// A font name as a finished entry of the table holds it: at most
// kMaxFontNameBytes long, without the spaces around it. Cut first, so that
// a name read back from a saved file comes out the same.
std::string tidyFontName(std::string name) {
    if (name.size() > kMaxFontNameBytes) {
        // Cut before a character that would be split.
        std::size_t cut = kMaxFontNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    auto notSpace = [](char c) { return c != ' '; };
    name.erase(name.begin(), std::find_if(name.begin(), name.end(), notSpace));
    name.erase(std::find_if(name.rbegin(), name.rend(), notSpace).base(), name.end());
    return name;
}

void Reader::finishFontName() {
    if (fontDef_ < 0)
        return;
    auto it = fonts_.find(fontDef_);
    if (it == fonts_.end() || it->second.named)
        return;
    if (pendingLead_ >= 0)
        pendingLead_ = -1;
    it->second.name = tidyFontName(std::move(it->second.name));
    it->second.named = true;
}

// ---------------------------------------------------------------- words

void Reader::symbol(unsigned char c) {
    switch (c) {
    case '~': emit(0x00A0); break;
    case '-': emit(0x00AD); break;
    case '_': emit(0x2011); break;
    case '*': nextIsDestination_ = true; break;
    case '\n':
    case '\r':
        // "\" at the end of a line is \par (TextEdit writes it).
        if (st().dest == Dest::Body)
            endParagraph();
        break;
    case '\t': emit('\t'); break;
    default: break;  // \: \| and unknown symbols carry no text
    }
}

void Reader::destination(detail::DestinationKind kind, std::string_view word) {
    State& s = st();
    switch (kind) {
    case detail::kFontTable:
        // Only a table of the document itself is kept: not one inside
        // another destination (a broken file).
        fontTableDepth_ = s.dest == Dest::Body && states_.size() >= 3 && overflowDepth_ == 0 ? states_.size() : 0;
        s.dest = Dest::FontTable;
        fontDef_ = -1;
        fontTableAt_ = keptFrom(word, tableOpened_[0]);
        if (fontTableDepth_ == 0)
            doc_.fontTable.clear();  // the table kept no longer tells the fonts
        codePageMayChange();
        return;
    case detail::kColorTable:
        colorTableDepth_ = s.dest == Dest::Body && states_.size() >= 3 && overflowDepth_ == 0 ? states_.size() : 0;
        s.dest = Dest::ColorTable;
        colorTableAt_ = keptFrom(word, tableOpened_[1]);
        if (colorTableDepth_ == 0)
            doc_.colorTable.clear();
        colors_.clear();
        rgb_[0] = rgb_[1] = rgb_[2] = -1;
        return;
    case detail::kLabel: startLabel(word); return;
    default:
        // Only a destination inside a group of its own is skipped whole: one
        // at the document's top level (a broken file) just drops its text.
        if (states_.size() >= 3 || overflowDepth_ > 0) {
            // What is kept is kept whole, from the group's '{' on; only what
            // the text holds (not what a font table or field holds) is kept.
            bool opened = false;
            const std::size_t from = keptFrom(word, opened);
            const bool keep = kind != detail::kSkip && overflowDepth_ == 0 && s.dest == Dest::Body &&
                              from != std::string_view::npos;
            // Leave the group now; its closing brace is consumed by the skip.
            const bool closed = tok_.skipGroup();
            nextIsDestination_ = false;
            // The input may end inside the skipped group: then the group
            // around it (a table, a label) is cut short too.
            cutShort_ = !closed;
            groupEnd();
            cutShort_ = false;
            // A group the input cut short is not kept: written back, it
            // would leave the copy unbalanced.
            if (keep && closed)
                keepGroup(kind, from, opened);
        } else {
            s.dest = Dest::Drop;
        }
        return;
    }
}

// The one control word the tokenizer hands out most: no hashing for \u.
const detail::KeywordEntry& entryFor(std::string_view name) {
    static constexpr detail::KeywordEntry kU{"u", Kind::Unicode};
    return name.size() == 1 && name[0] == 'u' ? kU : detail::lookupKeyword(name);
}

void Reader::word(const Token& t) {
    const detail::KeywordEntry& e = entryFor(t.text);
    const bool wasDestination = nextIsDestination_;
    nextIsDestination_ = false;
    if (st().dest == Dest::Picture) {
        if (wasDestination)
            destination(detail::kSkip);  // {\*\blipuid ...}
        else if (states_.size() == pictDepth_)
            pictureWord(t);
        return;
    }
    if (e.kind == Kind::Unknown) {
        // {\*\unknown ...}: an ignorable destination this reader does not
        // know, kept as it is.
        if (wasDestination)
            destination(detail::kKeep);
        return;
    }
    State& s = st();
    // Associated properties, read as the peer word processors read them:
    // LibreOffice writes Chinese bold and size as "\dbch\ab" and
    // "\dbch\afs28"; Word writes "\rtlch\ab" for complex scripts only.
    if (e.associated && s.complexScript)
        return;
    // Past the depth cap, text only.
    if (overflowDepth_ > 0 && detail::isFormatting(e.kind))
        return;
    const int n = t.param;
    const bool on = !t.hasParam || n != 0;
    switch (e.kind) {
    case Kind::Unknown:
    case Kind::Ignore: break;
    case Kind::Destination: destination(static_cast<detail::DestinationKind>(e.arg), t.text); break;
    case Kind::DocCodePage: documentCodePage(&docCodePage_, e.arg); break;
    // \ansicpg0 names no code page: keep the character set's.
    case Kind::AnsiCpg: documentCodePage(&ansiCpg_, n > 0 ? n : 0); break;
    case Kind::DefaultFont: documentCodePage(&deff_, n); break;
    case Kind::UnicodeSkip: s.uc = std::clamp(n, 0, kMaxUc); break;
    case Kind::Unicode: unicode(n); break;
    case Kind::UnicodePair: unicodePair(e.arg == 1); break;
    case Kind::ColorComponent:
        if (s.dest == Dest::ColorTable)
            rgb_[e.arg] = n;
        break;
    case Kind::FontProperty: fontProperty(static_cast<detail::FontPropertyKind>(e.arg), n); break;
    case Kind::Font: font(n); break;
    case Kind::AssociatedFont: associatedFont(n); break;
    case Kind::RunType: runType(static_cast<RunType>(e.arg)); break;
    case Kind::Size:
        if (n > 0) {
            s.chr.size = std::clamp(n, 2, 3276);
            charChanged();
        }
        break;
    case Kind::Toggle: setFlag(static_cast<std::uint8_t>(e.arg), on); break;
    case Kind::FlagOff: setFlag(static_cast<std::uint8_t>(e.arg), false); break;
    case Kind::Colour: colour(static_cast<detail::ColourKind>(e.arg), std::max(n, 0)); break;
    case Kind::VerticalAlign:
        s.chr.verticalAlign = on ? static_cast<VerticalAlign>(e.arg) : VerticalAlign::Normal;
        charChanged();
        break;
    case Kind::Picture: startPicture(); break;
    case Kind::Direction: s.complexScript = e.arg != 0; break;
    case Kind::Plain: plain(); break;
    case Kind::Pard:
        s.para = ParaFormat{};
        s.inTable = false;
        s.itap = -1;
        borderSide_ = -1;
        break;
    case Kind::Alignment: s.para.alignment = static_cast<Alignment>(e.arg); break;
    case Kind::ParaValue: s.para.*e.para = n; break;
    case Kind::ParagraphEnd:
        // \page and \sect end a paragraph only when one is open.
        if (s.dest == Dest::Body && (e.arg == 0 || paragraphOpen_))
            endParagraph();
        if (s.dest == Dest::Body && t.text == "sect")
            ++sections_;
        break;
    case Kind::Cell: cell(); break;
    case Kind::Row: row(e.arg != 0); break;
    case Kind::InTable: s.inTable = on; break;
    case Kind::NestingLevel: s.itap = static_cast<std::int8_t>(std::clamp(n, 0, kMaxTableDepth)); break;
    case Kind::TableProperty: tableProperty(static_cast<detail::TableProperty>(e.arg), n); break;
    case Kind::Character: emit(static_cast<char32_t>(e.arg)); break;
    case Kind::Field: field(); break;
    case Kind::FieldInstruction:
        // The field's instruction (HYPERLINK "...", PAGE ...) is not text:
        // it is kept with the result's runs. Read rather than skipped, since
        // \fldrslt may follow ungrouped.
        s.dest = s.outer == Dest::Body ? Dest::FieldInstruction : Dest::Drop;
        break;
    case Kind::FieldResult: fieldResult(); break;
    case Kind::KeptWord: keptWord(t, e.arg); break;
    case Kind::DocSetting: setting(t, static_cast<detail::PageField>(e.arg), false); break;
    case Kind::SectionSetting: setting(t, static_cast<detail::PageField>(e.arg), true); break;
    case Kind::Unkept:
        if (s.dest == Dest::Body)
            unkept_ |= 1u << e.arg;
        break;
    case Kind::TabKind: tabKind_ = static_cast<ParaFormat::Tab::Kind>(e.arg); break;
    case Kind::TabStop:
        // Tab stops past any page's width are no real stops: a hostile
        // file's thousands of them are not kept.
        if (s.para.tabs.size() < kMaxTabs)
            s.para.tabs.push_back({std::clamp(n, 0, 31680),
                                   e.arg == int(ParaFormat::Tab::Kind::Bar) ? ParaFormat::Tab::Kind::Bar : tabKind_});
        tabKind_ = ParaFormat::Tab::Kind::Left;
        break;
    }
}

void Reader::documentCodePage(int* setting, int value) {
    *setting = value;
    codePageMayChange();
}

// {\upr{ANSI version}{\*\ud{Unicode version}}}: only the second counts.
void Reader::unicodePair(bool unicodeVersion) {
    State& s = st();
    if (unicodeVersion) {
        // A stray \ud never leaves a table or a group skipped or kept.
        if (!s.inUpr)
            return;
        s.dest = s.outer;
        codePageMayChange();
    } else {
        s.outer = s.dest;
        s.dest = Dest::Drop;
        s.inUpr = true;
    }
}

void Reader::fontProperty(detail::FontPropertyKind kind, int n) {
    if (st().dest != Dest::FontTable || fontDef_ < 0)
        return;
    Font& f = fonts_[fontDef_];
    (kind == detail::kCharset ? f.charset : f.codePage) = n;
    codePageMayChange();
}

void Reader::font(int n) {
    State& s = st();
    if (s.dest == Dest::FontTable) {
        finishFontName();
        // A font table of more entries than any real one is a broken or
        // hostile file: later entries are ignored, memory stays bounded.
        if (fonts_.size() >= kMaxFonts && fonts_.find(n) == fonts_.end()) {
            fontDef_ = -1;
            return;
        }
        fontDef_ = n;
        fonts_[n] = Font{};
        maxFontNumber_ = std::max<long long>(maxFontNumber_, n);
        s.definesFont = true;
        codePageMayChange();
    } else if (overflowDepth_ == 0) {
        // \fN names the font of the class in effect: Word writes
        // "\dbch\f13" for its Chinese font.
        s.chr.fonts[static_cast<int>(s.chr.runType)] = n;
        charChanged();
        codePageMayChange();
    }
}

// \afN after \hich or \dbch names that class's font; after \loch (or alone)
// it is the font for right-to-left text: not ours.
void Reader::associatedFont(int n) {
    State& s = st();
    if (s.dest == Dest::FontTable || s.chr.runType == RunType::Loch)
        return;
    s.chr.fonts[static_cast<int>(s.chr.runType)] = n;
    charChanged();
    codePageMayChange();
}

void Reader::runType(RunType type) {
    State& s = st();
    s.chr.runType = type;
    s.complexScript = type == RunType::Hich;
    charChanged();
    codePageMayChange();
}

void Reader::setFlag(std::uint8_t bit, bool on) {
    std::uint8_t& flags = st().chr.flags;
    flags = on ? flags | bit : flags & static_cast<std::uint8_t>(~bit);
    charChanged();
}

void Reader::colour(detail::ColourKind kind, int index) {
    CharState& c = st().chr;
    if (kind == detail::kForeground) {
        c.color = index;
    } else {
        c.background = index;
        c.backgroundIsHighlight = kind == detail::kHighlight;
    }
    charChanged();
}

void Reader::plain() {
    State& s = st();
    s.chr = CharState{};
    s.complexScript = false;
    charChanged();
    codePageMayChange();
}

void Reader::cell() {
    if (st().dest != Dest::Body)
        return;
    flushPending();
    if (!tables_) {
        if (pendingTabs_ < 4096)
            ++pendingTabs_;
        paragraphOpen_ = true;
        return;
    }
    if (st().tableDepth() == 0)
        implicitTable_ = true;
    if (!paragraphOpen_)
        startParagraph();
    flushRun();
    sink_.cellEnd(st().para);
    paragraphOpen_ = false;
    anyParagraph_ = true;
    if (toldDepth_ > 0)
        ++cellsEnded_[std::size_t(toldDepth_)];
}

// \row ends a row of the outermost table, \nestrow one of the table the
// paragraph is nested in.
void Reader::row(bool nested) {
    if (st().dest != Dest::Body)
        return;
    if (!tables_) {
        endParagraph();
        return;
    }
    flushPending();
    const int depth = nested ? std::max(2, st().tableDepth()) : 1;
    // Text after the last \cell is a cell of its own.
    if (paragraphOpen_)
        cell();
    implicitTable_ = false;
    if (cellsEnded_[std::size_t(depth)] == 0 && toldDepth_ < depth)
        return;  // no cell: nothing to end
    tellDepth(depth);
    sink_.rowEnd(rowDefs_[std::size_t(depth)]);
    std::fill(cellsEnded_.begin() + depth, cellsEnded_.end(), 0);
}

// At the end of the input, rows left open end.
void Reader::closeTables() {
    if (paragraphOpen_ && toldDepth_ > 0)
        cell();
    for (int d = toldDepth_; d >= 1; --d) {
        if (cellsEnded_[std::size_t(d)] > 0 || toldDepth_ > d) {
            tellDepth(d);
            sink_.rowEnd(rowDefs_[std::size_t(d)]);
            cellsEnded_[std::size_t(d)] = 0;
        }
    }
    tellDepth(0);
}

// A paragraph's first content, or its end when it has none: the sink learns
// which table (if any) it is in.
void Reader::startParagraph() {
    if (!tables_)
        return;
    int depth = st().tableDepth();
    if (depth == 0 && implicitTable_)
        depth = 1;
    tellDepth(depth);
}

void Reader::tellDepth(int depth) {
    if (depth == toldDepth_)
        return;
    flushRun();
    toldDepth_ = depth;
    sink_.tableDepth(depth);
}

std::uint32_t Reader::colourAt(int index, std::uint32_t automatic) const {
    if (index > 0 && static_cast<std::size_t>(index) < colors_.size() && !colors_[std::size_t(index)].automatic)
        return colors_[std::size_t(index)].rgb;
    return automatic;
}

void Reader::tableProperty(detail::TableProperty p, int n) {
    RowFormat& row = rowDefs_[std::size_t(defDepth_)];
    Border* border = borderSide_ >= 0 ? &cellDef_.borders[borderSide_] : nullptr;
    switch (p) {
    case detail::kRowDefaults:
        defDepth_ = std::max(1, st().tableDepth());
        rowDefs_[std::size_t(defDepth_)] = RowFormat{};
        cellDef_ = CellFormat{};
        cellBackground_ = cellPattern_ = cellShading_ = 0;
        borderSide_ = -1;
        break;
    case detail::kCellRight:
        if (row.cells.size() < kMaxCells) {
            if (cellBackground_ > 0 || cellShading_ > 0) {
                // \clshdng is the share, in 1/100 %, of the pattern colour
                // (black unless given) over the background (white unless given).
                const std::uint32_t back = colourAt(cellBackground_, 0xFFFFFF);
                const std::uint32_t fore = colourAt(cellPattern_, 0);
                const int share = std::clamp(cellShading_, 0, 10000);
                std::uint32_t mixed = 0;
                for (int shift = 16; shift >= 0; shift -= 8) {
                    const int b = int(back >> shift & 0xFF), f = int(fore >> shift & 0xFF);
                    mixed |= std::uint32_t((b * (10000 - share) + f * share) / 10000) << shift;
                }
                cellDef_.hasShading = true;
                cellDef_.shading = mixed;
            }
            cellDef_.right = n;
            row.cells.push_back(cellDef_);
        }
        cellDef_ = CellFormat{};
        cellBackground_ = cellPattern_ = cellShading_ = 0;
        borderSide_ = -1;
        break;
    case detail::kRowGap: row.gap = std::max(n, 0); break;
    case detail::kRowLeft: row.left = n; break;
    case detail::kRowAlignLeft: row.alignment = Alignment::Left; break;
    case detail::kRowAlignRight: row.alignment = Alignment::Right; break;
    case detail::kRowAlignCentre: row.alignment = Alignment::Centre; break;
    case detail::kCellBorderTop:
    case detail::kCellBorderLeft:
    case detail::kCellBorderBottom:
    case detail::kCellBorderRight: borderSide_ = p - detail::kCellBorderTop; break;
    case detail::kOtherBorder:
        // A paragraph's or a row's border: read, not written back.
        borderSide_ = -1;
        if (st().dest == Dest::Body)
            unkept_ |= 1u << detail::kBorders;
        break;
    case detail::kBorderNone:
    case detail::kBorderSingle:
    case detail::kBorderDouble:
    case detail::kBorderDotted:
    case detail::kBorderDashed:
        if (border)
            border->style = static_cast<Border::Style>(p - detail::kBorderNone);
        break;
    case detail::kBorderWidth:
        if (border)
            border->width = std::clamp(n, 0, 1440);
        break;
    case detail::kBorderColour:
        if (border && n > 0 && static_cast<std::size_t>(n) < colors_.size() && !colors_[std::size_t(n)].automatic) {
            border->hasColor = true;
            border->color = colors_[std::size_t(n)].rgb;
        }
        break;
    case detail::kCellBackground: cellBackground_ = n; break;
    case detail::kCellPattern: cellPattern_ = n; break;
    case detail::kCellShading: cellShading_ = n; break;
    case detail::kMergeFirst: cellDef_.horizontal = Merge::First; break;
    case detail::kMergeNext: cellDef_.horizontal = Merge::Continue; break;
    case detail::kVMergeFirst: cellDef_.vertical = Merge::First; break;
    case detail::kVMergeNext: cellDef_.vertical = Merge::Continue; break;
    case detail::kCellTop: cellDef_.align = CellAlign::Top; break;
    case detail::kCellCentre: cellDef_.align = CellAlign::Centre; break;
    case detail::kCellBottom: cellDef_.align = CellAlign::Bottom; break;
    }
}

void Reader::field() {
    State& s = st();
    s.outer = s.dest;
    s.inField = true;
    if (overflowDepth_ == 0 && fieldInstructions_.size() < kMaxFields) {
        s.field = int(fieldInstructions_.size());
        fieldInstructions_.emplace_back();
    } else {
        s.field = -1;
    }
}

// \fldrslt: the text goes where the field's own text would. A stray one,
// with no field around it, never leaves a group that is skipped or read
// whole (a colour table, a kept group): the text would be shown and also
// written back inside that group.
void Reader::fieldResult() {
    State& s = st();
    if (!s.inField)
        return;
    s.dest = s.outer == Dest::FontTable || s.outer == Dest::ColorTable ? Dest::Drop : s.outer;
    if (overflowDepth_ == 0 && s.field >= 0) {
        s.chr.field = s.field + 1;
        charChanged();
    }
}

// ---------------------------------------------------------------- pictures

// \pict: its group holds a picture, unless one is being read already or
// the group is past the depth limit (then it is skipped).
void Reader::startPicture() {
    State& s = st();
    if (pictDepth_ == 0 && states_.size() >= 2 && overflowDepth_ == 0) {
        pict_ = Picture{};
        pictDepth_ = states_.size();
        pictOuter_ = s.dest;
        pictNibble_ = -1;
        s.dest = Dest::Picture;
    } else {
        destination(detail::kSkip);
    }
}

// A control word of the \pict group itself: kept as written, and the ones
// that say what the picture is and how large it shows are read.
void Reader::pictureWord(const Token& t) {
    if (t.kind != TokenKind::Word || pict_.controls.size() > 4096)
        return;
    pict_.controls += '\\';
    pict_.controls += t.text;
    if (t.hasParam)
        pict_.controls += std::to_string(t.param);
    const std::string_view w = t.text;
    const int n = t.param;
    using Kind = Picture::Kind;
    if (w == "pngblip")
        pict_.kind = Kind::Png;
    else if (w == "jpegblip")
        pict_.kind = Kind::Jpeg;
    else if (w == "dibitmap")
        pict_.kind = Kind::Dib;
    else if (w == "wbitmap")
        pict_.kind = Kind::Wbitmap;
    else if (w == "wmetafile")
        pict_.kind = Kind::Wmf;
    else if (w == "emfblip")
        pict_.kind = Kind::Emf;
    else if (w == "macpict" || w == "pmmetafile")
        pict_.kind = Kind::Other;
    else if (w == "picw")
        pict_.width = std::max(n, 0);
    else if (w == "pich")
        pict_.height = std::max(n, 0);
    else if (w == "picwgoal")
        pict_.goalWidth = std::max(n, 0);
    else if (w == "pichgoal")
        pict_.goalHeight = std::max(n, 0);
    else if (w == "picscalex")
        pict_.scaleX = n > 0 ? std::min(n, 10000) : 100;
    else if (w == "picscaley")
        pict_.scaleY = n > 0 ? std::min(n, 10000) : 100;
    else if (w == "wbmbitspixel")
        pict_.bitsPerPixel = std::max(n, 0);
    else if (w == "wbmwidthbytes")
        pict_.widthBytes = std::max(n, 0);
}

// Hex digits of the picture's data; anything else between them is ignored.
void Reader::pictureData(std::string_view hex) {
    std::string& out = pict_.data;
    if (out.size() >= kMaxPicture)
        return;
    for (char c : hex) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            continue;
        if (pictNibble_ < 0) {
            pictNibble_ = v;
        } else {
            out.push_back(static_cast<char>(pictNibble_ << 4 | v));
            pictNibble_ = -1;
        }
    }
}

// The \pict group closes: the picture goes to the text it stands in.
// Called once the group is closed: st() is the text's state again.
void Reader::endPicture() {
    pictDepth_ = 0;
    if (pictOuter_ == Dest::Body && st().dest == Dest::Body && !(st().chr.flags & kHidden)) {
        flushPending();
        if (pendingTabs_ > 0)
            prepareBody(false);  // cells closed before the picture end before it
        if (!paragraphOpen_)
            startParagraph();
        flushRun();
        paragraphOpen_ = true;
        bodyStarted_ = true;
        ++shown_;
        sink_.picture(pict_, resolve(st().chr, false));
    }
    pict_ = Picture{};
}

// ---------------------------------------------------------------- kept

// A group read whole (from the '{' at `from` to its '}', just read; from
// its destination word when `opened`) goes where it is written back from:
// the section's, the header's, or the text.
void Reader::keepGroup(detail::DestinationKind kind, std::size_t from, bool opened) {
    // The header's groups are written back in the header, in the font
    // they were read in.
    const bool inHeader = kind == detail::kSection || kind == detail::kDocument || !bodyStarted_;
    const std::string group = (opened ? "{" : "") + portable(from, inHeader ? kNoFont : activeFont(st().chr));
    if (kind == detail::kSection) {
        // Headers and footers of later sections would replace the first's.
        if (sections_ == 0)
            doc_.section += group;
        else
            doc_.laterSections = true;
        return;
    }
    if (kind == detail::kDocument || !bodyStarted_) {
        doc_.preamble += group;
        return;
    }
    keepInline(Kept{Kept::Kind::Rtf, group, {}}, resolve(st().chr, false));
}

void Reader::keepInline(const Kept& kept, const CharFormat& format) {
    flushPending();
    // The sink learns which table the item is in, as it does for text.
    if (!paragraphOpen_)
        startParagraph();
    // What stands for it in the text follows the cells closed before it.
    if (pendingTabs_ > 0 && !kept.text.empty())
        prepareBody(false);
    flushRun();
    if (!kept.text.empty())
        paragraphOpen_ = true;
    bodyStarted_ = true;
    ++shown_;
    sink_.kept(kept, format);
}

// \chftn, \chatn ...: a mark something generated fills in. A footnote's
// shows its number, raised.
void Reader::keptWord(const Token& t, int arg) {
    if (st().dest != Dest::Body || overflowDepth_ > 0)
        return;
    Kept kept{Kept::Kind::Rtf, "\\" + std::string(t.text), {}};
    if (t.hasParam)
        kept.rtf += std::to_string(t.param);
    kept.rtf += ' ';
    CharFormat format = resolve(st().chr, false);
    if (arg == 1) {
        kept.text = std::to_string(++footnotes_);
        format.verticalAlign = VerticalAlign::Super;
    }
    keepInline(kept, format);
}

// A document or section setting: kept as written, and the page it sets up
// read. Only the first section's settings are kept: the editor writes one.
void Reader::setting(const Token& t, detail::PageField field, bool section) {
    if (st().dest != Dest::Body || overflowDepth_ > 0)
        return;
    PageSetup& page = section ? sectionPage_ : doc_.page;
    const int value = field == detail::kLandscape ? 1 : std::max(t.param, 0);
    int* member = nullptr;
    switch (field) {
    case detail::kPageWidth: member = &page.width; break;
    case detail::kPageHeight: member = &page.height; break;
    case detail::kMarginLeft: member = &page.left; break;
    case detail::kMarginRight: member = &page.right; break;
    case detail::kMarginTop: member = &page.top; break;
    case detail::kMarginBottom: member = &page.bottom; break;
    case detail::kLandscape:
    case detail::kNoPage: break;
    }
    if (section && sections_ > 0) {
        // A later section that sets up another page is not kept.
        if ((member && *member != value) || (field == detail::kLandscape && !page.landscape))
            doc_.laterSections = true;
        return;
    }
    std::string& out = section ? doc_.section : doc_.settings;
    out += '\\';
    out += t.text;
    if (t.hasParam)
        out += std::to_string(t.param);
    if (member)
        *member = value;
    if (field == detail::kLandscape)
        page.landscape = true;
}

// {\listtext 1.\tab}: a label written for readers without lists, shown as
// text and written back as the group it is.
void Reader::startLabel(std::string_view word) {
    State& s = st();
    if (s.dest != Dest::Body || states_.size() < 3 || overflowDepth_ > 0 || labelDepth_ != 0)
        return;
    labelAt_ = keptFrom(word, labelOpened_);
    if (labelAt_ == std::string_view::npos)
        return;
    s.dest = Dest::Label;
    labelFont_ = activeFont(s.chr);
    labelDepth_ = states_.size();
    label_.clear();
}

// A later table adds its fonts to the earlier one's, as reading took them:
// the table kept holds the entries of both, the later ones last (where a
// number is defined twice, the later definition counts, as it did here).
void Reader::keepFontTable(std::string table) {
    constexpr std::string_view Word = "\\fonttbl";
    const std::size_t word = table.find(Word);
    if (doc_.fontTable.empty() || word == std::string::npos) {
        doc_.fontTable = std::move(table);
        return;
    }
    std::size_t entries = word + Word.size();
    if (entries < table.size() && table[entries] == ' ')
        ++entries;
    if (doc_.fontTable.back() == '}')
        doc_.fontTable.pop_back();  // its closing brace
    doc_.fontTable.append(table, entries);
}

namespace {

// A font as kept RTF names it: its finished name, and the code page its
// bytes are read in where the font does not decide it (none given, or no
// font: named false), since a later \ansicpg may change that page.
// The code page a font's bytes are read in, as a number: the document's
// where neither \cpg nor its character set gives one.
int pageOf(const Font& f, int documentPage) {
    if (f.codePage > 0)
        return f.codePage;
    return f.charset < 0 || detail::codePageForCharset(f.charset) == 0 ? documentPage : f.codePage;
}

Font keptFont(const std::unordered_map<int, Font>& fonts, int n, int documentPage) {
    auto it = fonts.find(n);
    if (it == fonts.end())
        return Font{{}, -1, documentPage, false};
    Font f = it->second;
    if (!f.named)
        f.name = tidyFontName(std::move(f.name));
    f.named = true;
    f.codePage = pageOf(f, documentPage);
    return f;
}

// Whether font n is still the one kept RTF names by it (without a copy of
// the name: the same label may come a million times).
bool stillNamed(const Font& kept, const std::unordered_map<int, Font>& fonts, int n, int documentPage) {
    auto it = fonts.find(n);
    if (it == fonts.end())
        return !kept.named && kept.codePage == documentPage;
    const Font& f = it->second;
    return kept.named && f.charset == kept.charset && pageOf(f, documentPage) == kept.codePage &&
           (f.named ? f.name == kept.name : tidyFontName(f.name) == kept.name);
}

std::string fontKey(const Font& f) {
    std::string key = f.name + '\0' + std::to_string(f.charset) + '\0' + std::to_string(f.codePage);
    if (!f.named)
        key += "\x01";  // no font at all
    return key;
}

}  // namespace

int Reader::keptFontNumber(int n) {
    const int page = documentPage();
    auto claimed = keptFonts_.find(n);
    if (claimed != keptFonts_.end() && stillNamed(claimed->second, fonts_, n, page))
        return n;
    Font now = keptFont(fonts_, n, page);
    // A negative number (no font at all) is never written: it gets a number.
    if (n >= 0)
        maxFontNumber_ = std::max<long long>(maxFontNumber_, n);
    if (claimed == keptFonts_.end() && n >= 0) {
        if (keptFonts_.size() >= kMaxFonts)
            return n;  // a hostile file: memory stays bounded
        keptFontNumbers_.try_emplace(fontKey(now), n);
        keptFonts_.emplace(n, std::move(now));
        return n;
    }
    std::string key = fontKey(now);
    if (auto named = keptFontNumbers_.find(key); named != keptFontNumbers_.end())
        return named->second;
    if (maxFontNumber_ >= INT_MAX || keptFonts_.size() >= kMaxFonts)
        return n;
    const int fresh = int(++maxFontNumber_);
    keptFontNumbers_.emplace(std::move(key), fresh);
    keptFonts_.emplace(fresh, std::move(now));
    return fresh;
}

std::size_t Reader::keptFrom(std::string_view word, bool& opened) const {
    opened = shown() != st().shownAt;
    if (!opened)
        return st().groupAt;
    // "{text\footnote ...}": the text is the body's already.
    return !word.empty() && word.data() > input_.data() ? std::size_t(word.data() - input_.data()) - 1
                                                        : std::string_view::npos;
}

// After a group closed that was read whole: the font or colour table, a
// label (inner: the label's own format).
void Reader::closedGroup(std::size_t depth, const CharFormat& inner) {
    // One the input cut short would leave the copy unbalanced: a table is
    // then written as the writer makes it, a label is not kept.
    if (cutShort_) {
        if (depth == fontTableDepth_) {
            fontTableDepth_ = 0;
            doc_.fontTable.clear();
        } else if (depth == colorTableDepth_) {
            colorTableDepth_ = 0;
            doc_.colorTable.clear();
        } else {
            labelDepth_ = 0;
            label_.clear();
        }
        return;
    }
    // A table kept from its word on is given the '{' it started after.
    if (depth == fontTableDepth_) {
        fontTableDepth_ = 0;
        if (fontTableAt_ != std::string_view::npos)
            keepFontTable((tableOpened_[0] ? "{" : "") + std::string(since(fontTableAt_)));
    } else if (depth == colorTableDepth_) {
        colorTableDepth_ = 0;
        if (colorTableAt_ != std::string_view::npos)
            doc_.colorTable = (tableOpened_[1] ? "{" : "") + std::string(since(colorTableAt_));
    } else if (depth == labelDepth_) {
        labelDepth_ = 0;
        keepInline(Kept{Kept::Kind::Rtf, (labelOpened_ ? "{" : "") + portable(labelAt_, labelFont_), std::move(label_)},
                   inner);
        label_.clear();
    }
}

// The document's kept settings, to the sink.
void Reader::finishDocument() {
    doc_.charset = docCodePage_ == 10000 ? "\\mac"
                   : docCodePage_ == 437 ? "\\pc"
                   : docCodePage_ == 850 ? "\\pca"
                                         : "\\ansi";
    doc_.ansiCodePage = ansiCpg_;
    doc_.defaultFont = deff_;
    // The fonts as kept RTF names them: where the table read last gave a
    // number another font, the table is not written back as read.
    doc_.fonts.clear();
    for (const auto& [number, font] : fonts_)
        if (keptFonts_.find(number) == keptFonts_.end())
            doc_.fonts.push_back(
                {number, font.named ? font.name : tidyFontName(font.name), font.charset, font.codePage});
    const int documentPage = this->documentPage();
    for (const auto& [number, font] : keptFonts_) {
        if (!stillNamed(font, fonts_, number, documentPage))
            doc_.fontTable.clear();
        // A page that is the document's needs no word; one that was the
        // document's when read and is no longer is given with the font
        // (a nameless one where there was no font).
        const int codePage = font.codePage == documentPage ? 0 : font.codePage;
        if (font.named || codePage > 0)
            doc_.fonts.push_back({number, font.name, font.charset, codePage});
    }
    doc_.nextFont = int(std::min<long long>(maxFontNumber_ + 1, INT_MAX));
    std::sort(doc_.fonts.begin(), doc_.fonts.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
    doc_.colors.clear();
    for (const Color& c : colors_)
        doc_.colors.push_back(c.automatic ? -1 : std::int64_t(c.rgb));
    // The section's page wins over the document's.
    PageSetup& page = doc_.page;
    for (auto member : {&PageSetup::width, &PageSetup::height, &PageSetup::left, &PageSetup::right, &PageSetup::top,
                        &PageSetup::bottom})
        if (sectionPage_.*member > 0)
            page.*member = sectionPage_.*member;
    page.landscape = page.landscape || sectionPage_.landscape;
    // What saving changes, for the notice Save gives (UTF-8).
    static constexpr const char* kUnkept[detail::kUnkeptKinds] = {
        "段落和表格行的边框将不被保留（单元格的边框会保留）。",
        "表格的行高、标题行和单元格内边距将不被保留。",
    };
    for (int k = 0; k < detail::kUnkeptKinds; ++k)
        if (unkept_ & (1u << k))
            doc_.losses.emplace_back(kUnkept[k]);
    sink_.document(doc_);
}

// ---------------------------------------------------------------- code pages

const CodePage* Reader::codePageFor(int fontId) {
    int number = 0;
    if (fontId >= 0) {
        auto it = fonts_.find(fontId);
        if (it != fonts_.end()) {
            if (it->second.codePage > 0)
                number = it->second.codePage;
            else if (it->second.charset >= 0)
                number = detail::codePageForCharset(it->second.charset);
        }
    }
    if (number == detail::kSymbolCodePage)
        return detail::symbolCodePage();
    if (number == 0)
        number = documentPage();
    // The few pages a document uses, without the shared cache's lock.
    for (const auto& [n, page] : pageCache_)
        if (n == number)
            return page;
    const CodePage* page = detail::codePage(number);
    if (page == nullptr || number == 65001) {
        page = detail::codePage(1252);
        warn(Warning::Kind::UnknownCodePage,
             "code page " + std::to_string(number) + " is not a byte code page known here: read as 1252");
    }
    if (pageCache_.size() < 16)
        pageCache_.emplace_back(number, page);
    return page;
}

const CodePage* Reader::currentCodePage() {
    const State& s = st();
    if (s.dest == Dest::FontTable)
        return codePageFor(fontDef_);
    return codePageFor(activeFont(s.chr));
}

CharFormat Reader::resolve(const CharState& s, bool cjk) {
    CharFormat f;
    auto it = fonts_.find(cjk ? cjkFont(s) : latinFont(s));
    if (it != fonts_.end()) {
        // A table that never ended leaves its last name unfinished: runs
        // get it as a finished entry holds it, as the saved file gives it.
        f.fontName = it->second.named ? it->second.name : tidyFontName(it->second.name);
        f.fontCharset = it->second.charset;
    }
    f.sizeHalfPoints = s.size;
    f.bold = s.flags & kBold;
    f.italic = s.flags & kItalic;
    f.underline = s.flags & kUnderline;
    f.strike = s.flags & kStrike;
    if (s.color > 0 && static_cast<std::size_t>(s.color) < colors_.size() && !colors_[s.color].automatic) {
        f.hasColor = true;
        f.color = colors_[s.color].rgb;
    }
    if (s.background > 0) {
        if (s.backgroundIsHighlight) {
            if (static_cast<std::size_t>(s.background) < std::size(kHighlightPalette)) {
                f.hasBackground = true;
                f.background = kHighlightPalette[s.background];
            }
        } else if (static_cast<std::size_t>(s.background) < colors_.size() && !colors_[s.background].automatic) {
            f.hasBackground = true;
            f.background = colors_[s.background].rgb;
        }
    }
    f.verticalAlign = s.verticalAlign;
    if (s.field > 0) {
        // Spaces around the instruction are layout, not part of it.
        const std::string& instruction = fieldInstructions_[std::size_t(s.field - 1)];
        const auto first = instruction.find_first_not_of(' ');
        if (first != std::string::npos)
            f.field = instruction.substr(first, instruction.find_last_not_of(' ') - first + 1);
    }
    return f;
}

// A kept group as written back: raw 8-bit bytes become \'hh escapes (a
// double-byte character's two at once, as `lead` tells them), which mean the
// same in RTF. Written where another code page is in effect, a raw trail
// byte '}' would otherwise close a group the file did not close. \bin data
// is copied as it is.
std::string portableRtf(std::string_view raw, const bool* lead, const std::function<int(int)>& fontNumber,
                        int inherited) {
    std::string out;
    out.reserve(raw.size());
    // Bytes read in the font the group inherited are written back in that
    // font named, whatever surrounds the group then: per group level,
    // whether a font was named at it.
    std::vector<bool> named{inherited == kNoFont};
    const auto nameFont = [&] {
        if (!named.back()) {
            out += "\\f";
            out += std::to_string(fontNumber(inherited));
            named.back() = true;
        }
    };
    const auto hex = [&out](unsigned char b) {
        static constexpr char kHex[] = "0123456789abcdef";
        out += "\\'";
        out += kHex[b >> 4];
        out += kHex[b & 15];
    };
    for (std::size_t i = 0; i < raw.size();) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c == '{') {
            named.push_back(named.back());
        } else if (c == '}' && named.size() > 1) {
            named.pop_back();
        } else if (c >= 0x80 || (c == '\\' && i + 1 < raw.size() && raw[i + 1] == '\'')) {
            nameFont();
        }
        if (lead != nullptr && lead[c]) {
            hex(c);
            ++i;
            while (i < raw.size() && (raw[i] == '\r' || raw[i] == '\n'))
                ++i;
            if (i < raw.size())
                hex(static_cast<unsigned char>(raw[i++]));
            continue;
        }
        if (c >= 0x80) {
            hex(c);
            ++i;
            continue;
        }
        if (c != '\\' || i + 1 >= raw.size()) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(raw[i + 1]))) {
            out.append(raw, i, 2);  // a control symbol, \'h... included
            i += 2;
            continue;
        }
        std::size_t end = i + 1;
        while (end < raw.size() && std::isalpha(static_cast<unsigned char>(raw[end])))
            ++end;
        const bool bin = raw.substr(i + 1, end - i - 1) == "bin";
        const std::size_t digits = end;
        if (end < raw.size() && raw[end] == '-')
            ++end;
        while (end < raw.size() && std::isdigit(static_cast<unsigned char>(raw[end])))
            ++end;
        std::size_t data = 0;
        if (bin)
            for (std::size_t k = digits; k < end && data < raw.size(); ++k)
                data = raw[k] == '-' ? 0 : data * 10 + std::size_t(raw[k] - '0');
        const std::string_view name = raw.substr(i + 1, digits - i - 1);
        // Words after which bytes are read in another font than inherited.
        if (name == "f" || name == "af" || name == "pnf" || name == "plain" || name == "loch" || name == "hich" ||
            name == "dbch")
            named.back() = true;
        if (end > digits && raw[end - 1] != '-' && (name == "f" || name == "af" || name == "pnf")) {
            // A font number, saturated as the tokenizer reads it.
            long long n = 0;
            for (std::size_t k = digits; k < end; ++k)
                if (raw[k] != '-' && n < INT_MAX)
                    n = n * 10 + (raw[k] - '0');
            n = std::min<long long>(n, INT_MAX);
            if (raw[digits] == '-')
                n = -n;
            const int kept = fontNumber(int(n));
            if (kept != n) {
                out += '\\';
                out += name;
                out += std::to_string(kept);
                i = end;
            }
        }
        if (end < raw.size() && raw[end] == ' ')
            ++end;
        out.append(raw, i, end - i);
        i = end;
        if (bin) {
            const std::size_t n = std::min(data, raw.size() - i);
            out.append(raw, i, n);
            i += n;
        }
    }
    return out;
}

}  // namespace

namespace {

// The bytes before the document proper: a UTF-8 byte-order mark, white space.
std::size_t preambleLength(std::string_view bytes) {
    std::size_t i = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        i = 3;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return i;
}

}  // namespace

bool looksLikeRtf(std::string_view bytes) {
    return bytes.substr(preambleLength(bytes), 5) == "{\\rtf";
}

void read(std::string_view bytes, Sink& sink) {
    const std::size_t i = preambleLength(bytes);
    // A document starts with "{\rtf"; a fragment that starts with a group and
    // a control word ("{\field ...") is read too, as other readers do.
    if (bytes.substr(i, 2) != "{\\")
        throw ParseError(i, "not an RTF document: it does not start with \"{\\rtf\" (byte " + std::to_string(i) + ")");
    Reader reader(bytes.substr(i), i, sink);
    reader.run();
}

}  // namespace rtf
