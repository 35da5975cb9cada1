#include "preferences/core/CWaveFormats.h"

#include "preferences/core/PrefsModule.h"

#include "platform/core/UserPrompt.h"
#include "wavegate/CWGDevice.h"
#include "wavegate/CWavegate.h"

namespace {

struct Format {
    const char* rate;
    const char* shortRate;
    int bits;
    bool stereo;
};

constexpr Format kFormats[CWaveFormats::kCount] = {
    {"8,000 Hz", "8 kHz", 8, false},         {"8,000 Hz", "8 kHz", 8, true},
    {"11,025 Hz", "11.025 kHz", 8, false},   {"11,025 Hz", "11.025 kHz", 8, true},
    {"11,025 Hz", "11.025 kHz", 16, false},  {"11,025 Hz", "11.025 kHz", 16, true},
    {"22,050 Hz", "22.05 kHz", 8, false},    {"22,050 Hz", "22.05 kHz", 8, true},
    {"22,050 Hz", "22.05 kHz", 16, false},   {"22,050 Hz", "22.05 kHz", 16, true},
    {"44,100 Hz", "44.1 kHz", 8, false},     {"44,100 Hz", "44.1 kHz", 8, true},
    {"44,100 Hz", "44.1 kHz", 16, false},    {"44,100 Hz", "44.1 kHz", 16, true},
};

std::string text(int index, bool page)
{
    if (index < 0 || index >= CWaveFormats::kCount)
        return {};
    const Format& f = kFormats[index];
    return std::string(page ? f.rate : f.shortRate) + ", " + std::to_string(f.bits) + "-bit, " +
           (f.stereo ? "Stereo" : "Mono");
}

}  // namespace

std::string CWaveFormats::PageText(int index)
{
    return text(index, true);
}

std::string CWaveFormats::WizardText(int index)
{
    return text(index, false);
}

int CWaveFormats::RateGroup(int index)
{
    if (index < 0 || index >= kCount)
        return -1;
    return index < 2 ? 0 : index < 6 ? 1 : index < 10 ? 2 : 3;
}

bool CWaveFormats::SetDeviceFormat(bool input, int index)
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!wavegate)
        return false;
    WG_DevFormat format{};
    CWGDevice::FillFormat(&format, index);
    if (wavegate->SetDeviceFormat(CWavegate::WG_WAVE, input ? CWavegate::WG_IN : CWavegate::WG_OUT,
                                  CWavegate::WG_ALL_DEVICES, &format))
        return true;
    plat::UserPrompt::Message message;
    message.text = PrefsModule::String(input ? PrefsModule::kWaveInputFormat : PrefsModule::kWaveOutputFormat);
    message.icon = plat::UserPrompt::Icon::error;
    plat::UserPrompt::ask(message);
    return false;
}
