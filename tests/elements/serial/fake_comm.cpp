#include "tests/elements/serial/fake_comm.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {
TFakeComm* gFake = nullptr;

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
  return text;
}

bool IsPort(HANDLE h) { return h == TFakeComm::Port(); }

// Ends an operation the way a driver does: status and count first, then the
// event the caller waits on.
bool Complete(LPOVERLAPPED ov, ULONG_PTR status, ULONG_PTR count) {
  ov->InternalHigh = count;
  ov->Internal = status;
  return ::SetEvent(ov->hEvent) != FALSE;
}

void Begin(LPOVERLAPPED ov) {
  ::ResetEvent(ov->hEvent);
  ov->Internal = kStatusPending;
  ov->InternalHigh = 0;
}

BOOL Refuse(DWORD error) {
  ::SetLastError(error);
  return FALSE;
}

BOOL Pending() { return Refuse(ERROR_IO_PENDING); }

// Counts one call to the device; true when it is the one to refuse. Called
// with the fake's lock held.
bool Refused(const char* call) {
  if (++gFake->driverCalls != gFake->failCall) return false;
  gFake->failedCall = call;
  return true;
}

HANDLE WINAPI FakeCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                              DWORD creation, DWORD flags, HANDLE) {
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add(std::string("CreateFileA ") + name);
  gFake->deviceName = name;
  gFake->access = access;
  gFake->share = share;
  gFake->creation = creation;
  gFake->flags = flags;
  if (gFake->createFails || Refused("CreateFileA")) {
    ::SetLastError(gFake->createError);
    return INVALID_HANDLE_VALUE;
  }
  return TFakeComm::Port();
}

BOOL WINAPI FakeCloseHandle(HANDLE h) {
  if (IsPort(h)) {
    gFake->log.Add("CloseHandle port");
    return TRUE;
  }
  {
    std::lock_guard lock(gFake->mutex);
    gFake->closedHandles.push_back(h);
  }
  return h == TFakeComm::PortCopy() || ::CloseHandle(h);
}

BOOL WINAPI FakeDuplicateHandle(HANDLE from, HANDLE h, HANDLE to, LPHANDLE copy, DWORD access,
                                BOOL inherit, DWORD options) {
  if (!IsPort(h)) return ::DuplicateHandle(from, h, to, copy, access, inherit, options);
  std::lock_guard lock(gFake->mutex);
  *copy = TFakeComm::PortCopy();
  gFake->madeHandles.push_back(*copy);
  return TRUE;
}

BOOL WINAPI FakeGetCommState(HANDLE, LPDCB dcb) {
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add("GetCommState");
  if (gFake->getStateFails || Refused("GetCommState")) return Refuse(ERROR_GEN_FAILURE);
  *dcb = gFake->driverState;
  return TRUE;
}

BOOL WINAPI FakeSetCommState(HANDLE, LPDCB dcb) {
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add("SetCommState");
  gFake->stateSet = *dcb;
  return gFake->setStateFails || Refused("SetCommState") ? Refuse(ERROR_INVALID_PARAMETER) : TRUE;
}

BOOL WINAPI FakeSetupComm(HANDLE, DWORD in, DWORD out) {
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add("SetupComm " + std::to_string(in) + " " + std::to_string(out));
  gFake->inQueueSet = in;
  gFake->outQueueSet = out;
  return gFake->setupFails || Refused("SetupComm") ? Refuse(ERROR_INVALID_PARAMETER) : TRUE;
}

BOOL WINAPI FakeSetCommTimeouts(HANDLE, LPCOMMTIMEOUTS timeouts) {
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add("SetCommTimeouts");
  gFake->timeoutsSet = *timeouts;
  return gFake->setTimeoutsFails || Refused("SetCommTimeouts") ? Refuse(ERROR_INVALID_PARAMETER)
                                                               : TRUE;
}

