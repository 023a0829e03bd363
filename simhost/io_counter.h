#pragma once
// Counts the file-system calls and the heap allocations that the code linked into this test
// program makes, so a test can show that a per-frame path opens no file and allocates nothing.

namespace sim {

struct IoAndHeapCounts {
    long fileCalls;
    long allocations;
    long openSearches; // FindFirstFileA and FindFirstFileW handles not yet closed
};

// Starts counting: the program's imports of the file routines are redirected through
// counters (once), and the counters are zeroed.
void StartCounting();
IoAndHeapCounts Counted();

// The allocation after `after` more throws std::bad_alloc (once); -1 for none.
void FailAllocation(long after);

// For the fake game's own bookkeeping, which a failure meant for the plug-in must not hit.
class AllocationFailureSuspended {
  public:
    AllocationFailureSuspended();
    ~AllocationFailureSuspended();
    AllocationFailureSuspended(const AllocationFailureSuspended&) = delete;
    AllocationFailureSuspended& operator=(const AllocationFailureSuspended&) = delete;

  private:
    long saved_;
};

} // namespace sim
