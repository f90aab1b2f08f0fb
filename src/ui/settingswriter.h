// Writes to the settings file on a thread of their own, one after another in
// the order they were posted, so that a slow disk (each write is flushed to
// it) never pauses the window. A write that throws leaves its message behind:
// Failed() tells the window's thread (queued), Take() hands the messages over.
// Post, Wait and Take belong to the window's thread; the writes themselves
// must carry copies of what they write, never controls.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <QObject>

namespace brisolt
{

class TSettingsWriter : public QObject
{
    Q_OBJECT

public:
    enum class TKind
    {
        Position, // the window's size and place, written after each resize
        Settings, // whatever the user asked to save, and the writes at close
    };

    struct TFailure
    {
        TKind Kind;
        std::string Message;
    };

    explicit TSettingsWriter(QObject* parent = nullptr);
    // Finishes what was posted.
    ~TSettingsWriter() override;
    TSettingsWriter(const TSettingsWriter&) = delete;
    TSettingsWriter& operator=(const TSettingsWriter&) = delete;

    void Post(TKind kind, std::function<void()> writes);
    // Returns once every write posted before has run.
    void Wait();
    // The failures not taken yet, in order.
    [[nodiscard]] std::vector<TFailure> Take();

signals:
    void Failed();

private:
    void Work();

    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<std::pair<TKind, std::function<void()>>> Queue;
    bool Busy = false;
    bool Stopping = false;
    std::vector<TFailure> Failures;
    std::thread Worker; // last: starts once the rest exists
};

} // namespace brisolt
