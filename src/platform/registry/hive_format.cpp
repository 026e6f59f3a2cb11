#include "platform/registry/hive_format.h"

#include "platform/errors.h"
#include "text/utf8.h"

#include <QStringView>

#include <string_view>

namespace platform::registry {

namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00");

int lineOfOffset(const QByteArray& bytes, qsizetype offset) {
    return int(QByteArrayView(bytes).first(offset).count('\n')) + 1;
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool parseHexNumber(QStringView digits, int maxDigits, quint32* number) {
    if (digits.isEmpty() || digits.size() > maxDigits)
        return false;
    quint32 n = 0;
    for (QChar c : digits) {
        if (!isHexDigit(c))
            return false;
        const char16_t u = c.unicode();
        n = n * 16 + quint32(u <= u'9' ? u - u'0' : (u | 0x20) - u'a' + 10);
    }
    *number = n;
    return true;
}

// Reads a quoted text starting at t[at] == '"'. Escapes: \\ and \" as the
// editor writes them, and \n, \r, \0 as some other tools do. Returns the
// index after the closing quote, or -1 when the text is not well formed.
qsizetype parseQuoted(const QString& t, qsizetype at, QString* out) {
    out->clear();
    for (qsizetype i = at + 1; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'"')
            return i + 1;
        if (c != u'\\') {
            out->append(c);
            continue;
        }
        if (++i >= t.size())
            return -1;
        switch (t[i].unicode()) {
        case u'\\': out->append(u'\\'); break;
        case u'"': out->append(u'"'); break;
        case u'n': out->append(u'\n'); break;
        case u'r': out->append(u'\r'); break;
        case u'0': out->append(QChar(0)); break;
        default: return -1;
        }
    }
    return -1;
}

QString quote(const QString& text) {
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            out.append(u'\\');
        out.append(c);
    }
    out.append(u'"');
    return out;
}

// The value name at the start of t ("@" is the default value, named "").
// Returns the index after the name, or -1.
qsizetype parseName(const QString& t, QString* name) {
    if (t.startsWith(u'@')) {
        name->clear();
        return 1;
    }
    if (!t.startsWith(u'"'))
        return -1;
    return parseQuoted(t, 0, name);
}

// Index of the value data after `name =`, or -1.
qsizetype dataStart(const QString& t, QString* name) {
    qsizetype i = parseName(t, name);
    if (i < 0)
        return -1;
    while (i < t.size() && t[i].isSpace())
        ++i;
    if (i >= t.size() || t[i] != u'=')
        return -1;
    ++i;
    while (i < t.size() && t[i].isSpace())
        ++i;
    return i;
}

bool parseHexBytes(QStringView text, QByteArray* bytes) {
    bytes->clear();
    if (text.trimmed().isEmpty())
        return true;
    const auto items = text.split(u',');
    for (qsizetype k = 0; k < items.size(); ++k) {
        const QStringView item = items[k].trimmed();
        if (item.isEmpty() && k == items.size() - 1)
            break;  // a trailing comma
        quint32 byte = 0;
        if (!parseHexNumber(item, 2, &byte))
            return false;
        bytes->append(static_cast<char>(byte));
    }
    return true;
}

// A string value the quoted form can hold exactly: NUL-terminated UTF-16
// without other NULs, line breaks or unpaired surrogates.
bool quotable(const Value& value, QString* text) {
    const QByteArray& d = value.data;
    if (d.size() < 2 || d.size() % 2 != 0 || d[d.size() - 1] != 0 || d[d.size() - 2] != 0)
        return false;
    *text = fromUtf16leBytes(d.first(d.size() - 2));
    return !text->contains(QChar(0)) && !text->contains(u'\n') && !text->contains(u'\r') &&
           QStringView(*text).isValidUtf16();
}

QString hexByte(unsigned char b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
}

}  // namespace

QString foldName(const QString& name) {
    return name.toCaseFolded();
}

HiveDocument::HiveDocument(QString rootName) : rootName_(std::move(rootName)) {}

QStringList HiveDocument::splitKeyPath(const QString& path) {
    return path.split(u'\\', Qt::SkipEmptyParts);
}

