#include "rack/outside/plinthbase/DiskSpace.h"

#include <algorithm>
#include <mutex>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace rack {

namespace {

std::optional<uint64_t> statvfsProbe(const std::string& path)
{
    // A file that does not exist yet lies on the disk of the nearest folder that does.
    std::string probe = path.empty() ? std::string(".") : path;
    struct statvfs info {};
    while (statvfs(probe.c_str(), &info) != 0) {
        const size_t slash = probe.find_last_of('/');
        if (probe == "." || probe == "/")
            return std::nullopt;
        probe = slash == std::string::npos ? "." : slash == 0 ? "/" : probe.substr(0, slash);
    }
    return uint64_t(info.f_bavail) * uint64_t(info.f_frsize);
}

std::mutex g_probeLock;
DiskSpaceProbe g_probe;

}  // namespace

DiskSpaceProbe SetDiskSpaceProbe(DiskSpaceProbe probe)
{
    std::lock_guard lock(g_probeLock);
    std::swap(probe, g_probe);
    return probe;
}

int32_t GetDiskLimit(std::string_view path)
{
    DiskSpaceProbe probe;
    {
        std::lock_guard lock(g_probeLock);
        probe = g_probe;
    }
    const std::string name(path);
    const std::optional<uint64_t> free = probe ? probe(name) : statvfsProbe(name);
    if (!free)
        return 0;
    return static_cast<int32_t>(std::min<uint64_t>(*free, 0x7FFFFFFF));
}

int IsFileReadOnly(std::string_view path)
{
    const std::string name(path);
    struct stat info {};
    if (stat(name.c_str(), &info) != 0)
        return 0;
    // The write bits count even for a user the system would let write anyway.
    return (info.st_mode & 0222) == 0 || access(name.c_str(), W_OK) != 0 ? 1 : 0;
}

}  // namespace rack
