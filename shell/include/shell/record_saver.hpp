#pragma once
// The saves the game makes of its own accord (a time ranked, the level changed), made on a
// thread of their own so that a disk slow to flush never holds up a tick: the tick hands the
// record over and goes on. Saves are written in order, one at a time; a record handed over
// while another is being written waits, and a newer one takes its place.
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "shell/platform.hpp"

namespace shell {

class RecordSaver {
 public:
  // Throws std::system_error when no thread can be made.
  explicit RecordSaver(FileLayer& files);
  // Writes what it was handed, then ends its thread.
  ~RecordSaver();
  RecordSaver(const RecordSaver&) = delete;
  RecordSaver& operator=(const RecordSaver&) = delete;

  void Save(const store::Record& record);
  // Returns once every record handed over has been written or has failed.
  void Wait();

  struct Outcome {
    store::Record record;  // the record the save tried
    bool ok = false;
    std::string error;  // why it failed
  };
  // The newest save finished since the last call, if any.
  std::optional<Outcome> Finished();

 private:
  void Run();

  FileLayer& files_;
  std::mutex mutex_;
  std::condition_variable wake_;  // a record to write, or the end
  std::condition_variable idle_;  // nothing left to write
  std::optional<store::Record> next_;
  bool writing_ = false;
  bool stop_ = false;
  std::optional<Outcome> finished_;
  std::thread thread_;  // last: it starts once everything it uses is made
};

}  // namespace shell