BOOL WINAPI FakeSetCommMask(HANDLE, DWORD mask) {
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add("SetCommMask " + Hex(mask));
  if (gFake->setMaskFails || Refused("SetCommMask")) return Refuse(ERROR_INVALID_PARAMETER);
  gFake->mask = mask;
  // A mask of 0 completes a pending wait with an empty event word.
  if (mask == 0 && gFake->pendingWait && !gFake->maskZeroIgnored) {
    *gFake->pendingWord = 0;
    Complete(gFake->pendingWait, kStatusSuccess, 0);
    gFake->pendingWait = nullptr;
  }
  return TRUE;
}

BOOL WINAPI FakePurgeComm(HANDLE, DWORD flags) {
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add("PurgeComm " + Hex(flags));
  if ((flags & PURGE_TXABORT) && gFake->flushMode == TFlushMode::HangsUntilPurge) {
    ::SetEvent(gFake->flushRelease);
  }
  return gFake->purgeFails || Refused("PurgeComm") ? Refuse(ERROR_GEN_FAILURE) : TRUE;
}

BOOL WINAPI FakeFlushFileBuffers(HANDLE h) {
  gFake->log.Add("FlushFileBuffers");
  HANDLE release = nullptr;
  {
    std::lock_guard lock(gFake->mutex);
    gFake->flushed.push_back(h);
    if (Refused("FlushFileBuffers")) return Refuse(ERROR_GEN_FAILURE);
    if (gFake->flushMode != TFlushMode::Returns) release = gFake->flushRelease;
  }
  // Touches nothing of the fake once it waits: the test may end meanwhile.
  if (release) ::WaitForSingleObject(release, INFINITE);
  return TRUE;
}

BOOL WINAPI FakeCancelSynchronousIo(HANDLE thread) {
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add("CancelSynchronousIo");
  if (gFake->flushMode == TFlushMode::HangsUntilCancel) ::SetEvent(gFake->flushRelease);
  return ::CancelSynchronousIo(thread);
}

LPVOID WINAPI FakeHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
  LPVOID block = ::HeapAlloc(heap, flags, size);
  std::lock_guard lock(gFake->mutex);
  if (block) gFake->blocks.push_back(block);
  return block;
}

BOOL WINAPI FakeHeapFree(HANDLE heap, DWORD, LPVOID block) {
  std::lock_guard lock(gFake->mutex);
  // Poisoned, and kept until the fake ends; a second free is only counted.
  if (++gFake->frees[block] == 1) std::memset(block, 0xDD, ::HeapSize(heap, 0, block));
  return TRUE;
}

BOOL WINAPI FakeClearCommError(HANDLE, LPDWORD errors, LPCOMSTAT status) {
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add("ClearCommError");
  if (gFake->clearErrorFails || Refused("ClearCommError")) return Refuse(ERROR_GEN_FAILURE);
  *errors = 0;
  if (!gFake->errorWords.empty()) {
    *errors = gFake->errorWords.front();
    gFake->errorWords.pop_front();
  }
  *status = COMSTAT{};
  status->cbInQue = gFake->inQueue;
  if (!gFake->outQueues.empty()) {
    status->cbOutQue = gFake->outQueues.front();
    if (gFake->outQueues.size() > 1) gFake->outQueues.pop_front();
  }
  return TRUE;
}

BOOL WINAPI FakeGetCommModemStatus(HANDLE, LPDWORD status) {
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add("GetCommModemStatus");
  if (gFake->modemFails || Refused("GetCommModemStatus")) return Refuse(ERROR_NOT_SUPPORTED);
  *status = gFake->modemStatus;
  return TRUE;
}

BOOL WINAPI FakeEscapeCommFunction(HANDLE, DWORD code) {
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add("EscapeCommFunction " + std::to_string(code));
  return gFake->escapeFails || Refused("EscapeCommFunction") ? Refuse(ERROR_NOT_SUPPORTED) : TRUE;
}

