#include "app/core/CSilentPlaybackNotice.h"

#include "platform/core/UserPrompt.h"
#include "wavegate/CWGDevice.h"
#include "wavegate/CWavegate.h"

bool CSilentPlaybackNotice::CanBeHeard(const CWavegate& wavegate)
{
    for (const int type : {CWavegate::WG_MIDI, CWavegate::WG_WAVE}) {
        for (int index = 0; index < wavegate.GetDeviceCount(type, CWavegate::WG_OUT); ++index) {
            if (wavegate.GetDeviceState(type, CWavegate::WG_OUT, index) & CWGDevice::WG_OPEN)
                return true;
        }
    }
    return false;
}

void CSilentPlaybackNotice::Check(const CWavegate* wavegate)
{
    if (m_told || !wavegate || CanBeHeard(*wavegate))
        return;
    m_told = true;
    plat::UserPrompt::Message message;
    message.caption = "Quavix";
    message.text = kText;
    message.icon = plat::UserPrompt::Icon::warning;
    plat::UserPrompt::ask(message);
}
