#include "shell/record_saver.hpp"

#include <exception>
#include <utility>

namespace shell {

RecordSaver::RecordSaver(FileLayer& files) : files_(files), thread_([this] { Run(); }) {}

RecordSaver::~RecordSaver() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void RecordSaver::Save(const store::Record& record) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    next_ = record;
  }
  wake_.notify_one();
}

void RecordSaver::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return !next_ && !writing_; });
}

std::optional<RecordSaver::Outcome> RecordSaver::Finished() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return std::exchange(finished_, std::nullopt);
}

void RecordSaver::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return next_ || stop_; });
    if (!next_) return;  // stopped with nothing left to write
    Outcome outcome{*std::exchange(next_, std::nullopt), false, {}};
    writing_ = true;
    lock.unlock();
    try {
      files_.SaveRecord(outcome.record);
      outcome.ok = true;
    } catch (const std::exception& e) {
      outcome.error = e.what();
    }
    lock.lock();
    writing_ = false;
    finished_ = std::move(outcome);
    if (!next_) idle_.notify_all();
  }
}

}  // namespace shell
