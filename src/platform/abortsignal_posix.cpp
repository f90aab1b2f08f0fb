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

struct sigaction gOldHup
{
};

extern "C" void RaiseAbort(int)
{
    gAbortRequested.store(true);
}

// A signal that the process was started to ignore (nohup, a background job)
// stays ignored.
void Catch(int sig, const struct sigaction& action, struct sigaction& old)
{
    ::sigaction(sig, nullptr, &old);
    if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_IGN)
        ::sigaction(sig, &action, nullptr);
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
    Catch(SIGINT, action, gOldInt);
    Catch(SIGTERM, action, gOldTerm);
    Catch(SIGHUP, action, gOldHup);
}

TAbortOnSignal::~TAbortOnSignal()
{
    ::sigaction(SIGINT, &gOldInt, nullptr);
    ::sigaction(SIGTERM, &gOldTerm, nullptr);
    ::sigaction(SIGHUP, &gOldHup, nullptr);
}

const std::atomic<bool>& TAbortOnSignal::Flag() const
{
    return gAbortRequested;
}

} // namespace brisolt
