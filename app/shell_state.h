#pragma once

#include <cstdint>

class TStrListEx;
class TWDHintManager;

// Id of the registered window message "inner message", which main forms post
// to one another.
extern std::uint32_t InnerMessageId;

// The main forms' windows: empty texts with the window handle as object value.
extern TStrListEx* FormWindowList;

// The process-wide hint manager; stays until the process ends.
extern TWDHintManager* GlobalHintManager;
