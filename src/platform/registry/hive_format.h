// One hive file in the text format of the registry editor's exports:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Korvane]
//   "Name"="text"
//   @="the key's default value"
//   "Count"=dword:0000002a
//   "Data"=hex:01,02,03,04
//   "Path"=hex(2):25,00,54,00,4d,00,50,00,25,00,00,00
//
// Long hex data goes on over several lines, each but the last ending in a
// backslash. Lines starting with ';' are comments.
//
// The document keeps every line of the file as it was read, understood or
// not, and remembers which line defines which value. Changing a value
// replaces that one line (or adds one); everything else is written back byte
// for byte, so comments, odd spacing and lines we do not understand survive.
//
// Encoding: the file is UTF-8 (a UTF-8 byte-order mark is kept; a UTF-16LE
// file with its mark, as the editor writes natively, is read and written back
// as UTF-8). Inside `hex(2):` and `hex(7):` data, and in any other hex form of
// a string type, the text is UTF-16LE as the editor exports it: those bytes
// are the registry's own data, and keeping them lets files move between the
// two worlds unchanged.
#pragma once

#include "platform/registry/value.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform::registry {

// Names of keys and values compare without regard to case, as in the
// registry.
QString foldName(const QString& name);

class HiveDocument {
public:
    // An empty hive for the root named rootName ("HKEY_CURRENT_USER").
    explicit HiveDocument(QString rootName);

    // Reads a hive file's bytes. Returns false, with the reason and its place
    // in *problem, when the bytes are not a hive (not text, no header); the
    // document is then empty. A file of nothing but white space is an empty
    // hive. Lines that are not understood are no problem: they are kept.
    bool parse(const QByteArray& bytes, QString* problem = nullptr);
    // The file's bytes: what was read, with this document's changes.
    QByteArray serialize() const;

    const QString& rootName() const { return rootName_; }

    // key: the path below the root, one element per key name. The root itself
    // (an empty path) always exists; a key exists when a section names it or
    // any key below it.
    bool keyExists(const QStringList& key) const;
    std::optional<Value> value(const QStringList& key, const QString& name) const;
    // The key's values by folded name (see foldName); "" is the default value.
    QMap<QString, Value> values(const QStringList& key) const;

    // Stores a value, replacing the line that defines it or adding one to the
    // key's section (a new section at the end when the key has none).
    // Throws platform::Error(err::RegistryWrite) for a name the format cannot
    // hold (a line break in it, an empty key name).
    void setValue(const QStringList& key, const QString& name, const Value& value);

    // The path below the root of a key path: split at backslashes, empty
    // parts dropped.
    static QStringList splitKeyPath(const QString& path);

private:
    struct Line {
        QString text;
        QString eol;  // "\n", "\r\n" or "" for a last line without one
    };
    enum class Kind { Blank, Comment, Header, Section, DeleteSection, Value, DeleteValue, Other };
    struct Entry {
        Kind kind = Kind::Other;
        QList<Line> lines;     // the physical lines, as read
        bool ownRoot = false;  // Section/DeleteSection: names a key of this hive
        QStringList key;       // Section/DeleteSection
        QString name;          // Value/DeleteValue
        platform::registry::Value value;
    };
    struct Slot {
        QString name;
        platform::registry::Value value;
        int entry = -1;
    };
    struct KeyState {
        int lastSection = -1;
        // By folded name. A map, not a hash: a hash table per key would cost
        // kilobytes for each of a hive's many one-value keys.
        QMap<QString, Slot> values;
    };

    Entry parseLogicalLine(const QList<Line>& lines, qsizetype* consumed, qsizetype at) const;
    void parseSection(const QString& inner, Entry& entry) const;
    static bool parseValue(const QString& text, Entry& entry);
    Entry makeValueEntry(const QString& name, const platform::registry::Value& value) const;
    Entry makeLineEntry(Kind kind, const QString& text) const;
    void rebuild();
    QString eol() const;

    QString rootName_;
    QList<Entry> entries_;
    bool utf8Bom_ = false;
    // By folded path ("software\\korvane"), sorted so that the keys below one
    // key are a single run.
    QMap<QString, KeyState> keys_;
};

}  // namespace platform::registry