BOOL WINAPI FakeWaitCommEvent(HANDLE, LPDWORD word, LPOVERLAPPED ov) {
  std::lock_guard lock(gFake->mutex);
  ++gFake->waitCalls;
  gFake->waitEvent = ov->hEvent;
  // Refused at once as Windows refuses a wait: the record is left pending and
  // its event unsignalled.
  Begin(ov);
  if (gFake->mask == 0 || Refused("WaitCommEvent")) return Refuse(ERROR_INVALID_PARAMETER);
  TWaitAction action = gFake->idleWait;
  if (!gFake->waits.empty()) {
    action = gFake->waits.front();
    gFake->waits.pop_front();
  }
  switch (action.step) {
    case TWaitStep::Complete:
      *word = action.word;
      Complete(ov, kStatusSuccess, 0);
      return TRUE;
    case TWaitStep::FailAtOnce: return Refuse(ERROR_INVALID_PARAMETER);
    case TWaitStep::Abort: Complete(ov, kStatusCancelled, 0); return Pending();
    case TWaitStep::Pend:
      gFake->pendingWait = ov;
      gFake->pendingWord = word;
      return Pending();
  }
  return Pending();
}

BOOL WINAPI FakeWriteFile(HANDLE, LPCVOID bytes, DWORD length, LPDWORD count, LPOVERLAPPED ov) {
  std::unique_lock lock(gFake->mutex);
  const HANDLE hold = std::exchange(gFake->holdWrite, nullptr);
  gFake->log.Add("WriteFile " + std::to_string(length));
  if (hold) {
    lock.unlock();
    ::WaitForSingleObject(hold, INFINITE);
    lock.lock();
  }
  gFake->written.append(static_cast<const char*>(bytes), length);
  gFake->writeEvents.push_back(ov->hEvent);
  const DWORD done = gFake->writeCount == MAXDWORD ? length : gFake->writeCount;
  Begin(ov);
  if (Refused("WriteFile")) return Refuse(gFake->writeError);
  switch (gFake->writeMode) {
    case TWriteMode::Complete:
      *count = length;
      Complete(ov, kStatusSuccess, length);
      return TRUE;
    case TWriteMode::PendThenComplete: Complete(ov, kStatusSuccess, done); return Pending();
    case TWriteMode::PendThenFail: Complete(ov, kStatusIoTimeout, done); return Pending();
    case TWriteMode::FailAtOnce: return Refuse(gFake->writeError);
    case TWriteMode::Never: gFake->pendingWrite = ov; return Pending();
  }
  return Pending();
}

BOOL WINAPI FakeCancelIoEx(HANDLE h, LPOVERLAPPED ov) {
  if (!IsPort(h)) return ::CancelIoEx(h, ov);
  std::lock_guard lock(gFake->mutex);
  gFake->log.Add("CancelIoEx");
  if (gFake->cancelIgnored) return TRUE;
  if (gFake->pendingWait && (ov == nullptr || ov == gFake->pendingWait)) {
    Complete(gFake->pendingWait, kStatusCancelled, 0);
    gFake->pendingWait = nullptr;
    return TRUE;
  }
  if (gFake->pendingWrite && (ov == nullptr || ov == gFake->pendingWrite)) {
    Complete(gFake->pendingWrite, kStatusCancelled, 0);
    gFake->pendingWrite = nullptr;
    return TRUE;
  }
  return Refuse(ERROR_NOT_FOUND);
}

HANDLE WINAPI FakeCreateEventA(LPSECURITY_ATTRIBUTES sa, BOOL manual, BOOL initial, LPCSTR name) {
  std::lock_guard lock(gFake->mutex);
  if (gFake->createEventFails) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  const HANDLE event = ::CreateEventA(sa, manual, initial, name);
  gFake->madeHandles.push_back(event);
  return event;
}

BOOL WINAPI FakeGetOverlappedResult(HANDLE h, LPOVERLAPPED ov, LPDWORD count, BOOL wait) {
  {
    std::lock_guard lock(gFake->mutex);
    if (Refused("GetOverlappedResult")) return Refuse(ERROR_GEN_FAILURE);
  }
  return ::GetOverlappedResult(h, ov, count, wait);
}

