#pragma once

#include "interface/InterfaceExport.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// One chunk's data in memory, read by a cursor that never leaves it: a read that would run
// past the end answers nothing and leaves the cursor where it was.
class INTERFACE_API MCMidiBuf {
public:
    // The longest variable-length quantity: four bytes, 28 bits.
    static constexpr int kMaxVariLengthBytes = 4;

    explicit MCMidiBuf(unsigned long size);
    MCMidiBuf(const MCMidiBuf&) = delete;
    MCMidiBuf& operator=(const MCMidiBuf&) = delete;

    // The memory to fill the chunk into.
    unsigned char* GetData() { return m_bytes.data(); }
    size_t GetSize() const { return m_bytes.size(); }
    // Cuts the chunk to its first size bytes (a chunk the file holds only in part).
    void Truncate(size_t size);

    size_t GetOffset() const { return m_cursor; }
    size_t GetRemaining() const { return m_bytes.size() - m_cursor; }
    bool AtEnd() const { return m_cursor >= m_bytes.size(); }

    std::optional<unsigned char> ReadByte();
    // The n bytes at the cursor (they stay in the buffer), the cursor moved past them; null
    // when fewer than n remain.
    const unsigned char* ReadByteArray(unsigned long n);
    // A variable-length quantity: seven bits from each byte, high first, ending at the first
    // byte whose top bit is clear. Nothing when it runs past the end or past four bytes.
    std::optional<long> ReadVariLength();

private:
    std::vector<unsigned char> m_bytes;
    size_t m_cursor = 0;
};