bool HiveDocument::parse(const QByteArray& bytes, QString* problem) {
    entries_.clear();
    keys_.clear();
    utf8Bom_ = false;
    auto fail = [&](const QString& why) {
        entries_.clear();
        keys_.clear();
        utf8Bom_ = false;
        if (problem)
            *problem = why;
        return false;
    };

    QString text;
    if (bytes.startsWith("\xFF\xFE")) {
        const QByteArray body = bytes.mid(2);
        text = fromUtf16leBytes(body);
        if (body.size() % 2 != 0 || !QStringView(text).isValidUtf16())
            return fail(QStringLiteral("不是有效的 UTF-16 文本"));
    } else {
        const bool bom = bytes.startsWith("\xEF\xBB\xBF");
        const qsizetype start = bom ? 3 : 0;
        const std::size_t offset = text::invalidUtf8Offset(
            std::string_view(bytes.constData() + start, std::size_t(bytes.size() - start)));
        const qsizetype bad = offset == std::string_view::npos ? -1 : start + qsizetype(offset);
        if (bad >= 0)
            return fail(
                QStringLiteral("第 %1 行（字节偏移 %2）不是有效的 UTF-8 文本").arg(lineOfOffset(bytes, bad)).arg(bad));
        text = QString::fromUtf8(bytes.constData() + start, bytes.size() - start);
        utf8Bom_ = bom;
    }

    QList<Line> lines;
    for (qsizetype pos = 0; pos < text.size();) {
        const qsizetype nl = text.indexOf(u'\n', pos);
        if (nl < 0) {
            lines.append({text.mid(pos), QString()});
            break;
        }
        const bool crlf = nl > pos && text[nl - 1] == u'\r';
        lines.append({text.mid(pos, nl - pos - (crlf ? 1 : 0)), crlf ? QStringLiteral("\r\n") : QStringLiteral("\n")});
        pos = nl + 1;
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].text.contains(QChar(0)))
            return fail(QStringLiteral("第 %1 行含有 NUL 字符，不是文本").arg(i + 1));
    }

    qsizetype i = 0;
    while (i < lines.size() && lines[i].text.trimmed().isEmpty())
        ++i;
    if (i == lines.size()) {
        // Nothing but white space: an empty hive, nothing in it to lose.
        utf8Bom_ = false;
        return true;
    }
    if (lines[i].text.trimmed().compare(kHeader, Qt::CaseInsensitive) != 0)
        return fail(QStringLiteral("第 %1 行：缺少文件头“%2”").arg(i + 1).arg(kHeader));
    for (qsizetype k = 0; k < i; ++k)
        entries_.append({Kind::Blank, {lines[k]}, false, {}, {}, {}});
    entries_.append({Kind::Header, {lines[i]}, false, {}, {}, {}});
    ++i;

    while (i < lines.size()) {
        qsizetype consumed = 1;
        entries_.append(parseLogicalLine(lines, &consumed, i));
        i += consumed;
    }
    rebuild();
    return true;
}

HiveDocument::Entry HiveDocument::parseLogicalLine(const QList<Line>& lines, qsizetype* consumed, qsizetype at) const {
    Entry entry;
    entry.lines = {lines[at]};
    *consumed = 1;
    const QString t = lines[at].text.trimmed();
    if (t.isEmpty()) {
        entry.kind = Kind::Blank;
    } else if (t.startsWith(u';')) {
        entry.kind = Kind::Comment;
    } else if (t.startsWith(u'[')) {
        if (t.size() >= 2 && t.endsWith(u']'))
            parseSection(t.mid(1, t.size() - 2), entry);
    } else if (t.startsWith(u'"') || t.startsWith(u'@')) {
        QString joined = t;
        QString name;
        const qsizetype data = dataStart(t, &name);
        if (data >= 0 && t.mid(data, 3).compare(QLatin1String("hex"), Qt::CaseInsensitive) == 0) {
            // Hex data goes on over the following lines while a line ends in a
            // backslash; a continuation line holds hex digits only.
            while (joined.endsWith(u'\\') && at + *consumed < lines.size()) {
                const QString next = lines[at + *consumed].text.trimmed();
                if (next.isEmpty() || !isHexDigit(next[0]))
                    break;
                // In place: rebuilding the joined text for every line would
                // cost time in the square of the number of lines.
                joined.chop(1);
                while (!joined.isEmpty() && joined.back().isSpace())
                    joined.chop(1);
                joined += next;
                entry.lines.append(lines[at + *consumed]);
                ++*consumed;
            }
        }
        if (!parseValue(joined, entry))
            entry.kind = Kind::Other;
    }
    return entry;
}