DWORD WINAPI FakeWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL all, DWORD ms) {
  {
    std::lock_guard lock(gFake->mutex);
    if (gFake->multipleWaitFails) {
      ::SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
  }
  return ::WaitForMultipleObjects(count, handles, all, ms);
}

HANDLE WINAPI FakeCreateThread(LPSECURITY_ATTRIBUTES sa, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                               LPVOID param, DWORD flags, LPDWORD id) {
  // The close's flushing thread is handed the port; the receive thread its block.
  const bool flusher = param == TFakeComm::Port() || param == TFakeComm::PortCopy();
  gFake->log.Add(flusher ? "CreateThread flush" : "CreateThread");
  std::lock_guard lock(gFake->mutex);
  if (gFake->createThreadFails) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  const HANDLE thread = ::CreateThread(sa, stack, start, param, flags, id);
  gFake->madeHandles.push_back(thread);
  return thread;
}
}  // namespace

TFakeComm::TFakeComm(TCallLog& callLog) : log(callLog) {
  driverState.DCBlength = sizeof(DCB);
  gFake = this;
  CommApi.CreateFileA = FakeCreateFileA;
  CommApi.CloseHandle = FakeCloseHandle;
  CommApi.DuplicateHandle = FakeDuplicateHandle;
  CommApi.GetCommState = FakeGetCommState;
  CommApi.SetCommState = FakeSetCommState;
  CommApi.SetupComm = FakeSetupComm;
  CommApi.SetCommTimeouts = FakeSetCommTimeouts;
  CommApi.SetCommMask = FakeSetCommMask;
  CommApi.PurgeComm = FakePurgeComm;
  CommApi.FlushFileBuffers = FakeFlushFileBuffers;
  CommApi.ClearCommError = FakeClearCommError;
  CommApi.GetCommModemStatus = FakeGetCommModemStatus;
  CommApi.EscapeCommFunction = FakeEscapeCommFunction;
  CommApi.WaitCommEvent = FakeWaitCommEvent;
  CommApi.WriteFile = FakeWriteFile;
  CommApi.GetOverlappedResult = FakeGetOverlappedResult;
  CommApi.CancelIoEx = FakeCancelIoEx;
  CommApi.CreateEventA = FakeCreateEventA;
  CommApi.WaitForMultipleObjects = FakeWaitForMultipleObjects;
  CommApi.CreateThread = FakeCreateThread;
  CommApi.CancelSynchronousIo = FakeCancelSynchronousIo;
  CommApi.HeapAlloc = FakeHeapAlloc;
  CommApi.HeapFree = FakeHeapFree;
  flushRelease = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

// A flush still hanging is let go; its event stays, as a flushing thread may
// not have reached its wait yet.
TFakeComm::~TFakeComm() {
  ::SetEvent(flushRelease);
  gFake = nullptr;
  for (const auto& [block, count] : frees) ::HeapFree(::GetProcessHeap(), 0, block);
}

bool TFakeComm::Deliver(DWORD word) {
  std::lock_guard lock(mutex);
  if (!pendingWait) {
    waits.push_back({TWaitStep::Complete, word});
    return true;
  }
  *pendingWord = word;
  const bool signalled = Complete(pendingWait, kStatusSuccess, 0);
  pendingWait = nullptr;
  return signalled;
}

bool TFakeComm::CompleteWrite(DWORD count) {
  std::lock_guard lock(mutex);
  if (!pendingWrite) return false;
  const bool signalled = Complete(pendingWrite, kStatusSuccess, count);
  pendingWrite = nullptr;
  return signalled;
}

void TFakeComm::ReleaseFlush() { ::SetEvent(flushRelease); }

std::vector<void*> TFakeComm::Blocks() {
  std::lock_guard lock(mutex);
  return blocks;
}

int TFakeComm::FreesOf(void* block) {
  std::lock_guard lock(mutex);
  const auto found = frees.find(block);
  return found == frees.end() ? 0 : found->second;
}

int TFakeComm::WaitCalls() {
  std::lock_guard lock(mutex);
  return waitCalls;
}

bool TFakeComm::WaitPending() {
  std::lock_guard lock(mutex);
  return pendingWait != nullptr;
}

DWORD FlagWord(const DCB& dcb) {
  DWORD word = 0;
  std::memcpy(&word, reinterpret_cast<const char*>(&dcb) + offsetof(DCB, BaudRate) + sizeof(DWORD),
              sizeof word);
  return word;
}
