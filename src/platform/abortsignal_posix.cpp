#include <csignal>

#include "platform/abortsignal.h"

namespace brisolt
{

namespace
{

// A lock-free atomic is safe to store from a signal handler.
std::atomic<bool> gAbortRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// The handlers in place before the one instance; restored when it ends.
struct sigaction gOldInt
{
};

struct sigaction gOldTerm
{
};

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
    ::sigaction(SIGINT, &action, &gOldInt);
    ::sigaction(SIGTERM, &action, &gOldTerm);
}

TAbortOnSignal::~TAbortOnSignal()
{
    ::sigaction(SIGINT, &gOldInt, nullptr);
    ::sigaction(SIGTERM, &gOldTerm, nullptr);
}

const std::atomic<bool>& TAbortOnSignal::Flag() const
{
    return gAbortRequested;
}

} // namespace brisolt
