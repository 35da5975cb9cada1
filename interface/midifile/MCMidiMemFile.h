#pragma once

#include "interface/InterfaceExport.h"

#include "interface/midifile/MCMidiFile.h"

#include <vector>

// A MIDI file in memory: what a document read from its storage, or what a save writes before
// the bytes go to disk.
class INTERFACE_API MCMidiMemFile : public MCMidiFile {
public:
    explicit MCMidiMemFile(std::string name = {}, std::vector<uint8_t> bytes = {});

    size_t Read(void* buffer, size_t size) override;
    // Overwrites from the position, growing the file where the write runs past its end.
    void Write(const void* data, size_t size) override;
    uint64_t GetPosition() const override { return m_position; }
    void Seek(uint64_t position) override;
    uint64_t GetLength() const override { return m_bytes.size(); }
    std::string GetFileName() const override { return m_name; }

    const std::vector<uint8_t>& GetBytes() const { return m_bytes; }

private:
    std::string m_name;
    std::vector<uint8_t> m_bytes;
    uint64_t m_position = 0;
};
