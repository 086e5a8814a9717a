#include "app/shell_state.h"

std::uint32_t InnerMessageId = 0;
TStrListEx* FormWindowList = nullptr;
TWDHintManager* GlobalHintManager = nullptr;
