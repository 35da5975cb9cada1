#pragma once

#include "rack/outside/plinthstore/PlinthStoreExport.h"
#include "rack/outside/plinthstore/StoreRecords.h"

#include <cstdint>
#include <string_view>

namespace plat::riff {
class RiffFile;
}

// The headers of a wave file, each written at the file's current position. Each answers
// 0, or -1 when the write fails.
namespace rack {

// "RIFF", the form size, the form type (12 bytes).
PLINTHSTORE_API int riff_WriteProof(plat::riff::RiffFile& file, uint32_t formSize, std::string_view formType);
// The "fmt " chunk of a 16-byte PCM format (24 bytes).
PLINTHSTORE_API int riff_WriteFormat(plat::riff::RiffFile& file, const WaveFormat& format, int pcm);
// A chunk header: its id and size (8 bytes).
PLINTHSTORE_API int riff_WriteHeader(plat::riff::RiffFile& file, std::string_view id, uint32_t size);

// The duration of a number of samples in tenths of a second and in milliseconds.
PLINTHSTORE_API int32_t units_SAMPLES_TO_TENTHS(const WaveFormat& format, int64_t samples);
PLINTHSTORE_API int32_t units_SAMPLES_TO_MS(const WaveFormat& format, int64_t samples);

}  // namespace rack
