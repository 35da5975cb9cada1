#pragma once

#include "rack/outside/plinthbase/PlinthBaseExport.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Room on a disk and write access to files, for the rack's recordings.
namespace rack {

// The bytes free to the user on the disk that holds path (which need not exist yet: its
// folder is asked); nullopt when that cannot be found.
using DiskSpaceProbe = std::function<std::optional<uint64_t>(const std::string& path)>;

// Installs probe (an empty one puts back the real one) and answers the one replaced.
PLINTHBASE_API DiskSpaceProbe SetDiskSpaceProbe(DiskSpaceProbe probe);

// The free bytes on the path's disk as a signed 32-bit number: a disk with 2 GiB or more
// free reads as 0x7FFFFFFF, never as a negative number; 0 when the room cannot be found.
PLINTHBASE_API int32_t GetDiskLimit(std::string_view path);
// Non-zero when the file exists and may not be written.
PLINTHBASE_API int IsFileReadOnly(std::string_view path);

}  // namespace rack
