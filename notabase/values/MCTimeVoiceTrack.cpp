#include "notabase/values/MCTimeVoiceTrack.h"

#include "platform/core/Archive.h"

void MCTimeVoiceTrack::Serialize(plat::Archive& archive, int version)
{
    if (archive.isStoring()) {
        time.Serialize(archive, -1);
        archive.writeU16(voiceTrack.GetValue());
    } else {
        time.Serialize(archive, version);
        voiceTrack.SetValue(archive.readU16());
    }
}
