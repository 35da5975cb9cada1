#pragma once

#include "wavegate/CWGDeviceHost.h"
#include "wavegate/CWGStartSignals.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

// Builds RIFF WAVE images byte by byte, so a test can make foreign and broken files.
struct WaveFileImage {
    std::vector<uint8_t> body;   // what follows "WAVE" inside the RIFF chunk

    static void Put16(std::vector<uint8_t>& out, uint16_t v)
    {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    static void Put32(std::vector<uint8_t>& out, uint32_t v)
    {
        Put16(out, static_cast<uint16_t>(v));
        Put16(out, static_cast<uint16_t>(v >> 16));
    }
    static void PutId(std::vector<uint8_t>& out, const char* id)
    {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(id[i]));
    }

    // A chunk with its pad byte; claimed overrides the size written in its header.
    WaveFileImage& Chunk(const char* id, const std::vector<uint8_t>& data, int64_t claimed = -1)
    {
        PutId(body, id);
        Put32(body, claimed < 0 ? static_cast<uint32_t>(data.size()) : static_cast<uint32_t>(claimed));
        body.insert(body.end(), data.begin(), data.end());
        if (data.size() & 1)
            body.push_back(0);
        return *this;
    }

    static std::vector<uint8_t> Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                       size_t bytes = 16, int64_t avgBytes = -1)
    {
        std::vector<uint8_t> f;
        const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
        Put16(f, tag);
        Put16(f, channels);
        Put32(f, rate);
        Put32(f, avgBytes < 0 ? rate * align : static_cast<uint32_t>(avgBytes));
        Put16(f, align);
        Put16(f, bits);
        if (bytes >= 18)
            Put16(f, static_cast<uint16_t>(bytes - 18));
        f.resize(bytes, 0);
        return f;
    }

    WaveFileImage& Fmt(uint16_t channels, uint32_t rate, uint16_t bits, size_t bytes = 16)
    {
        return Chunk("fmt ", Format(1, channels, rate, bits, bytes));
    }

    static std::vector<uint8_t> Ramp(size_t n)
    {
        std::vector<uint8_t> d(n);
        for (size_t i = 0; i < n; ++i)
            d[i] = static_cast<uint8_t>(i * 7 + 3);
        return d;
    }

    std::vector<uint8_t> Bytes(int64_t riffClaimed = -1) const
    {
        std::vector<uint8_t> out;
        PutId(out, "RIFF");
        Put32(out, riffClaimed < 0 ? static_cast<uint32_t>(body.size() + 4) : static_cast<uint32_t>(riffClaimed));
        PutId(out, "WAVE");
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }
};

// A folder of its own under the temporary folder, removed with everything in it.
struct TempFolder {
    std::filesystem::path path;
    explicit TempFolder(const std::string& name)
    {
        path = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        const std::string file = (path / name).string();
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
};

// A device host that only records the codes it is told.
class RecordingHost : public CWGDeviceHost {
public:
    void Notify(uint32_t code, uintptr_t, uintptr_t) override { codes.push_back(code); }
    uint32_t GetSyncMode() const override { return 0; }
    int GetPrefetchBufferCount() const override { return 2; }
    bool IsTimingDevice(const CWGDevice*) const override { return false; }
    bool PollForTimingDevice(const CWGDevice*) override { return false; }
    CWGStartSignals& GetStartSignals() override { return signals; }
    void ForwardRecordedData(CWGEventData*) override {}
    std::optional<plat::media::MediaTime> GetPlayStart() const override { return std::nullopt; }
    int MidiThruEnabled() const override { return 0; }
    int GetMidiThruDevice() const override { return 0; }
    int GetMidiThruChannel() const override { return -1; }
    void SendMidiMsg(int, uint32_t, int) override {}
    plat::WindowRef GetDriverWindow() const override { return {}; }
    int32_t GetPlayStartOffset() const override { return 0; }

    std::vector<uint32_t> codes;
    CWGStartSignals signals;
};
