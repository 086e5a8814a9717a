#pragma once

#include <mutex>
#include <string>
#include <vector>

// What the fake platform calls and the event recorder saw, in one sequence,
// so that tests can check how platform calls and fired events interleave.
// Written from the receive thread too.
class TCallLog {
 public:
  void Add(std::string entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
  }
  std::vector<std::string> Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
  }
  int Count(const std::string& entry) const {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (const std::string& e : entries_) count += e == entry ? 1 : 0;
    return count;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> entries_;
};
