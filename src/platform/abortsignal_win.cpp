#include <windows.h>

#include "platform/abortsignal.h"

namespace brisolt
{

namespace
{

// The console calls the handler on a thread of its own.
std::atomic<bool> gAbortRequested{false};

BOOL WINAPI RaiseAbort(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE; // closing the console or logging off ends the process as usual
    gAbortRequested.store(true);
    return TRUE;
}

} // namespace

TAbortOnSignal::TAbortOnSignal()
{
    gAbortRequested.store(false);
    ::SetConsoleCtrlHandler(RaiseAbort, TRUE);
}

TAbortOnSignal::~TAbortOnSignal()
{
    ::SetConsoleCtrlHandler(RaiseAbort, FALSE);
}

const std::atomic<bool>& TAbortOnSignal::Flag() const
{
    return gAbortRequested;
}

} // namespace brisolt
