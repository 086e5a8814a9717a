#include "elements/serial/device_gone.h"

namespace {
// A USB adapter that is pulled out, or that Windows re-enumerates after sleep
// or hibernation, leaves a handle whose requests its driver fails with one of
// these, depending on the driver and on how far the removal has gone. Under
// Wine, a pty whose other end has gone (hung up) fails them with
// ERROR_NOT_READY.
constexpr DWORD kDeviceGoneErrors[] = {
    ERROR_FILE_NOT_FOUND,    ERROR_ACCESS_DENIED,        ERROR_NOT_READY,
    ERROR_BAD_COMMAND,       ERROR_GEN_FAILURE,          ERROR_DEV_NOT_EXIST,
    ERROR_OPERATION_ABORTED, ERROR_DEVICE_NOT_CONNECTED, ERROR_DEVICE_REMOVED,
};
}  // namespace

bool IsDeviceGoneError(DWORD error) {
  for (const DWORD gone : kDeviceGoneErrors) {
    if (gone == error) return true;
  }
  return false;
}
