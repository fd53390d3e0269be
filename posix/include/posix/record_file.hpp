#pragma once
// The record file on a POSIX system: loading, replacing it safely, and what saves cut short
// leave behind.
#include <string>

#include "store/record.hpp"

namespace store {

// The error for a system error number: ENOENT 2 (3 when it is the folder that is missing),
// ENOTDIR and ENAMETOOLONG 3, EMFILE and ENFILE 4, EACCES, EPERM, EROFS, EISDIR and ETXTBSY 5,
// ENOSPC and EDQUOT 101. Any other number n keeps n as its code, with the text "I/O エラー (n)"
// even where n happens to equal one of the codes above.
IoError ErrorFor(int err, bool folderMissing = false);

// Opens the existing file for reading and writing (never creates it) and reads its first
// 204 bytes into `record`. A shorter file overlays the bytes it has from offset 0 onto
// `record` and then throws code 100. Entries are taken as they are: no range, order or
// repair. Throws IoError.
void Load(const std::string& path, Record& record);

// Replaces the file with the 204 bytes of `record`, so that a failure or a kill at any point
// leaves a whole record, the former or the new one. Our own file in a plain folder is replaced
// by a temporary file beside it ("b_data.dat.XXXXXX") that reaches the disk and is renamed over
// it. Anyone else's record, one with other hard links, one in a sticky folder or in a folder
// that takes no new files is written in place instead: the 204 bytes over the old ones, and
// only then the length cut, so it keeps its owner, group, mode and links.
// A write-protected file still refuses the save (code 5). Throws IoError.
//
// Both Load and Save follow a link in the record's place only when nobody but the player could
// have put it there (the player or the superuser owns it, or no one else can write to its
// folder); any other link is refused with code 5 and a text that says why. Paths of any length
// work: everything is opened relative to the folder.
void Save(const std::string& path, const Record& record);

// Removes what saves cut short by a kill or a power loss left beside the record: plain files of
// ours named like its temporary files, no bigger than a record, in the record's own folder and
// nowhere else. Returns how many went.
int RemoveStaleTemporaries(const std::string& path);

}  // namespace store
