// One way to fail, from the file system up to the front ends. A failure is a
// TError: a code (the system's errno value, or one of the program's own
// below), the file or folder it concerns, and the message the user reads,
// made once, where the failure is found, and handed on unchanged. A function
// that returns a value returns a TResult<T>: the value or the TError, in the
// manner of C++23's std::expected. A function that returns nothing else
// returns a TError, empty when nothing failed. Exceptions are left for the
// two edges where failures meet the user: the window's guard and the command
// line's main.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace brisolt
{

// The program's own codes beside the system's errno values; SystemErrorText
// gives their texts.
inline constexpr int kErrOther = -1000;            // a failure with a message of its own
inline constexpr int kErrNotRegularFile = -1001;   // a FIFO, device or socket
inline constexpr int kErrChangedMeanwhile = -1002; // not the file that was read
inline constexpr int kErrLockedByOther = -1003;    // another program holds the file locked
inline constexpr int kErrNoLocks = -1004;          // the system takes no such lock (Windows)
inline constexpr int kErrFileShrank = -1005;       // a read ended before the size taken at opening
inline constexpr int kErrSizeChanged = -1006;      // the size differs from the listed one
inline constexpr int kErrChangedWhileRead = -1007; // written, replaced or deleted while read
inline constexpr int kErrBackslashInName = -1008;  // a folder name the torrent cannot hold

// The reason given for a path that is neither a regular file nor a folder.
inline constexpr const char* kNotRegularFile = "Keine reguläre Datei.";

// The text for err: the program's own codes' texts, else the system's text
// for an errno value, as strerror gives it (on Windows, the same texts as on
// Linux for the values the program uses).
[[nodiscard]] std::string SystemErrorText(int err);
// The system's text alone, for errno values.
[[nodiscard]] std::string PlatformErrorText(int err);

// The program's file messages: "Datei <path> kann nicht <done> werden.
// <reason>" for done in "geöffnet", "gelesen", "erstellt".
[[nodiscard]] std::string FileMessage(std::string_view path, std::string_view done, std::string_view reason);
// "Ordner <path> kann nicht gelesen werden. <reason>".
[[nodiscard]] std::string FolderMessage(std::string_view path, std::string_view reason);

enum class TFileAction
{
    Open,   // "geöffnet"
    Read,   // "gelesen"
    Create, // "erstellt"
};

class TError
{
public:
    // No failure.
    TError() = default;

    // The file at path could not be opened, read or created, for code:
    // "Datei <path> kann nicht gelesen werden. <SystemErrorText(code)>".
    [[nodiscard]] static TError File(std::string_view path, TFileAction action, int code);
    // The folder at path could not be listed: FolderMessage.
    [[nodiscard]] static TError Folder(std::string_view path, int code);
    // A failure that has its own message and no file (kErrOther).
    [[nodiscard]] static TError Other(std::string message);

    [[nodiscard]] bool Failed() const { return Value != 0; }

    explicit operator bool() const { return Failed(); }

    [[nodiscard]] int Code() const { return Value; }

    // The file or folder concerned; empty when none.
    [[nodiscard]] const std::string& Path() const { return Where; }

    [[nodiscard]] const std::string& Message() const { return Text; }

    // Why, without the file: the code's text (the whole message for
    // kErrOther); "" when nothing failed.
    [[nodiscard]] std::string Reason() const;

private:
    TError(int code, std::string path, std::string message)
        : Value(code)
        , Where(std::move(path))
        , Text(std::move(message))
    {
    }

    int Value = 0;
    std::string Where;
    std::string Text;
};

// A value, or the failure that kept it from being made.
template <class T>
class [[nodiscard]] TResult
{
public:
    TResult(T value)
        : Held(std::move(value))
    {
    }

    // error must be a failure.
    TResult(TError error)
        : Held(std::move(error))
    {
    }

    [[nodiscard]] bool HasValue() const { return Held.index() == 0; }

    explicit operator bool() const { return HasValue(); }

    // Only when HasValue().
    [[nodiscard]] T& Value() { return std::get<0>(Held); }

    [[nodiscard]] const T& Value() const { return std::get<0>(Held); }

    T& operator*() { return Value(); }

    const T& operator*() const { return Value(); }

    T* operator->() { return &Value(); }

    const T* operator->() const { return &Value(); }

    // The failure; an empty TError when there is a value.
    [[nodiscard]] const TError& Error() const
    {
        static const TError none;
        return HasValue() ? none : std::get<1>(Held);
    }

private:
    std::variant<T, TError> Held;
};

} // namespace brisolt
