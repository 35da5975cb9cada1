// Reads any bytes as rackplayer's stored CD play lists ("rackcd.ini": each disc's title,
// artist, track names and play order) when a disc of three tracks is read. Whatever is stored,
// the disc keeps its three tracks, its play order holds at most 999 positions that each name
// one of them, its names fit their 60 bytes, and the order stored again reads back the same.

#include "fuzz/FuzzCdImage.h"
#include "rack/outside/plinthstore/CdStore.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<int32_t> Order()
{
    const rack::CdPlayObject* play = rack::obj_GetCDPlayObject();
    if (play->count < 0 || play->count > 999 || (play->count > 0) != (play->order != nullptr))
        std::abort();
    std::vector<int32_t> order;
    for (int position = 0; position < play->count; ++position) {
        const int track = rack::obj_Xlate_Index(position);
        if (track < 0 || track >= rack::obj_GetCDCount() || track != play->order[position])
            std::abort();
        order.push_back(track);
    }
    if (rack::obj_Xlate_Index(play->count) != -1 || rack::obj_GetCDPlayCount() != play->count)
        std::abort();
    if (play->title.size() > rack::kCdNameLength || play->artist.size() > rack::kCdNameLength)
        std::abort();
    for (int track = 0; track < rack::obj_GetCDCount(); ++track) {
        const rack::CdTrackRecord* record = rack::obj_GetCD(0, track);
        if (!record || record->name.size() > rack::kCdNameLength || record->name != record->name2)
            std::abort();
    }
    return order;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzCdImage::Setup();
    static const bool cue = [] {
        FuzzCdImage::WriteCue("FILE \"disc.bin\" BINARY\n"
                              "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                              "  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n"
                              "  TRACK 03 AUDIO\n    INDEX 01 00:02:00\n");
        return true;
    }();
    (void)cue;
    {
        std::ofstream file(FuzzCdImage::StoredDiscs(), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    rack::obj_SetCDSource(FuzzCdImage::Cue());
    if (rack::obj_LoadCD(nullptr) != 3 || rack::obj_GetCDCount() != 3)
        std::abort();
    const std::vector<int32_t> order = Order();
    // Stored and read again, the order is the same.
    rack::obj_SaveCD();
    rack::obj_SetCDSource(FuzzCdImage::Cue());
    if (rack::obj_LoadCD(nullptr) != 3 || Order() != order)
        std::abort();
    rack::obj_SetCDSource("");
    return 0;
}
