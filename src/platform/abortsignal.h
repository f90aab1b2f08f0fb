// Ctrl-C (SIGINT), SIGTERM and SIGHUP (the terminal closed) raise an abort
// flag instead of ending the process, while an instance lives, so that a hashing run ends cleanly and
// nothing half-written remains. The previous handlers come back on
// destruction. One instance at a time, on the main thread.
#pragma once

#include <atomic>

namespace brisolt
{

class TAbortOnSignal
{
public:
    TAbortOnSignal();
    ~TAbortOnSignal();
    TAbortOnSignal(const TAbortOnSignal&) = delete;
    TAbortOnSignal& operator=(const TAbortOnSignal&) = delete;

    [[nodiscard]] const std::atomic<bool>& Flag() const;
};

} // namespace brisolt
