// A content file opened for sequential reading, closed when it goes out of
// scope. Only regular files open (a FIFO or device never blocks the run);
// symbolic links are followed. Other programs may keep reading and writing
// the file meanwhile. One thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "platform/fileio.h"

namespace brisolt
{

class TContentFile
{
public:
    // False with the system's reason when the file cannot be opened. With
    // lockShared, a file that another program holds locked exclusively is
    // refused too, and a shared lock is held until the file is closed.
    [[nodiscard]] bool Open(const std::string& path, std::string& reason, bool lockShared = false);

    [[nodiscard]] bool IsOpen() const { return File.IsOpen(); }

    // The size taken at opening.
    [[nodiscard]] int64_t Size() const { return OpenSize; }

    // The size the file has now; -1 when it cannot be taken.
    [[nodiscard]] int64_t SizeNow() const;

    // Reads up to want bytes; the count read (0 at the end), or -1 with reason.
    [[nodiscard]] int64_t Read(char* target, int64_t want, std::string& reason);
    // The same at offset, leaving the position alone.
    [[nodiscard]] int64_t ReadAt(char* target, int64_t want, int64_t offset, std::string& reason) const;
    // Reads exactly want bytes at offset, from any thread; false with reason
    // when the file ends first or fails.
    [[nodiscard]] bool ReadFullAt(char* target, int64_t want, int64_t offset, std::string& reason) const;

    // A read-only view of length bytes at offset, from any thread; false when
    // the file cannot be mapped, and the caller reads instead.
    [[nodiscard]] bool Map(int64_t offset, int64_t length, TFileMapping& mapping) const
    {
        return File.Map(offset, length, mapping) == 0;
    }

private:
    TFileHandle File;
    int64_t OpenSize = 0;
};

} // namespace brisolt
