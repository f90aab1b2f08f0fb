#include "cli/signals.h"

namespace brisolt::cli
{

namespace
{

// A lock-free atomic is safe to store from a signal handler.
std::atomic<bool> gAbortRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void RaiseAbort(int)
{
    gAbortRequested.store(true);
}

} // namespace

TAbortOnSignal::TAbortOnSignal()
{
    gAbortRequested.store(false);

    struct sigaction action
    {
    };

    action.sa_handler = RaiseAbort;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &OldInt);
    ::sigaction(SIGTERM, &action, &OldTerm);
}

TAbortOnSignal::~TAbortOnSignal()
{
    ::sigaction(SIGINT, &OldInt, nullptr);
    ::sigaction(SIGTERM, &OldTerm, nullptr);
}

const std::atomic<bool>& TAbortOnSignal::Flag() const
{
    return gAbortRequested;
}

} // namespace brisolt::cli
