#include "elements/serial/line_errors.h"

namespace {
struct TLineError {
  DWORD flag;
  const char* message;
};

constexpr TLineError kLineErrors[] = {
    {CE_FRAME, "Receive Framing Error"},
    {CE_RXPARITY, "Receive Parity Error"},
    {CE_OVERRUN, "Receive Overrun Error"},
    {CE_RXOVER, "Receive Queue overflow"},
    {CE_TXFULL, "TX Queue is full"},
    {CE_BREAK, "Break Detected"},
    {CE_IOE, "Port I/O Error"},
    {CE_MODE, "Requested mode unsupported"},
};
}  // namespace

const char* LineErrorMessage(DWORD errors, bool parityCheck) {
  const char* message = "";
  for (const TLineError& error : kLineErrors) {
    if (error.flag == CE_RXPARITY && !parityCheck) continue;
    if (errors & error.flag) message = error.message;
  }
  return message;
}
