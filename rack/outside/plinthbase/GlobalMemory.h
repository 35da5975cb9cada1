#pragma once

#include "rack/outside/plinthbase/PlinthBaseExport.h"

#include <cstddef>

// Blocks of memory handed between the rack's libraries by handle, each owned by plinthbase
// until it is tossed: the play order of the CD, which the rack resizes and frees through
// the handle plinthstore gives it. Interface thread only.
namespace rack {

struct GlobalBlock;
using GlobalHandle = GlobalBlock*;

// A zero-filled block of bytes (0 bytes gives a block without memory).
PLINTHBASE_API GlobalHandle GlobalNew(size_t bytes);
// The block resized, its contents kept up to the smaller size and the rest zero; null for
// a handle that is not a live block.
PLINTHBASE_API GlobalHandle GlobalResize(GlobalHandle handle, size_t bytes);
// The block's memory (null for an empty block or a dead handle) and size.
PLINTHBASE_API void* GlobalLock(GlobalHandle handle);
PLINTHBASE_API size_t GlobalSize(GlobalHandle handle);
// Frees the block; a null or dead handle is left alone. Answers null, to clear the holder.
PLINTHBASE_API GlobalHandle GlobalToss(GlobalHandle handle);

}  // namespace rack
