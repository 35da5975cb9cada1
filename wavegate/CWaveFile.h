#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/storage/RiffChunk.h"
#include "platform/storage/RiffFile.h"
#include "wavegate/CWGDevice.h"
#include "wavegate/WGTypes.h"

#include <cstdint>
#include <memory>
#include <string>

// A RIFF WAVE file as a device: opened and closed through the device state machine, its
// format through GetFormat(). CWaveFileRead reads one, CWaveFileWrite writes one; a bare
// CWaveFile cannot be opened. The statics test, measure and inspect files.
//
// Positions count bytes of sound from the start of the "data" chunk's data.
class WAVEGATE_API CWaveFile : public CWGDevice {
public:
    explicit CWaveFile(CWGDeviceHost* host = nullptr);
    ~CWaveFile() override;

    // Whether a file of that name exists; 0 for a null name.
    static int FileExists(const char* name);
    // The length of the sound in ms; 0 when the file cannot be read as a wave file.
    static long FileDuration(const char* name);
    // 1 and the file's 18 format bytes when it reads as a wave file, else 0.
    static int FileFormat(const char* name, WG_DevFormat& format);

    void SetFilename(const char* name) { m_filename = name ? name : ""; }
    const std::string& GetFilename() const { return m_filename; }
    uint32_t GetDataSize() const { return m_dataSize; }
    uint32_t GetFilePosition() const { return m_position; }
    // The length of the sound in ms; 0 without a format.
    long GetDuration();

    // The length in ms of size bytes of sound in format: PCM by its rate and block alignment
    // (the rate at which it plays, whatever average byte rate its header claims), any other
    // format by its average byte rate, or by its rate and alignment when a file leaves that 0;
    // 0 when neither says.
    static long DurationOf(uint32_t size, const WG_DevFormat& format);

protected:
    int DevPause() override { return 1; }
    int DevStop() override { return 1; }
    int DevClose() override;

    // Finds the "RIFF" "WAVE" chunk, reads its "fmt " chunk into format and finds its "data"
    // chunk; reports what fails (codes 602..605) and answers 0. A format that cannot say how to
    // play its sound is refused as unreadable (605 with EINVAL): no channels, no rate or no
    // bytes in a frame, or plain PCM whose frame does not hold one whole sample of each channel.
    static int CheckFile(CWGDeviceHost* host, const std::string& name, plat::riff::RiffFile& file,
                         plat::riff::RiffChunk& riff, plat::riff::RiffChunk& fmt, plat::riff::RiffChunk& data,
                         WG_DevFormat& format);
    void ReportFile(uint32_t code, int error) const;

    std::string m_filename;
    uint32_t m_position = 0;
    uint32_t m_dataSize = 0;
    uint32_t m_bufferTime = 1000;
    plat::riff::RiffChunk m_riffChunk;
    plat::riff::RiffChunk m_fmtChunk;
    plat::riff::RiffChunk m_dataChunk;
    std::unique_ptr<plat::riff::RiffFile> m_file;

private:
    // Opens name and checks it as CheckFile does, with no host to tell; false when it does not
    // read as a wave file.
    static bool InspectFile(const char* name, WG_DevFormat& format, uint32_t& dataSize);
};
