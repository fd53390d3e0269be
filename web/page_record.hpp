#pragma once
// The record in the page's own storage (pre.js keeps it, in localStorage and IndexedDB): the
// 204 bytes read and written synchronously, as a file would be.
#include <string>

#include "store/record.hpp"

namespace web {

enum class Loaded {
  Record,  // `bytes` hold the newest record the page keeps
  None,    // no record yet: a first visit
  Failed,  // `error` says why, in the player's words
};

Loaded LoadRecordBytes(store::RecordBytes& bytes, std::string& error);

// False, with the reason in `error`, when the page could not keep the bytes.
bool SaveRecordBytes(const store::RecordBytes& bytes, std::string& error);

// False when the browser gives the page no storage at all: the page has said so once, and the
// times last for the visit.
bool PageKeepsRecords();

}  // namespace web
