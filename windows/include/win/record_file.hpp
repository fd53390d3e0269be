#pragma once
// The record file on Windows: the same 204 bytes and the same rules as on the other systems,
// with Windows' own means. Paths are UTF-8 and reach Windows as UTF-16.
#include <string>

#include "store/record.hpp"

namespace win {

// The error for a Windows error code, by meaning: ERROR_FILE_NOT_FOUND 2,
// ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME, ERROR_BAD_PATHNAME,
// ERROR_DIRECTORY and ERROR_FILENAME_EXCED_RANGE 3, ERROR_TOO_MANY_OPEN_FILES 4,
// ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION and ERROR_WRITE_PROTECT 5,
// ERROR_DISK_FULL and ERROR_HANDLE_DISK_FULL 101. Any other code n reads "I/O エラー (n)".
store::IoError ErrorFor(unsigned long err);

// Opens the existing record for reading and writing (never creates it) and reads its first
// 204 bytes into `record`; a shorter file overlays what it has, then throws code 100. A
// read-only file is refused (code 5), as the save would refuse it. Throws store::IoError.
void Load(const std::string& path, store::Record& record);

// Replaces the record so that a failure or a kill at any moment leaves a whole record, the
// former or the new one: the 204 bytes go to a new file beside it ("b_data.dat.XXXXXX"), which
// is flushed to the disk and moved over the record in one step. Where no new file can be made
// or moved there (a folder that takes no new files, a full disk, a record another program holds
// open), and for a record with other hard links or behind a link, the bytes are written over the
// old ones in place, flushed, and only then is the length cut; a write that fails part-way puts
// the old bytes back. A read-only record refuses the save (code 5). Throws store::IoError.
void Save(const std::string& path, const store::Record& record);

// Removes what saves cut short left beside the record: plain files named like its temporary
// files, no bigger than a record, in the record's own folder. Returns how many went.
int RemoveStaleTemporaries(const std::string& path);

}  // namespace win
