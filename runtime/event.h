#pragma once

#include <atomic>
#include <cstdint>

#include "runtime/data.h"

// The shape of every incoming method and data-answering method:
// (element, value, input number).
using TEventMethod = void (*)(void* target, TData& data, std::uint16_t index);

// An event point or data point: which method of which element receives the
// value, and under which input number. Method nil means unbound.
struct TWD_Event {
  TEventMethod Method = nullptr;
  void* Target = nullptr;
  std::uint16_t Index = 0;

  bool Bound() const noexcept { return Method != nullptr; }
};

namespace event_detail {
template <auto Member>
struct MemberTraits;

template <class Element, void (Element::*Member)(TData&, std::uint16_t)>
struct MemberTraits<Member> {
  using Class = Element;
  static void Call(void* target, TData& data, std::uint16_t index) {
    (static_cast<Element*>(target)->*Member)(data, index);
  }
};
}  // namespace event_detail

// Binds `point` to the incoming method Member of `target` under input `index`:
//   MakePoint<&TWDHub::doEvent>(hub, 0, button.onClick);
// The trampoline is a plain function: no allocation, the point stays three words.
template <auto Member>
void MakePoint(typename event_detail::MemberTraits<Member>::Class& target, std::uint16_t index,
               TWD_Event& point) {
  point.Method = &event_detail::MemberTraits<Member>::Call;
  point.Target = &target;
  point.Index = index;
}

// The two hooks every firing and every query goes through. They are written on
// the GUI thread only (start-up, main window closing) but read by the serial
// receive thread too, hence atomic.
using TDispatchProc = void (*)(const TWD_Event& point, TData& data);
extern std::atomic<TDispatchProc> EventDispatch;
extern std::atomic<TDispatchProc> QueryDispatch;

void NoDispatch(const TWD_Event& point, TData& data);
void RunEventChain(const TWD_Event& point, TData& data);
void RunQuery(const TWD_Event& point, TData& data);
void EnableDispatch();
void DisableDispatch();

// Firing.
void FireNull(const TWD_Event& point);
void FireInteger(const TWD_Event& point, std::int32_t value);
void FireText(const TWD_Event& point, const TText& text);
void FireData(const TWD_Event& point, const TData& value);

// Reading a data input: the bound data point unless it answers Break, else the
// element's own property when set, else the head of the incoming value.
TData FetchData(TData& data, const TWD_Event& point, const TData& def);
std::int32_t FetchInteger(TData& data, const TWD_Event& point, std::int32_t def);
TText FetchText(TData& data, const TWD_Event& point, const TText& def);
std::int32_t QueryInteger(const TWD_Event& point);
void AskPoint(TData& record, const TWD_Event& point);

// Marks `data` so that the dispatcher running it continues with `point`.
void PassOn(TData& data, const TWD_Event& point, const TData& value);
// The same for a value the caller no longer needs: its text moves instead of
// being shared once more.
void PassOn(TData& data, const TWD_Event& point, TData&& value);
