#include "interface/midifile/MCRmiRead.h"

#include "interface/midifile/MCMidiFile.h"
#include "interface/midifile/MCMidiRead.h"
#include "platform/core/Strings.h"

#include <algorithm>
#include <stdexcept>

namespace {

uint32_t LittleEndian32(const unsigned char* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// The embedded Standard MIDI File: the bytes of the "data" chunk and nothing after them, so
// the reader cannot run on into the chunks that follow.
class ChunkWindow : public MCMidiFile {
public:
    ChunkWindow(MCMidiFile& file, uint64_t offset, uint64_t size) : m_file(file), m_offset(offset), m_size(size)
    {
        m_file.Seek(m_offset);
    }

    size_t Read(void* buffer, size_t size) override
    {
        const uint64_t position = GetPosition();
        if (position >= m_size)
            return 0;
        return m_file.Read(buffer, static_cast<size_t>(std::min<uint64_t>(size, m_size - position)));
    }
    void Write(const void*, size_t) override { throw std::logic_error("a RIFF MIDI file is read only"); }
    uint64_t GetPosition() const override
    {
        const uint64_t position = m_file.GetPosition();
        return position > m_offset ? position - m_offset : 0;
    }
    void Seek(uint64_t position) override { m_file.Seek(m_offset + std::min(position, m_size)); }
    uint64_t GetLength() const override { return m_size; }
    std::string GetFileName() const override { return m_file.GetFileName(); }

private:
    MCMidiFile& m_file;
    uint64_t m_offset;
    uint64_t m_size;
};

}  // namespace

int MCRmiRead::LoadRmiFile(MCMidiFile& file, MCMidiDocument& doc)
{
    m_file = &file;
    m_error.clear();
    m_warning.clear();
    const uint64_t start = file.GetPosition();
    int result = 0;
    try {
        if (OpenChunk()) {
            ChunkWindow window(file, m_dataChunk.dataOffset, m_dataChunk.size);
            MCMidiRead reader;
            result = reader.LoadMidiFile(window, doc);
            m_error = reader.GetErrorText();
            m_warning = reader.GetWarningText();
        } else if (m_formChunk.id == plat::riff::kRiff) {
            m_error = plat::format("\"%s\" cannot be read as a MIDI file: its RIFF MIDI form holds no \"data\" chunk.",
                                   file.GetFileName().c_str());
        }
    } catch (...) {
        CloseChunk();
        file.Seek(start);
        throw;
    }
    CloseChunk();
    file.Seek(start);
    return result;
}

int MCRmiRead::OpenChunk()
{
    m_formChunk = {};
    m_dataChunk = {};
    const uint64_t fileLength = m_file->GetLength();
    m_file->Seek(0);
    unsigned char header[12];
    if (m_file->Read(header, sizeof header) < sizeof header)
        return 0;
    if (LittleEndian32(header) != plat::riff::kRiff || LittleEndian32(header + 8) != plat::riff::fourcc('R', 'M', 'I', 'D'))
        return 0;
    m_formChunk.id = plat::riff::kRiff;
    m_formChunk.claimedSize = LittleEndian32(header + 4);
    m_formChunk.dataOffset = 8;
    m_formChunk.size = static_cast<uint32_t>(std::min<uint64_t>(m_formChunk.claimedSize, fileLength - 8));
    m_formChunk.formType = LittleEndian32(header + 8);
    const uint64_t formEnd = m_formChunk.end();

    // Every step moves on by at least a chunk header, so the walk ends at the form's end.
    uint64_t position = 12;
    while (position + 8 <= formEnd) {
        m_file->Seek(position);
        unsigned char chunk[8];
        if (m_file->Read(chunk, sizeof chunk) < sizeof chunk)
            return 0;
        const uint32_t id = LittleEndian32(chunk);
        const uint32_t claimed = LittleEndian32(chunk + 4);
        const uint64_t dataOffset = position + 8;
        const uint64_t size = std::min<uint64_t>(claimed, formEnd - dataOffset);
        if (id == plat::riff::fourcc('d', 'a', 't', 'a')) {
            m_dataChunk.id = id;
            m_dataChunk.claimedSize = claimed;
            m_dataChunk.size = static_cast<uint32_t>(size);
            m_dataChunk.dataOffset = dataOffset;
            return 1;
        }
        // Chunks are padded to an even length.
        position = dataOffset + size + (size & 1);
    }
    return 0;
}

void MCRmiRead::CloseChunk()
{
    m_formChunk = {};
    m_dataChunk = {};
}