void HiveDocument::parseSection(const QString& inner, Entry& entry) const {
    const bool deletion = inner.startsWith(u'-');
    const QStringList parts = (deletion ? inner.mid(1) : inner).split(u'\\');
    entry.kind = deletion ? Kind::DeleteSection : Kind::Section;
    entry.ownRoot = parts.first().compare(rootName_, Qt::CaseInsensitive) == 0;
    for (qsizetype k = 1; k < parts.size(); ++k) {
        if (!parts[k].isEmpty())
            entry.key.append(parts[k]);
    }
}

bool HiveDocument::parseValue(const QString& t, Entry& entry) {
    QString name;
    const qsizetype start = dataStart(t, &name);
    if (start < 0)
        return false;
    entry.name = name;
    const QString data = t.mid(start);
    if (data.startsWith(u'"')) {
        QString text;
        const qsizetype end = parseQuoted(data, 0, &text);
        if (end < 0 || !data.mid(end).trimmed().isEmpty())
            return false;
        entry.kind = Kind::Value;
        entry.value = Value::string(text);
        return true;
    }
    if (data.trimmed() == QLatin1String("-")) {
        entry.kind = Kind::DeleteValue;
        return true;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        quint32 number = 0;
        if (!parseHexNumber(QStringView(data).mid(6).trimmed(), 8, &number))
            return false;
        entry.kind = Kind::Value;
        entry.value = Value::dword(number);
        return true;
    }
    if (!data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive))
        return false;
    quint32 type = RegBinary;
    qsizetype colon = 3;
    if (data.mid(3, 1) == QLatin1String("(")) {
        const qsizetype close = data.indexOf(u')', 4);
        if (close < 0 || !parseHexNumber(QStringView(data).mid(4, close - 4), 8, &type))
            return false;
        colon = close + 1;
    }
    if (data.mid(colon, 1) != QLatin1String(":"))
        return false;
    QByteArray bytes;
    if (!parseHexBytes(QStringView(data).mid(colon + 1), &bytes))
        return false;
    entry.kind = Kind::Value;
    entry.value = Value::binary(bytes, type);
    return true;
}

QString HiveDocument::eol() const {
    for (const Entry& entry : entries_) {
        if (entry.kind == Kind::Header && !entry.lines.first().eol.isEmpty())
            return entry.lines.first().eol;
    }
    return QStringLiteral("\n");
}

HiveDocument::Entry HiveDocument::makeLineEntry(Kind kind, const QString& text) const {
    Entry entry;
    entry.kind = kind;
    entry.lines = {{text, eol()}};
    return entry;
}

HiveDocument::Entry HiveDocument::makeValueEntry(const QString& name, const Value& value) const {
    Entry entry;
    entry.kind = Kind::Value;
    entry.name = name;
    entry.value = value;
    const QString head = (name.isEmpty() ? QStringLiteral("@") : quote(name)) + u'=';
    const QString lineEnd = eol();
    QString text;
    if (value.type == RegSz && quotable(value, &text)) {
        entry.lines = {{head + quote(text), lineEnd}};
        return entry;
    }
    if (value.type == RegDword && value.data.size() == 4) {
        entry.lines = {{head + QStringLiteral("dword:%1").arg(value.toDword(), 8, 16, QLatin1Char('0')), lineEnd}};
        return entry;
    }
    // Hex data, wrapped like the editor's exports: lines of at most 80
    // characters, each but the last ending in ",\", the next indented by two.
    QString line = head + (value.type == RegBinary ? QStringLiteral("hex:")
                                                   : QStringLiteral("hex(%1):").arg(value.type, 0, 16));
    for (qsizetype i = 0; i < value.data.size(); ++i) {
        QString piece = hexByte(static_cast<unsigned char>(value.data[i]));
        if (i + 1 < value.data.size())
            piece += u',';
        if (line.size() + piece.size() > 78) {
            entry.lines.append({line + u'\\', lineEnd});
            line = QStringLiteral("  ");
        }
        line += piece;
    }
    entry.lines.append({line, lineEnd});
    return entry;
}

void HiveDocument::rebuild() {
    keys_.clear();
    QString current;
    bool inSection = false;
    for (int i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        switch (entry.kind) {
        case Kind::Section:
            inSection = entry.ownRoot;
            if (inSection) {
                current = foldName(entry.key.join(u'\\'));
                keys_[current].lastSection = i;
            }
            break;
        case Kind::DeleteSection:
            inSection = false;
            if (entry.ownRoot) {
                // Deletes the key and every key below it: in the sorted map,
                // the keys below it are one run starting at "gone\\".
                const QString gone = foldName(entry.key.join(u'\\'));
                if (gone.isEmpty()) {
                    keys_.clear();
                    break;
                }
                keys_.remove(gone);
                const QString below = gone + u'\\';
                auto it = keys_.lowerBound(below);
                while (it != keys_.end() && it.key().startsWith(below))
                    it = keys_.erase(it);
            }
            break;
        case Kind::Value:
            if (inSection)
                keys_[current].values[foldName(entry.name)] = {entry.name, entry.value, i};
            break;
        case Kind::DeleteValue:
            if (inSection)
                keys_[current].values.remove(foldName(entry.name));
            break;
        default: break;
        }
    }
}

