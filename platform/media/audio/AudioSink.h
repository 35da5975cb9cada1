#pragma once

#include "platform/media/PlatMediaExport.h"

#include <cstdint>
#include <span>
#include <string>

namespace plat::media {

// Where an audio engine's sound goes: a sound device, a file, memory. The engine's thread
// waits in waitWritable() for room for the next block, renders it, and hands it to write().
// A sound device paces the engine by that wait; a sink that takes frames at once (a file,
// memory) answers at once, and the engine then keeps to the media clock.
// Operations answer 0 or an error number (MediaError.h).
class PLATMEDIA_API AudioSink {
public:
    virtual ~AudioSink() = default;

    virtual std::string name() const = 0;
    // Prepares the output for stereo frames at sampleRate, written in blocks of blockFrames.
    virtual int open(uint32_t sampleRate, uint32_t blockFrames) = 0;
    // Waits until the output has room for one more block. kErrorNotReady when interrupt() ended
    // the wait.
    virtual int waitWritable() = 0;
    // Takes interleaved stereo frames, samples in -1 .. 1: one block, or for a sink without
    // lead several blocks at once from an engine that renders in batches.
    virtual int write(std::span<const float> interleaved) = 0;
    virtual void close() = 0;
    // Ends a waitWritable() in progress, and every later one until the next open(); any thread.
    virtual void interrupt() = 0;
    // Frames the output holds ahead of what is heard: a block written now is heard this much
    // later. 0 for a sink that is not heard (a file, memory).
    virtual uint32_t leadFrames() const = 0;
};

}  // namespace plat::media
