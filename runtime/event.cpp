#include "runtime/event.h"

#include <utility>

// Both hooks start inactive: nothing fires or answers before the program start
// switches dispatch on.
std::atomic<TDispatchProc> EventDispatch{&NoDispatch};
std::atomic<TDispatchProc> QueryDispatch{&NoDispatch};

void NoDispatch(const TWD_Event&, TData&) {}

void RunEventChain(const TWD_Event& point, TData& data) {
  // A receiver that passes the value on marks the record and returns; the chain
  // continues here, in this loop, so the stack stays flat however long it is.
  const TWD_Event* p = &point;
  while (p != nullptr && p->Method != nullptr) {
    p->Method(p->Target, data, p->Index);
    if ((data.DataType & PassOnMark) == 0) return;
    data.DataType = static_cast<std::uint8_t>(data.DataType - PassOnMark);
    p = data.PassOnPoint;
  }
}

void RunQuery(const TWD_Event& point, TData& data) {
  if (point.Method != nullptr) point.Method(point.Target, data, point.Index);
}

void EnableDispatch() {
  EventDispatch.store(&RunEventChain, std::memory_order_release);
  QueryDispatch.store(&RunQuery, std::memory_order_release);
}

void DisableDispatch() {
  EventDispatch.store(&NoDispatch, std::memory_order_release);
  QueryDispatch.store(&NoDispatch, std::memory_order_release);
}

namespace {

void Dispatch(const TWD_Event& point, TData& data) {
  EventDispatch.load(std::memory_order_acquire)(point, data);
}

void Query(const TWD_Event& point, TData& data) {
  QueryDispatch.load(std::memory_order_acquire)(point, data);
}

}  // namespace

void FireNull(const TWD_Event& point) {
  TData record;
  Dispatch(point, record);
}

void FireInteger(const TWD_Event& point, std::int32_t value) {
  TData record;
  MakeInteger(record, value);
  Dispatch(point, record);
}

void FireText(const TWD_Event& point, const TText& text) {
  TData record;
  MakeString(record, text);
  Dispatch(point, record);
}

void FireData(const TWD_Event& point, const TData& value) {
  // The receivers work on this copy only: the caller's record stays as it was.
  TData record = value;
  Dispatch(point, record);
}

TData FetchData(TData& data, const TWD_Event& point, const TData& def) {
  TData result;
  if (point.Bound()) {
    MakeNull(result);
    Query(point, result);
    result.Next = nullptr;
    if (result.DataType != dtBreak) return result;
  }
  if (def.DataType != dtNull) return def;
  result = data;
  result.Next = nullptr;
  // A NULL head carries no value, so nothing behind it is taken either.
  if (data.DataType == dtNull) data.Next = nullptr;
  DropHead(data);
  return result;
}

std::int32_t FetchInteger(TData& data, const TWD_Event& point, std::int32_t def) {
  if (point.Bound()) {
    TData answer;
    Query(point, answer);
    if (answer.DataType != dtBreak) return AsInteger(answer);
  }
  if (def != 0) return def;
  if (data.DataType != dtNull) {
    const std::int32_t value = AsInteger(data);
    DropHead(data);
    return value;
  }
  return def;
}

TText FetchText(TData& data, const TWD_Event& point, const TText& def) {
  if (point.Bound()) {
    TData answer;
    Query(point, answer);
    if (answer.DataType != dtBreak) return AsText(answer);
  }
  if (!def.Empty()) return def;
  if (data.DataType != dtNull) {
    TText value = AsText(data);
    DropHead(data);
    return value;
  }
  return def;
}

std::int32_t QueryInteger(const TWD_Event& point) {
  TData answer;
  Query(point, answer);
  return AsInteger(answer);
}

void AskPoint(TData& record, const TWD_Event& point) {
  if (point.Bound())
    Query(point, record);
  else
    record.DataType = dtBreak;
}

namespace {
void MarkPassOn(TData& data, const TWD_Event& point) {
  data.DataType = static_cast<std::uint8_t>(data.DataType | PassOnMark);
  data.PassOnPoint = &point;
}
}  // namespace

void PassOn(TData& data, const TWD_Event& point, const TData& value) {
  data = value;
  MarkPassOn(data, point);
}

void PassOn(TData& data, const TWD_Event& point, TData&& value) {
  data = std::move(value);
  MarkPassOn(data, point);
}
