#include "runtime/do_data.h"

#include <utility>

void TWDDoData::doData(TData& data, std::uint16_t) {
  MakeNull(data);  // the value that arrived is discarded
  TData value = FetchData(data, readData, Data);
  // Handed back to the dispatcher instead of fired: long chains stay flat.
  PassOn(data, onData, std::move(value));
}
