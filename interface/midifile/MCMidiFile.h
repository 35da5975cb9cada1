#pragma once

#include "interface/InterfaceExport.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The file below a document's archive, as the MIDI file readers and the writer use it: reads,
// writes, the position and the length. The document hands one over for a load or a save.
class INTERFACE_API MCMidiFile {
public:
    virtual ~MCMidiFile() = default;

    // Reads up to size bytes; returns how many were read (0 at the end).
    virtual size_t Read(void* buffer, size_t size) = 0;
    // Writes all size bytes or throws.
    virtual void Write(const void* data, size_t size) = 0;
    virtual uint64_t GetPosition() const = 0;
    // A position past the end is held to the end when reading and extends the file when
    // writing.
    virtual void Seek(uint64_t position) = 0;
    virtual uint64_t GetLength() const = 0;
    // The name a message about the file shows.
    virtual std::string GetFileName() const = 0;
};
