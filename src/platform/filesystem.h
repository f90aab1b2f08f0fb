// The files the hashing engine reads, behind one seam: the operating system's
// (TFileSystem::System) for the program, a stand-in for tests that must make a
// file vanish, shrink, change or fail at an exact moment. The calls mean what
// the same names on TFileHandle mean; errors are errno values (0: none). A
// file system is used from any thread; a file by one thread at a time, except
// that its const reads may overlap.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/fileio.h"

namespace brisolt
{

class TReadableFile
{
public:
    virtual ~TReadableFile() = default;

    [[nodiscard]] virtual TPathInfo Info() const = 0;
    [[nodiscard]] virtual bool LockShared() = 0;
    virtual void AdviseSequential() = 0;
    [[nodiscard]] virtual int64_t ReadAt(char* target, int64_t want, int64_t offset, int& err) const = 0;
    [[nodiscard]] virtual int64_t ReadCachedAt(char* target, int64_t want, int64_t offset, int& err) const = 0;
    [[nodiscard]] virtual int Map(int64_t offset, int64_t length, TFileMapping& mapping) const = 0;
};

class TFileSystem
{
public:
    virtual ~TFileSystem() = default;

    // Opens path for reading without waiting for a writer; 0 with file set,
    // or the error.
    [[nodiscard]] virtual int
    OpenForReading(const std::filesystem::path& path, std::unique_ptr<TReadableFile>& file) = 0;
    // See ExclusivelyLockedInodes in fileio.h.
    [[nodiscard]] virtual bool ExclusivelyLockedInodes(std::vector<uint64_t>& inodes) = 0;

    // The operating system's, for the life of the program.
    [[nodiscard]] static TFileSystem& System();
};

} // namespace brisolt
