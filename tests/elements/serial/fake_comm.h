#pragma once

#include <windows.h>

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "elements/serial/comm_api.h"
#include "tests/elements/serial/call_log.h"

// NTSTATUS values the fakes leave in an overlapped record; the real
// GetOverlappedResult turns them into its result and last error.
inline constexpr ULONG_PTR kStatusSuccess = 0;
inline constexpr ULONG_PTR kStatusPending = 0x103;
inline constexpr ULONG_PTR kStatusCancelled = 0xC0000120;
inline constexpr ULONG_PTR kStatusIoTimeout = 0xC00000B5;

// What one WaitCommEvent call does.
enum class TWaitStep {
  Complete,    // completes at once with an event word
  FailAtOnce,  // refused at once (a driver refusing the mask); also after a mask of 0
  Abort,       // answers pending, then completes empty as aborted (Wine, idle)
  Pend,        // stays pending until Deliver, a mask of 0 or a cancel
};

struct TWaitAction {
  TWaitStep step = TWaitStep::Pend;
  DWORD word = 0;
};

enum class TWriteMode {
  Complete,          // WriteFile succeeds at once
  PendThenComplete,  // answers pending, completes with writeCount bytes
  PendThenFail,      // answers pending, completes with a time-out error
  FailAtOnce,        // refuses with writeError
  Never,             // stays pending until cancelled (or CompleteWrite)
};

// What FlushFileBuffers does.
enum class TFlushMode {
  Returns,            // returns at once
  HangsUntilPurge,    // until a purge aborts the output (PURGE_TXABORT)
  HangsUntilCancel,   // until CancelSynchronousIo on the flushing thread
  HangsUntilRelease,  // until the test calls ReleaseFlush
};

// A serial device behind the seam. While one is alive, every call the
// element makes on its port goes to the fake; events, threads and waits stay
// real. Configure before opening; the receive thread reads the settings.
class TFakeComm {
 public:
  explicit TFakeComm(TCallLog& log);
  ~TFakeComm();
  TFakeComm(const TFakeComm&) = delete;
  TFakeComm& operator=(const TFakeComm&) = delete;

  static HANDLE Port() { return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7AB0C)); }
  // What DuplicateHandle gives for the port, each time.
  static HANDLE PortCopy() { return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7AB10)); }

  // Completes the pending line-event wait with `word`, or lets the next wait
  // complete at once with it. False when the record's event was gone.
  bool Deliver(DWORD word);
  int WaitCalls();
  bool WaitPending();
  // Ends the write left pending by TWriteMode::Never with `count` bytes; false
  // when there was none or its record's event was gone.
  bool CompleteWrite(DWORD count);
  void ReleaseFlush();

  // The blocks the element took from the heap through the seam, in order, and
  // how often each was freed. A freed block is filled with 0xDD and kept from
  // the heap while the fake lives, so that a later use of it shows.
  std::vector<void*> Blocks();
  int FreesOf(void* block);

  TCallLog& log;
  std::mutex mutex;  // guards everything below against the receive thread

  // Failures to inject. failCall = N refuses the Nth call to the device (any
  // of the calls that talk to it), as Windows refuses it; driverCalls counts
  // them and failedCall names the one refused.
  int failCall = 0;
  int driverCalls = 0;
  std::string failedCall;
  bool createFails = false;
  DWORD createError = ERROR_FILE_NOT_FOUND;
  bool getStateFails = false;
  bool purgeFails = false;
  bool setupFails = false;
  bool setStateFails = false;
  bool setTimeoutsFails = false;
  bool setMaskFails = false;
  bool createThreadFails = false;
  bool createEventFails = false;
  bool modemFails = false;
  bool escapeFails = false;
  bool clearErrorFails = false;
  bool multipleWaitFails = false;
  bool cancelIgnored = false;    // CancelIoEx answers success and ends nothing
  bool maskZeroIgnored = false;  // a mask of 0 does not end a pending wait
  TFlushMode flushMode = TFlushMode::Returns;

  // What the device reports.
  DCB driverState{};
  DWORD modemStatus = 0;
  DWORD inQueue = 0;
  std::deque<DWORD> errorWords;  // one per ClearCommError, then 0
  std::deque<DWORD> outQueues;   // one per ClearCommError; the last one stays
  std::deque<TWaitAction> waits;
  TWaitAction idleWait;  // what a wait does once `waits` is used up

  TWriteMode writeMode = TWriteMode::Complete;
  DWORD writeCount = MAXDWORD;  // bytes a pending write completes with; all when MAXDWORD
  DWORD writeError = ERROR_INVALID_HANDLE;

  // What the element asked for.
  std::string deviceName;
  DWORD access = 0, share = 0, creation = 0, flags = 0;
  DCB stateSet{};
  COMMTIMEOUTS timeoutsSet{};
  DWORD inQueueSet = 0, outQueueSet = 0;
  std::string written;
  std::vector<HANDLE> writeEvents;
  std::vector<HANDLE> closedHandles;
  std::vector<HANDLE> madeHandles;  // events, threads and copies of the port, in order
  std::vector<HANDLE> flushed;      // the handles FlushFileBuffers was given
  HANDLE holdWrite = nullptr;       // the next WriteFile waits for this event first
  HANDLE waitEvent = nullptr;       // the event of the last line-event wait

  // Internal to the fakes.
  int waitCalls = 0;
  DWORD mask = 0;
  LPOVERLAPPED pendingWait = nullptr;
  LPDWORD pendingWord = nullptr;
  LPOVERLAPPED pendingWrite = nullptr;
  HANDLE flushRelease = nullptr;  // set to end a hanging flush; never closed
  std::vector<void*> blocks;
  std::map<void*, int> frees;

 private:
  TCommApiOverride override_;
};

// The element's flag word (the DWORD after BaudRate) as the driver sees it.
DWORD FlagWord(const DCB& dcb);
