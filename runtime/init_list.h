#pragma once

// A method with no arguments: one entry of the start-up list.
struct TInitProc {
  void (*Code)(void* object) = nullptr;
  void* Object = nullptr;
};

namespace init_detail {
template <auto Member>
struct InitTraits;

template <class Element, void (Element::*Member)()>
struct InitTraits<Member> {
  using Class = Element;
  static void Call(void* object) { (static_cast<Element*>(object)->*Member)(); }
};
}  // namespace init_detail

template <auto Member>
TInitProc MakeInitProc(typename init_detail::InitTraits<Member>::Class& object) {
  return {&init_detail::InitTraits<Member>::Call, &object};
}

// Appends an entry to the start-up list.
void AddInitProc(const TInitProc& proc);

// Runs every entry in order, including entries appended while it runs, then
// empties the list.
void RunInitList();

// Number of entries waiting in the start-up list.
int InitListCount();

// Gives the list's memory back; called by the program's finalisers.
void FreeInitList();
