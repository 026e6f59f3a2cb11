// Reading and changing the hives on disk. Reads never fail: a missing or
// unreadable hive reads as empty. Changes are crash-safe and safe against a
// second running instance of the program (see updateHive).
//
// These calls are also the way tests set up hives: writeValue() goes through
// the very writer the program uses, e.g.
//   writeValue(Root::LocalMachine, "SOFTWARE\\Vendor\\Tool", "PATH",
//              Value::string("C:\\tool.exe"));
#pragma once

#include "platform/registry/hive_format.h"
#include "platform/registry/hive_location.h"
#include "platform/registry/value.h"

#include <functional>
#include <optional>

namespace platform::registry {

// The hive as it is on disk now. A hive that cannot be read or parsed reads
// as empty, and says so once on stderr. Only a regular file of at most 1 MB
// is read: a FIFO, a device or a larger file reads as empty too (and is
// moved aside by the next write, as one that cannot be parsed).
HiveDocument readHive(Root root);

// While one lives on this thread, each hive is read from disk once: later
// reads get the document the first one made, until a write through
// updateHive changes that hive. For reads that belong together, such as the
// window's four measures at start-up. Nested batches share the outer one's.
class ReadBatch {
public:
    ReadBatch();
    ~ReadBatch();
    ReadBatch(const ReadBatch&) = delete;
    ReadBatch& operator=(const ReadBatch&) = delete;

private:
    bool owner_;
};

// key: a key path below the root, parts separated by backslashes.
std::optional<Value> readValue(Root root, const QString& key, const QString& name);
bool keyExists(Root root, const QString& key);

// Changes a hive: takes the hive's lock (a lock file beside it, shared with
// other processes), re-reads the file, applies change, writes a temporary
// file in the same folder, flushes it to disk and renames it over the old
// one, then unlocks. A missing folder is created. Throws
// platform::Error(err::RegistryWrite) when the hive may not be written (see
// hiveWritable), the lock cannot be had within about a second (another
// process holds it), or the file cannot be written; the old file is then
// unchanged.
//
// A hive file that cannot be parsed, or that readHive does not read (not a
// regular file, larger than 1 MB), is never overwritten: it is moved aside
// to "<hive>.bad" (".bad.1", ".bad.2" ... when that exists), a new hive is
// written with the change, a note goes to stderr, and then the call throws
// err::RegistryWrite naming the moved file. So nothing is lost: the old
// content stays whole for a person to look at, the new value is stored, and
// the caller learns that the old values are no longer in effect.
void updateHive(Root root, const std::function<void(HiveDocument&)>& change);

void writeValue(Root root, const QString& key, const QString& name, const Value& value);

namespace hooks {
// Called by updateHive after the new content is in the temporary file and
// before that file replaces the hive: a test throws or ends the process here
// to act out a crash in the middle of a write. Empty to remove.
void setBeforeCommitHook(std::function<void()> hook);
}  // namespace hooks

}  // namespace platform::registry
