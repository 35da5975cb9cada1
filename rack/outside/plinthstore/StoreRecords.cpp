#include "rack/outside/plinthstore/StoreRecords.h"

namespace rack {

WaveFormat WaveFormat::pcm(uint32_t rate, uint16_t channels, uint16_t bits)
{
    WaveFormat format;
    format.formatTag = 1;
    format.channels = channels;
    format.samplesPerSec = rate;
    format.bitsPerSample = bits;
    format.blockAlign = static_cast<uint16_t>(channels * (bits <= 8 ? 1 : bits / 8));
    format.avgBytesPerSec = rate * format.blockAlign;
    return format;
}

void WaveRecord::setFormat(const WaveFormat& newFormat)
{
    format = newFormat;
    fullScale = format.bitsPerSample <= 8 ? 127 : 32767;
    silence = format.bitsPerSample <= 8 ? 128 : 0;
}

}  // namespace rack
