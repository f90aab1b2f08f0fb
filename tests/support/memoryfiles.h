// Files held in memory for the hashing engine's tests, with faults on cue: a
// hook runs before every read of an open file and may change the files
// (shrink, grow, replace, remove, lock) or make that read fail, so a test
// picks the exact moment without sleeping. An open file keeps the bytes it
// was opened on, as a descriptor keeps its inode: a replaced or removed
// file still reads its old bytes and says it is unlinked.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/filesystem.h"

namespace brisolt::test
{

class TMemoryFiles final : public TFileSystem
{
public:
    // Creates path, or replaces it as a rename over it would.
    void Write(const std::string& path, std::string bytes)
    {
        std::lock_guard lock(Mutex);
        auto node = std::make_shared<TNode>();
        node->Bytes = std::move(bytes);
        node->Inode = ++LastInode;
        node->Modified = ++Clock;
        if (const auto old = Nodes.find(path); old != Nodes.end())
            old->second->Linked = false;
        Nodes[path] = std::move(node);
    }

    void MakeFolder(const std::string& path)
    {
        Write(path, {});
        std::lock_guard lock(Mutex);
        Nodes[path]->Folder = true;
    }

    void Remove(const std::string& path)
    {
        std::lock_guard lock(Mutex);
        if (const auto old = Nodes.find(path); old != Nodes.end())
        {
            old->second->Linked = false;
            Nodes.erase(old);
        }
    }

    // Changes the bytes in place; the time of change moves on.
    void Change(const std::string& path, const std::function<void(std::string&)>& change)
    {
        std::lock_guard lock(Mutex);
        TNode& node = *Nodes.at(path);
        change(node.Bytes);
        node.Modified = ++Clock;
    }

    // Another program takes or drops an exclusive lock.
    void Lock(const std::string& path, bool locked)
    {
        std::lock_guard lock(Mutex);
        Nodes.at(path)->Locked = locked;
    }

    // What a listing sees now.
    [[nodiscard]] TPathInfo Info(const std::string& path)
    {
        std::lock_guard lock(Mutex);
        const auto found = Nodes.find(path);
        return found == Nodes.end() ? Missing(ENOENT) : Describe(*found->second);
    }

    // Runs before every read with the file's path and the read's offset, on
    // the reading thread; a nonzero result fails that read with it.
    std::function<int(const std::string& path, int64_t offset)> BeforeRead;
    // Whether the system's cache is said to hold every byte; false sends
    // every stretch to the reads that may wait.
    bool Cached = true;

    int OpenForReading(const std::filesystem::path& path, std::unique_ptr<TReadableFile>& file) override
    {
        std::lock_guard lock(Mutex);
        const auto found = Nodes.find(path.generic_string());
        if (found == Nodes.end())
            return ENOENT;
        file = std::make_unique<TFile>(*this, found->first, found->second);
        return 0;
    }

    bool ExclusivelyLockedInodes(std::vector<uint64_t>& inodes) override
    {
        std::lock_guard lock(Mutex);
        inodes.clear();
        for (const auto& [path, node] : Nodes)
        {
            if (node->Locked)
                inodes.push_back(node->Inode);
        }
        std::sort(inodes.begin(), inodes.end());
        return true;
    }

private:
    struct TNode
    {
        std::string Bytes;
        uint64_t Inode = 0;
        int64_t Modified = 0;
        bool Folder = false;
        bool Linked = true;
        bool Locked = false;
    };

    static TPathInfo Missing(int err)
    {
        TPathInfo info;
        info.Error = err;
        return info;
    }

    static TPathInfo Describe(const TNode& node)
    {
        TPathInfo info;
        info.Kind = node.Folder ? TPathKind::Folder : TPathKind::RegularFile;
        info.Size = static_cast<int64_t>(node.Bytes.size());
        info.Device = 1;
        info.Inode = node.Inode;
        info.Modified = node.Modified;
        info.Unlinked = !node.Linked;
        return info;
    }

    class TFile final : public TReadableFile
    {
    public:
        TFile(TMemoryFiles& files, std::string path, std::shared_ptr<TNode> node)
            : Files(files)
            , Path(std::move(path))
            , Node(std::move(node))
        {
        }

        TPathInfo Info() const override
        {
            std::lock_guard lock(Files.Mutex);
            return Describe(*Node);
        }

        bool LockShared() override
        {
            std::lock_guard lock(Files.Mutex);
            return !Node->Locked;
        }

        void AdviseSequential() override {}

        int64_t ReadAt(char* target, int64_t want, int64_t offset, int& err) const override
        {
            if (Files.BeforeRead)
            {
                if (const int failure = Files.BeforeRead(Path, offset); failure != 0)
                {
                    err = failure;
                    return -1;
                }
            }
            std::lock_guard lock(Files.Mutex);
            if (Node->Folder)
            {
                err = EISDIR;
                return -1;
            }
            const auto size = static_cast<int64_t>(Node->Bytes.size());
            const int64_t n = offset >= size ? 0 : std::min(want, size - offset);
            if (n > 0)
                std::memcpy(target, Node->Bytes.data() + offset, static_cast<std::size_t>(n));
            return n;
        }

        int64_t ReadCachedAt(char* target, int64_t want, int64_t offset, int& err) const override
        {
            if (Files.Cached)
                return ReadAt(target, want, offset, err);
            err = EAGAIN;
            return -1;
        }

        int Map(int64_t, int64_t, TFileMapping&) const override { return ENOTSUP; }

    private:
        TMemoryFiles& Files;
        std::string Path;
        std::shared_ptr<TNode> Node;
    };

    std::mutex Mutex;
    std::map<std::string, std::shared_ptr<TNode>> Nodes;
    uint64_t LastInode = 0;
    int64_t Clock = 0;
};

} // namespace brisolt::test
