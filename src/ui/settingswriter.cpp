#include "ui/settingswriter.h"

#include <exception>

namespace brisolt
{

TSettingsWriter::TSettingsWriter(QObject* parent)
    : QObject(parent)
    , Worker([this] { Work(); })
{
}

TSettingsWriter::~TSettingsWriter()
{
    {
        const std::lock_guard<std::mutex> hold(Lock);
        Stopping = true;
    }
    Changed.notify_all();
    Worker.join();
}

void TSettingsWriter::Post(TKind kind, std::function<void()> writes)
{
    {
        const std::lock_guard<std::mutex> hold(Lock);
        Queue.emplace_back(kind, std::move(writes));
    }
    Changed.notify_all();
}

void TSettingsWriter::Wait()
{
    std::unique_lock<std::mutex> hold(Lock);
    Changed.wait(hold, [this] { return Queue.empty() && !Busy; });
}

std::vector<TSettingsWriter::TFailure> TSettingsWriter::Take()
{
    const std::lock_guard<std::mutex> hold(Lock);
    return std::exchange(Failures, {});
}

void TSettingsWriter::Work()
{
    std::unique_lock<std::mutex> hold(Lock);
    for (;;)
    {
        Changed.wait(hold, [this] { return Stopping || !Queue.empty(); });
        if (Queue.empty())
            return; // stopping, and everything posted is written
        auto [kind, writes] = std::move(Queue.front());
        Queue.pop_front();
        Busy = true;
        hold.unlock();
        std::string message;
        try
        {
            writes();
        }
        catch (const std::exception& error)
        {
            message = error.what();
            if (message.empty())
                message = "?";
        }
        const bool failed = !message.empty();
        hold.lock();
        Busy = false;
        if (failed)
            Failures.push_back({kind, std::move(message)});
        Changed.notify_all();
        if (failed)
        {
            hold.unlock();
            emit Failed(); // queued to the window's thread
            hold.lock();
        }
    }
}

} // namespace brisolt
