#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace grow_detail {
// Moves `items` to a block of `capacity` items of `itemSize` bytes (nil and no
// block for 0); out of memory goes to RaiseOutOfMemory.
void* Reallocate(void* items, std::size_t capacity, std::size_t itemSize);
}  // namespace grow_detail

// A growable array of trivially copyable items on the C heap: the runtime's
// lists without the weight of the standard containers. One owner; new items
// start zero-filled, which for event points and start-up entries means unbound.
template <class T>
class TGrowArray {
  static_assert(std::is_trivially_copyable_v<T>, "items are moved with realloc");

 public:
  constexpr TGrowArray() noexcept = default;
  TGrowArray(const TGrowArray&) = delete;
  TGrowArray& operator=(const TGrowArray&) = delete;
  ~TGrowArray() { Free(); }

  std::size_t Count() const noexcept { return count_; }
  T& operator[](std::size_t index) noexcept { return items_[index]; }
  const T& operator[](std::size_t index) const noexcept { return items_[index]; }
  T* begin() noexcept { return items_; }
  T* end() noexcept { return items_ + count_; }

  // `item` may be one of this array's own items: it is copied before the block moves.
  void Append(const T& item) {
    const T copy = item;
    if (count_ == capacity_) Reserve(capacity_ < 4 ? 4 : capacity_ * 2);
    items_[count_++] = copy;
  }

  void Resize(std::size_t count) {
    if (count > capacity_) Reserve(count);
    if (count > count_)
      std::memset(static_cast<void*>(items_ + count_), 0, (count - count_) * sizeof(T));
    count_ = count;
  }

  // Empties the array and gives its memory back.
  void Free() noexcept {
    items_ = static_cast<T*>(grow_detail::Reallocate(items_, 0, sizeof(T)));
    count_ = capacity_ = 0;
  }

 private:
  void Reserve(std::size_t capacity) {
    items_ = static_cast<T*>(grow_detail::Reallocate(items_, capacity, sizeof(T)));
    capacity_ = capacity;
  }

  T* items_ = nullptr;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
};
