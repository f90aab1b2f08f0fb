// Ctrl-C while an abort guard lives raises its flag instead of ending the
// process, and whatever handled Ctrl-C before takes over again afterwards.

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

#include "platform/abortsignal.h"

namespace brisolt
{
namespace
{

// The handler that was there before the guard, to see that it comes back.
std::atomic<bool> gEarlierHandlerRan{false};

// Waits, bounded, for a handler that may run on another thread.
bool BecomesTrue(const std::atomic<bool>& flag)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!flag.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return flag.load();
}

#ifdef _WIN32

BOOL WINAPI EarlierHandler(DWORD)
{
    gEarlierHandlerRan.store(true);
    return TRUE;
}

// The earlier handler in place while it lives, on a console of the test's
// own: a console's Ctrl-C goes to every process attached to it, and ctest's
// must not get it. The standard handles are kept.
class TEarlierHandler
{
public:
    TEarlierHandler()
    {
        for (int i = 0; i < 3; ++i)
            Std[i] = ::GetStdHandle(kStd[i]);
        ::FreeConsole();
        Ok = ::AllocConsole() != 0;
        ::SetConsoleCtrlHandler(EarlierHandler, TRUE);
    }

    ~TEarlierHandler()
    {
        ::SetConsoleCtrlHandler(EarlierHandler, FALSE);
        ::FreeConsole();
        ::AttachConsole(ATTACH_PARENT_PROCESS);
        for (int i = 0; i < 3; ++i)
            ::SetStdHandle(kStd[i], Std[i]);
    }

    TEarlierHandler(const TEarlierHandler&) = delete;
    TEarlierHandler& operator=(const TEarlierHandler&) = delete;

    bool Ok = false;

private:
    static constexpr DWORD kStd[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE Std[3] = {};
};

bool Interrupt()
{
    return ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
}

#else

extern "C" void EarlierHandler(int)
{
    gEarlierHandlerRan.store(true);
}

// The earlier handler in place for SIGINT while it lives.
class TEarlierHandler
{
public:
    TEarlierHandler()
    {
        struct sigaction action
        {
        };

        action.sa_handler = EarlierHandler;
        sigemptyset(&action.sa_mask);
        Ok = ::sigaction(SIGINT, &action, &Old) == 0;
    }

    ~TEarlierHandler() { ::sigaction(SIGINT, &Old, nullptr); }

    TEarlierHandler(const TEarlierHandler&) = delete;
    TEarlierHandler& operator=(const TEarlierHandler&) = delete;

    bool Ok = false;

private:
    struct sigaction Old
    {
    };
};

bool Interrupt()
{
    return ::raise(SIGINT) == 0;
}

#endif

TEST(AbortOnSignal, CtrlCRaisesTheFlagWhileTheGuardLives)
{
    TEarlierHandler earlier;
    if (!earlier.Ok)
        GTEST_SKIP() << "no console of its own could be made for the test";
    gEarlierHandlerRan.store(false);
    {
        TAbortOnSignal guard;
        EXPECT_FALSE(guard.Flag().load());
        ASSERT_TRUE(Interrupt());
        EXPECT_TRUE(BecomesTrue(guard.Flag()));
        EXPECT_FALSE(gEarlierHandlerRan.load());
    }
    ASSERT_TRUE(Interrupt());
    EXPECT_TRUE(BecomesTrue(gEarlierHandlerRan));
    // A new guard starts with the flag down.
    const TAbortOnSignal again;
    EXPECT_FALSE(again.Flag().load());
}

} // namespace
} // namespace brisolt
