#include "platform/media/file/FileProvider.h"

#include "platform/core/Profile.h"
#include "platform/media/file/FileWaveIn.h"

namespace plat::media {

std::string FileProvider::captureFile()
{
    return Profile::instance().getString(kCaptureSection, kCaptureValue).value_or(std::string());
}

FileProvider::FileProvider(TimerService& timers, std::string captureFile)
    : m_timers(timers), m_captureFile(std::move(captureFile))
{
}

std::vector<WaveInDevice::Caps> FileProvider::waveIns() const
{
    PcmFormat format;
    if (m_captureFile.empty() || !FileWaveIn::readFormat(m_captureFile, format))
        return {};
    WaveInDevice::Caps caps;
    caps.name = "WAV file \"" + m_captureFile + "\"";
    caps.maxSamplesPerSec = format.samplesPerSec;
    caps.maxChannels = format.channels;
    return {caps};
}

std::unique_ptr<WaveInDevice> FileProvider::createWaveIn(int index)
{
    if (index != 0 || m_captureFile.empty())
        return nullptr;
    return std::make_unique<FileWaveIn>(m_timers, m_captureFile);
}

}  // namespace plat::media
