#pragma once

#include <type_traits>

// A method pointer of the toolkit: the code of a member function and the object
// it is called on, two words, trivially copyable, no allocation. The code is a
// plain trampoline taking the object as its first argument.
template <class Signature>
struct TMethod;

template <class R, class... Args>
struct TMethod<R(Args...)> {
  using Code = R (*)(void* data, Args... args);
  Code Call = nullptr;
  void* Data = nullptr;

  explicit operator bool() const noexcept { return Call != nullptr; }
  R operator()(Args... args) const { return Call(Data, args...); }
  friend bool operator==(const TMethod& a, const TMethod& b) noexcept {
    return a.Call == b.Call && a.Data == b.Data;
  }
};

namespace method_detail {
template <auto Member>
struct Traits;

template <class Class, class R, class... Args, R (Class::*Member)(Args...)>
struct Traits<Member> {
  using Object = Class;
  using Method = TMethod<R(Args...)>;
  static R Call(void* data, Args... args) { return (static_cast<Class*>(data)->*Member)(args...); }
};
}  // namespace method_detail

// Binds the member function Member of `object`:
//   control->OnClick = MakeMethod<&TWDButton::HandleClick>(this);
template <auto Member>
typename method_detail::Traits<Member>::Method MakeMethod(
    typename method_detail::Traits<Member>::Object* object) {
  return {&method_detail::Traits<Member>::Call, object};
}

static_assert(std::is_trivially_copyable_v<TMethod<void(int)>>);
