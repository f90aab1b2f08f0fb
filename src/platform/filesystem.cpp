#include "platform/filesystem.h"

#include <utility>

namespace brisolt
{

namespace
{

class TSystemFile final : public TReadableFile
{
public:
    explicit TSystemFile(TFileHandle handle)
        : Handle(std::move(handle))
    {
    }

    TPathInfo Info() const override { return Handle.Info(); }

    bool LockShared() override { return Handle.LockShared(); }

    void AdviseSequential() override { Handle.AdviseSequential(); }

    int64_t ReadAt(char* target, int64_t want, int64_t offset, int& err) const override
    {
        return Handle.ReadAt(target, want, offset, err);
    }

    int64_t ReadCachedAt(char* target, int64_t want, int64_t offset, int& err) const override
    {
        return Handle.ReadCachedAt(target, want, offset, err);
    }

    int Map(int64_t offset, int64_t length, TFileMapping& mapping) const override
    {
        return Handle.Map(offset, length, mapping);
    }

private:
    TFileHandle Handle;
};

class TSystemFileSystem final : public TFileSystem
{
public:
    int OpenForReading(const std::filesystem::path& path, std::unique_ptr<TReadableFile>& file) override
    {
        TFileHandle handle;
        const int err = handle.OpenForReading(path);
        if (err == 0)
            file = std::make_unique<TSystemFile>(std::move(handle));
        return err;
    }

    bool ExclusivelyLockedInodes(std::vector<uint64_t>& inodes) override
    {
        return brisolt::ExclusivelyLockedInodes(inodes);
    }
};

} // namespace

TFileSystem& TFileSystem::System()
{
    static TSystemFileSystem system;
    return system;
}

} // namespace brisolt
