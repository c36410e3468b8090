#pragma once

// A full disk as SQLite in this process meets it: while full, every write
// SQLite makes to a database file or its write-ahead log fails with ENOSPC,
// on every connection and thread, so SQLite reports "database or disk is
// full". Its shared-memory index, which lives in memory, is spared. The
// writes go through SQLite's own replaceable system calls, set once before
// any connection opens; only the flag changes afterwards.
namespace FullDisk {

bool install();
void setFull(bool full);

} // namespace FullDisk
