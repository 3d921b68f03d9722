#include "brisca/engine/tick_clock.h"

#include <chrono>
#include <thread>

#include "brisca/base/event.h"

namespace brisca {
namespace {

class SteadyTickClock final : public TickClock {
 public:
  uint32_t Now() override {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  }
  void Sleep(uint32_t ms, CEvent* wake) override {
    if (ms == 0) {
      std::this_thread::yield();
    } else if (wake) {
      wake->Wait(ms);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
  }
};

}  // namespace

TickClock& SystemTickClock() {
  static SteadyTickClock clock;
  return clock;
}

}  // namespace brisca
