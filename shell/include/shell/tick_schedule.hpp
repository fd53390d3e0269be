#pragma once
// When the next frame step is due. Ticks lie on a fixed grid of one period from the start, so
// the rate does not drift. A tick that comes late runs once; the grid points it missed are
// dropped, never made up in a burst. Times are microseconds of a monotonic clock.
#include <cstdint>

namespace shell {

class TickSchedule {
 public:
  static constexpr std::int64_t kPeriodUs = 25'000;

  explicit TickSchedule(std::int64_t startUs) : due_(startUs + kPeriodUs) {}

  bool Due(std::int64_t nowUs) const { return nowUs >= due_; }

  // Call after running the tick that was due; `nowUs` is when it ran.
  void Ran(std::int64_t nowUs) {
    due_ += kPeriodUs;
    if (due_ <= nowUs) due_ += kPeriodUs * ((nowUs - due_) / kPeriodUs + 1);
  }

  // Whole milliseconds to wait for the next tick, rounded up so that a wait never ends early.
  int WaitMs(std::int64_t nowUs) const {
    if (nowUs >= due_) return 0;
    return static_cast<int>((due_ - nowUs + 999) / 1000);
  }

  std::int64_t NextDueUs() const { return due_; }

 private:
  std::int64_t due_;
};

}  // namespace shell
