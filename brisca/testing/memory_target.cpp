#include "brisca/testing/memory_target.h"

#include <time.h>

#include <utility>

#include "brisca/target/picture_copy.h"

namespace brisca::testing {
namespace {

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

MemoryTarget::MemoryTarget() : MemoryTarget(Options{}) {}

MemoryTarget::MemoryTarget(Options options)
    : keep_pixels_(options.keep_pixels), clock_(std::move(options.clock)) {
  target_.formats = options.formats;
  target_.present = &MemoryTarget::Present;
  target_.user = this;
}

void MemoryTarget::Present(BR_VIDEO_TARGET* target, const BR_PICTURE* picture) {
  auto* self = static_cast<MemoryTarget*>(target->user);
  const double tick = self->clock_ ? self->clock_() : 0;
  // Only copies cost enough to be worth the two system calls.
  const double cpu_start = self->keep_pixels_ ? ThreadCpuSeconds() : 0;
  std::function<void(const Presented&)> call;
  Presented noted{};
  {
    const std::lock_guard hold(self->mutex_);
    ++self->presents_;
    if (self->forbidden_) ++self->forbidden_presents_;
    if (self->Accepts(picture)) {
      noted = Presented{*picture, tick};
      self->presented_.push_back(noted);
      if (self->keep_pixels_) self->Keep(*picture);
      call = self->on_present_;
    } else {
      ++self->refused_;
    }
    if (self->keep_pixels_) self->cpu_seconds_ += ThreadCpuSeconds() - cpu_start;
  }
  if (call) call(noted);
}

bool MemoryTarget::Accepts(const BR_PICTURE* picture) const {
  return AcceptsPicture(target_.formats, picture);
}

void MemoryTarget::Keep(const BR_PICTURE& picture) { CopyPicture(picture, pixels_, overlay_); }

void MemoryTarget::OnPresent(std::function<void(const Presented&)> call) {
  const std::lock_guard hold(mutex_);
  on_present_ = std::move(call);
}

void MemoryTarget::ForbidPresents() {
  const std::lock_guard hold(mutex_);
  forbidden_ = true;
}

void MemoryTarget::AllowPresents() {
  const std::lock_guard hold(mutex_);
  forbidden_ = false;
}

size_t MemoryTarget::presents() const {
  const std::lock_guard hold(mutex_);
  return presents_;
}

size_t MemoryTarget::refused() const {
  const std::lock_guard hold(mutex_);
  return refused_;
}

size_t MemoryTarget::forbidden_presents() const {
  const std::lock_guard hold(mutex_);
  return forbidden_presents_;
}

std::vector<Presented> MemoryTarget::presented() const {
  const std::lock_guard hold(mutex_);
  return presented_;
}

std::vector<Presented> MemoryTarget::distinct() const {
  std::vector<Presented> out;
  for (const Presented& p : presented())
    if (out.empty() || out.back().timestamp != p.timestamp) out.push_back(p);
  return out;
}

Presented MemoryTarget::last() const {
  const std::lock_guard hold(mutex_);
  return presented_.empty() ? Presented{} : presented_.back();
}

std::vector<uint8_t> MemoryTarget::pixels() const {
  const std::lock_guard hold(mutex_);
  return pixels_;
}

std::vector<uint8_t> MemoryTarget::overlay() const {
  const std::lock_guard hold(mutex_);
  return overlay_;
}

double MemoryTarget::cpu_seconds() const {
  const std::lock_guard hold(mutex_);
  return cpu_seconds_;
}

}  // namespace brisca::testing
