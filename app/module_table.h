#pragma once

#include <cstddef>
#include <span>

// One module's start-up and tear-down step; either may be nil.
struct TModuleStep {
  void (*Init)() = nullptr;
  void (*Fini)() = nullptr;
};

// Runs module initialisers in order and, at exit, the finalisers of those that
// ran in reverse order. A finaliser runs at most once, even when tear-down is
// entered again (an error raised by a finaliser comes back through the exit
// path, which then carries on with the remaining finalisers).
class TModuleTable {
 public:
  constexpr explicit TModuleTable(std::span<const TModuleStep> steps) : steps_(steps) {}

  // An initialiser counts as run as soon as it starts, so that a module whose
  // initialiser failed half-way still releases what it had set up. Once tear-down
  // has begun nothing is initialised any more.
  void Initialise() {
    while (!closing_ && started_ < steps_.size()) {
      const TModuleStep& step = steps_[started_++];
      if (step.Init) step.Init();
    }
  }

  void Finalise() {
    closing_ = true;
    while (started_ > 0) {
      const TModuleStep& step = steps_[--started_];
      if (step.Fini) step.Fini();
    }
  }

  std::size_t InitialisedCount() const { return started_; }

 private:
  std::span<const TModuleStep> steps_;
  std::size_t started_ = 0;
  bool closing_ = false;
};
