// Reads any bytes as the cue sheet of a disc image that rackplayer's CD deck is pointed at,
// beside a BIN of three seconds. Whatever the sheet says, the disc is refused or gives tracks
// that lie on the disc one after another, each with sound of its own, a length that matches its
// sectors and a place in the play order.

#include "fuzz/FuzzCdImage.h"
#include "rack/outside/plinthstore/CdStore.h"

#include <cstdint>
#include <cstdlib>
#include <string>

// libcdio's cue sheet parser (2.1) loses the name it copied from a FILE line it then finds
// malformed: a few bytes for each such sheet opened, and not a leak of ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libcdio.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzCdImage::Setup();
    FuzzCdImage::WriteCue(std::string(reinterpret_cast<const char*>(data), size));
    rack::obj_SetCDSource(FuzzCdImage::Cue());
    const int count = rack::obj_LoadCD(nullptr);
    if (count < 0 || count > 99 || count != rack::obj_GetCDCount() || rack::obj_GetCDPlayCount() != count)
        std::abort();
    int64_t end = 0;
    for (int track = 0; track < count; ++track) {
        const rack::CdTrackRecord* record = rack::obj_GetCD(0, track);
        if (!record || record->firstSector < end || record->sectorCount <= 0 ||
            record->lengthTenths != int32_t(int64_t(record->sectorCount) * 10 / 75) ||
            rack::obj_Xlate_Index(track) != track)
            std::abort();
        end = int64_t(record->firstSector) + record->sectorCount;
    }
    if (rack::obj_GetCD(0, count) != nullptr)
        std::abort();
    rack::obj_SetCDSource("");
    return 0;
}