bool HiveDocument::keyExists(const QStringList& key) const {
    if (key.isEmpty())
        return true;
    const QString folded = foldName(key.join(u'\\'));
    if (keys_.contains(folded))
        return true;
    const QString below = folded + u'\\';
    const auto it = keys_.lowerBound(below);
    return it != keys_.cend() && it.key().startsWith(below);
}

std::optional<Value> HiveDocument::value(const QStringList& key, const QString& name) const {
    const auto state = keys_.constFind(foldName(key.join(u'\\')));
    if (state == keys_.cend())
        return std::nullopt;
    const auto slot = state->values.constFind(foldName(name));
    if (slot == state->values.cend())
        return std::nullopt;
    return slot->value;
}

QMap<QString, Value> HiveDocument::values(const QStringList& key) const {
    QMap<QString, Value> result;
    const auto state = keys_.constFind(foldName(key.join(u'\\')));
    if (state != keys_.cend()) {
        for (auto it = state->values.cbegin(); it != state->values.cend(); ++it)
            result.insert(it.key(), it->value);
    }
    return result;
}

void HiveDocument::setValue(const QStringList& key, const QString& name, const Value& value) {
    auto hasBreak = [](const QString& s) { return s.contains(u'\n') || s.contains(u'\r'); };
    for (const QString& part : key) {
        if (part.isEmpty() || hasBreak(part) || part.contains(u'\\') || !QStringView(part).isValidUtf16())
            throw Error(err::RegistryWrite, QStringLiteral("注册表项名“%1”无效").arg(part));
    }
    if (hasBreak(name) || !QStringView(name).isValidUtf16())
        throw Error(err::RegistryWrite, QStringLiteral("注册表值名“%1”无效").arg(name));

    bool hasHeader = false;
    for (const Entry& entry : entries_)
        hasHeader = hasHeader || entry.kind == Kind::Header;
    if (!hasHeader) {
        entries_.clear();  // white space only: nothing to keep
        entries_.append(makeLineEntry(Kind::Header, kHeader));
    }

    const auto state = keys_.constFind(foldName(key.join(u'\\')));
    if (state != keys_.cend()) {
        const auto slot = state->values.constFind(foldName(name));
        if (slot != state->values.cend()) {
            // Keeps the name as the file spells it.
            entries_[slot->entry] = makeValueEntry(slot->name, value);
        } else {
            // After the last value (or unknown line) of the key's last section.
            qsizetype at = state->lastSection + 1;
            for (qsizetype j = at; j < entries_.size(); ++j) {
                const Kind kind = entries_[j].kind;
                if (kind == Kind::Section || kind == Kind::DeleteSection)
                    break;
                if (kind == Kind::Value || kind == Kind::DeleteValue || kind == Kind::Other)
                    at = j + 1;
            }
            entries_.insert(at, makeValueEntry(name, value));
        }
    } else {
        if (entries_.last().kind != Kind::Blank)
            entries_.append(makeLineEntry(Kind::Blank, QString()));
        Entry section = makeLineEntry(Kind::Section,
                                      u'[' + rootName_ + (key.isEmpty() ? QString() : u'\\' + key.join(u'\\')) + u']');
        section.ownRoot = true;
        section.key = key;
        entries_.append(section);
        entries_.append(makeValueEntry(name, value));
    }
    rebuild();
}

QByteArray HiveDocument::serialize() const {
    QString out;
    const QString lineEnd = eol();
    for (qsizetype e = 0; e < entries_.size(); ++e) {
        const QList<Line>& lines = entries_[e].lines;
        for (qsizetype l = 0; l < lines.size(); ++l) {
            out += lines[l].text;
            const bool last = e == entries_.size() - 1 && l == lines.size() - 1;
            out += (lines[l].eol.isEmpty() && !last) ? lineEnd : lines[l].eol;
        }
    }
    QByteArray bytes = out.toUtf8();
    if (utf8Bom_)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

}  // namespace platform::registry
