#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/ByteStream.h"

#include <cstdint>
#include <span>
#include <vector>

namespace plat {

// A byte stream in memory. Reads from a span it borrows (which must outlive the stream) or
// from a vector it owns; writes append to the vector it owns. What was written can be read
// back from the same stream, from the start.
class PLATCORE_API MemoryStream : public ByteStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> data);
    explicit MemoryStream(std::span<const uint8_t> borrowed);

    size_t read(void* buffer, size_t size) override;
    // Appends; throws std::logic_error on a stream over a borrowed span.
    void write(const void* data, size_t size) override;
    std::optional<uint64_t> remaining() const override;

    // Every byte of the stream, read or not.
    std::span<const uint8_t> bytes() const;
    // The bytes: moved out of the owned vector, or copied from a borrowed span. The stream
    // is empty and writable afterwards.
    std::vector<uint8_t> takeData();

    size_t position() const { return m_position; }
    // Moves the read position; a position past the end is clamped to the end.
    void seek(size_t position);

private:
    std::vector<uint8_t> m_owned;
    std::span<const uint8_t> m_borrowed;
    bool m_isBorrowed = false;
    size_t m_position = 0;
};

}  // namespace plat
