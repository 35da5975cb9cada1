#include "rack/outside/plinthstore/CdStore.h"

#include "rack/outside/plinthbase/BaseStrings.h"
#include "rack/outside/plinthbase/MessageBoxes.h"
#include "rack/outside/plinthfx/StereoProcess.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/outside/plinthstore/StoreRecords.h"

#include "platform/core/IniFile.h"
#include "platform/core/Strings.h"
#include "platform/core/Trace.h"
#include "platform/media/Backend.h"
#include "platform/ui/timer/UiTimers.h"
#include "platform/ui/rackwindow/Window.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace rack {

namespace {

constexpr int kStrNoDrive = 1410;
constexpr int kStrNoDisc = 1411;
constexpr int kStrUnreadable = 1412;
constexpr int kStrTrack = 549;
constexpr const char* kDiscFile = "rackcd.ini";
constexpr int kSectorsPerSecond = 75;
constexpr size_t kSectorBytes = CDIO_CD_FRAMESIZE_RAW;
// How much sound is kept queued at the output, and how often it is topped up. Reading runs
// on the interface thread, so each turn reads a few sectors only (twice what a turn plays),
// and a drive that retries holds the window up for those few at most.
constexpr uint64_t kQueuedBytes = 44100 * 4 / 2;
constexpr uint32_t kPollMs = 50;
constexpr int kSectorsPerPoll = 8;
// The most play-order entries a stored disc may have.
constexpr int kMaxOrder = 999;

struct CdioCloser {
    void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
};
using CdioHandle = std::unique_ptr<CdIo_t, CdioCloser>;

// A track being played: its reader and the output it is sent to.
struct Playing {
    plat::ui::Window* window = nullptr;
    CdioHandle cdio;
    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    std::unique_ptr<plat::media::WaveOutDevice> device;
    int32_t nextSector = 0;
    int32_t endSector = 0;  // one past the last
    uint64_t written = 0;
    // The device's count when it opened: what it played of this track is counted from there.
    uint64_t playedAtOpen = 0;
    uint32_t poll = 0;
    // A sector at the mixer's levels.
    std::vector<uint8_t> scaled = std::vector<uint8_t>(kSectorBytes);

    ~Playing()
    {
        if (poll != 0)
            plat::ui::UiTimers::kill(poll);
        if (device) {
            device->stop();
            device->close();
        }
        if (paranoia)
            cdio_paranoia_free(paranoia);
        if (drive)
            cdio_cddap_close_no_free_cdio(drive);
    }
};

struct Disc {
    std::string source;
    std::string discId;
    int32_t nextKey = 1;
    std::vector<std::unique_ptr<CdTrackRecord>> tracks;
    CdPlayObject play;
    GlobalHandle orderHandle = nullptr;
    std::unique_ptr<Playing> playing;
    CdDoorHook doorHook;
    int gain = kFxFullGain;
    int balance = 0;
};

Disc& disc()
{
    static Disc instance;
    return instance;
}

void traceCdio(cdio_log_level_t level, const char* message)
{
    plat::trace("libcdio (%d) -- %s", int(level), message);
}

// libcdio says what it finds in the trace, not on the terminal.
void quietLibrary()
{
    static const bool once = [] {
        cdio_log_set_handler(traceCdio);
        return true;
    }();
    (void)once;
}

enum class OpenError { none, noDrive, noDisc, unreadable };

CdioHandle openSource(const std::string& source, OpenError& error)
{
    quietLibrary();
    error = OpenError::none;
    std::string device = source;
    driver_id_t driver = DRIVER_DEVICE;
    const auto endsWith = [&source](const char* suffix) {
        const size_t size = std::strlen(suffix);
        return source.size() >= size &&
               std::equal(source.end() - long(size), source.end(), suffix,
                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    };
    if (endsWith(".cue"))
        driver = DRIVER_BINCUE;
    else if (endsWith(".toc"))
        driver = DRIVER_CDRDAO;
    if (device.empty()) {
        char* found = cdio_get_default_device_driver(&driver);
        if (!found) {
            error = OpenError::noDrive;
            return nullptr;
        }
        device = found;
        cdio_free(found);
    }
    CdioHandle cdio(cdio_open(device.c_str(), driver));
    // A drive that does not open holds no disc; an image that does not open is damaged.
    if (!cdio)
        error = driver == DRIVER_DEVICE ? OpenError::noDisc : OpenError::unreadable;
    return cdio;
}

// A name of the disc, from where its tracks lie, so its titles come back with it.
std::string discIdOf(const std::vector<std::unique_ptr<CdTrackRecord>>& tracks)
{
    uint64_t hash = 1469598103934665603ull;
    for (const auto& track : tracks)
        for (const int32_t value : {track->firstSector, track->sectorCount})
            for (int shift = 0; shift < 32; shift += 8) {
                hash ^= uint8_t(uint32_t(value) >> shift);
                hash *= 1099511628211ull;
            }
    return plat::format("Disc %02d %016llx", int(tracks.size()), static_cast<unsigned long long>(hash));
}

void setOrder(Disc& d, const std::vector<int32_t>& order)
{
    d.orderHandle = GlobalToss(d.orderHandle);
    d.play.count = int32_t(order.size());
    d.play.order = nullptr;
    if (order.empty())
        return;
    d.orderHandle = GlobalNew(order.size() * sizeof(int32_t));
    d.play.order = static_cast<int32_t*>(GlobalLock(d.orderHandle));
    std::copy(order.begin(), order.end(), d.play.order);
}

std::string cut(std::string text)
{
    if (text.size() > kCdNameLength) {
        size_t end = kCdNameLength;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
        text.resize(end);
    }
    return text;
}

// Titles, names and order stored for the disc, where they are valid.
void loadStored(Disc& d)
{
    const plat::IniFile file(kDiscFile);
    const int count = int(d.tracks.size());
    d.play.title = cut(file.getString(d.discId, "Title", ""));
    d.play.artist = cut(file.getString(d.discId, "Artist", ""));
    for (int i = 0; i < count; ++i) {
        const std::string name = cut(file.getString(d.discId, plat::format("Track%d", i + 1), ""));
        if (!name.empty())
            d.tracks[size_t(i)]->name = d.tracks[size_t(i)]->name2 = name;
    }
    std::vector<int32_t> order;
    const std::string stored = file.getString(d.discId, "Order", "");
    if (stored.empty()) {
        for (int i = 0; i < count; ++i)
            order.push_back(i);
    } else {
        size_t at = 0;
        while (at < stored.size() && int(order.size()) < kMaxOrder) {
            const size_t comma = std::min(stored.find(',', at), stored.size());
            const std::optional<int64_t> number = plat::parseInt(stored.substr(at, comma - at));
            if (number && *number >= 1 && *number <= count)
                order.push_back(int32_t(*number - 1));
            at = comma + 1;
        }
    }
    setOrder(d, order);
}

void stopPlaying(Disc& d)
{
    d.playing.reset();
}

void finishPlaying(uintptr_t code)
{
    Disc& d = disc();
    plat::ui::Window* window = d.playing ? d.playing->window : nullptr;
    stopPlaying(d);
    if (plat::ui::Window::isWindow(window))
        window->post(kMciNotifyMessage, code, 0);
}

// Keeps the output fed; the end of the track, or a failure, is told to the player's window.
void pollPlaying()
{
    Disc& d = disc();
    Playing* p = d.playing.get();
    if (!p)
        return;
    const uint64_t played = p->device->playedBytes() - std::min(p->device->playedBytes(), p->playedAtOpen);
    for (int read = 0; read < kSectorsPerPoll && p->nextSector < p->endSector &&
                       p->written - std::min(played, p->written) < kQueuedBytes;
         ++read) {
        const int16_t* samples = cdio_paranoia_read(p->paranoia, nullptr);
        if (!samples) {
            finishPlaying(kMciFailure);
            return;
        }
        std::span<const uint8_t> sector(reinterpret_cast<const uint8_t*>(samples), kSectorBytes);
        if (d.gain != kFxFullGain || d.balance != 0) {
            aqx_Scale(sector.data(), p->scaled.data(), int(kSectorBytes / 4), 16, d.gain, d.balance);
            sector = p->scaled;
        }
        if (p->device->write(sector) != 0) {
            finishPlaying(kMciFailure);
            return;
        }
        p->written += kSectorBytes;
        ++p->nextSector;
    }
    if (p->nextSector >= p->endSector && played >= p->written)
        finishPlaying(kMciSuccessful);
}

struct TrackStart {
    lsn_t start;
    bool audio;
};

// Where each track of the disc begins, in order. A track begins at its index 1. One without
// (an image's cue sheet may leave it out) is told from before the disc: it begins at its
// index 0 when it has one, else at the start of the disc when it is the first track; any
// other such track has no sound of its own, which stays with the track before it.
std::vector<TrackStart> trackStarts(CdIo_t* cdio, track_t first, track_t count)
{
    std::vector<TrackStart> starts;
    for (track_t number = first; number < first + count && number <= CDIO_CD_MAX_TRACKS; ++number) {
        lsn_t start = cdio_get_track_lsn(cdio, number);
        if (start == CDIO_INVALID_LSN)
            continue;
        if (start < 0) {
            const lsn_t pregap = cdio_get_track_pregap_lsn(cdio, number);
            if (pregap != CDIO_INVALID_LSN && pregap >= 0)
                start = pregap;
            else if (starts.empty())
                start = 0;
            else
                continue;
        }
        if (!starts.empty() && start <= starts.back().start)
            continue;
        starts.push_back({start, cdio_get_track_format(cdio, number) == TRACK_FORMAT_AUDIO});
    }
    return starts;
}

int readDisc(plat::ui::Window* window, bool quiet)
{
    Disc& d = disc();
    stopPlaying(d);
    d.tracks.clear();
    setOrder(d, {});
    d.play.title.clear();
    d.play.artist.clear();
    OpenError error = OpenError::none;
    CdioHandle cdio = openSource(d.source, error);
    auto fail = [&](int message) {
        if (!quiet)
            MsgBox(window, message, kStrWindowTitle, kMbOk | kMbIconExclamation);
        return 0;
    };
    if (error == OpenError::noDrive)
        return fail(kStrNoDrive);
    if (!cdio)
        return fail(error == OpenError::unreadable ? kStrUnreadable : kStrNoDisc);
    const track_t first = cdio_get_first_track_num(cdio.get());
    const track_t count = cdio_get_num_tracks(cdio.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        return fail(kStrNoDisc);
    const std::vector<TrackStart> starts = trackStarts(cdio.get(), first, count);
    const lsn_t leadOut = cdio_get_track_lsn(cdio.get(), CDIO_CDROM_LEADOUT_TRACK);
    for (size_t i = 0; i < starts.size(); ++i) {
        if (!starts[i].audio)
            continue;
        const lsn_t start = starts[i].start;
        const lsn_t end = i + 1 < starts.size() ? starts[i + 1].start : leadOut;
        if (end == CDIO_INVALID_LSN || end <= start)
            continue;
        auto track = std::make_unique<CdTrackRecord>();
        track->key = d.nextKey++;
        track->firstSector = start;
        track->sectorCount = end - start;
        track->lengthTenths = int32_t(int64_t(track->sectorCount) * 10 / kSectorsPerSecond);
        track->name = track->name2 = GetString(kStrTrack, 20) + plat::format(" %d", int(d.tracks.size()) + 1);
        d.tracks.push_back(std::move(track));
    }
    if (d.tracks.empty())
        return fail(kStrUnreadable);
    d.discId = discIdOf(d.tracks);
    loadStored(d);
    return int(d.tracks.size());
}

void broadcastChange()
{
    obj_BroadcastChange(kObjCd);
}


}  // namespace

void obj_SetCDSource(std::string_view source)
{
    Disc& d = disc();
    stopPlaying(d);
    d.source = source;
    d.tracks.clear();
    setOrder(d, {});
}

void obj_InitCD()
{
    if (disc().tracks.empty() && readDisc(nullptr, true) > 0)
        broadcastChange();
}

int obj_LoadCD(plat::ui::Window* window)
{
    const int count = readDisc(window, false);
    broadcastChange();
    return count;
}

int obj_GetCDCount()
{
    return int(disc().tracks.size());
}

int obj_GetCDPlayCount()
{
    return disc().play.count;
}

int obj_Xlate_Index(int position)
{
    const Disc& d = disc();
    if (position < 0 || position >= d.play.count || !d.play.order)
        return -1;
    const int32_t track = d.play.order[position];
    return track >= 0 && track < int32_t(d.tracks.size()) ? track : -1;
}

CdTrackRecord* obj_GetCD(int, int track)
{
    Disc& d = disc();
    return track >= 0 && track < int(d.tracks.size()) ? d.tracks[size_t(track)].get() : nullptr;
}

int obj_PlayCD(plat::ui::Window* window, const CdTrackRecord* track, int32_t startSeconds)
{
    Disc& d = disc();
    stopPlaying(d);
    if (!track || startSeconds < 0 || int64_t(startSeconds) * kSectorsPerSecond >= track->sectorCount)
        return 0;
    auto p = std::make_unique<Playing>();
    p->window = window;
    OpenError error = OpenError::none;
    p->cdio = openSource(d.source, error);
    if (!p->cdio)
        return 0;
    p->drive = cdio_cddap_identify_cdio(p->cdio.get(), CDDA_MESSAGE_FORGETIT, nullptr);
    if (!p->drive || cdio_cddap_open(p->drive) != 0) {
        plat::trace("obj_PlayCD -- the disc cannot be read as audio");
        return 0;
    }
    // Audio sectors come little-endian from every drive and image.
    p->drive->bigendianp = 0;
    p->paranoia = cdio_paranoia_init(p->drive);
    if (!p->paranoia)
        return 0;
    cdio_paranoia_modeset(p->paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    p->nextSector = track->firstSector + startSeconds * kSectorsPerSecond;
    p->endSector = track->firstSector + track->sectorCount;
    cdio_paranoia_seek(p->paranoia, p->nextSector, SEEK_SET);
    p->device = plat::media::Backend::instance().createWaveOut(0);
    if (!p->device || p->device->open(plat::media::PcmFormat{2, 44100, 16}) != 0) {
        p->device.reset();
        plat::trace("obj_PlayCD -- no wave output opens for CD audio");
        return 0;
    }
    p->playedAtOpen = p->device->playedBytes();
    d.playing = std::move(p);
    pollPlaying();
    if (!d.playing)
        return 0;
    d.playing->device->start();
    d.playing->poll = plat::ui::UiTimers::set(kPollMs, pollPlaying);
    return 1;
}

int obj_StopCD(plat::ui::Window*, int, int)
{
    Disc& d = disc();
    if (!d.playing)
        return 0;
    stopPlaying(d);
    return 1;
}

void obj_EmptyCD(int, int)
{
    Disc& d = disc();
    stopPlaying(d);
    d.tracks.clear();
    setOrder(d, {});
    d.play.title.clear();
    d.play.artist.clear();
    broadcastChange();
}

CdDoorHook obj_SetCDDoorHook(CdDoorHook hook)
{
    return std::exchange(disc().doorHook, std::move(hook));
}

int obj_SetCDDoor(plat::ui::Window*, int32_t* value)
{
    Disc& d = disc();
    if (d.doorHook) {
        if (!value || *value != kCdDoorRequest)
            return 0;
        stopPlaying(d);
        return d.doorHook(value);
    }
    OpenError error = OpenError::none;
    CdioHandle cdio = openSource(d.source, error);
    if (!cdio || !value || *value != kCdDoorRequest)
        return 0;
    // An image has no door.
    const driver_id_t driver = cdio_get_driver_id(cdio.get());
    if (driver == DRIVER_BINCUE || driver == DRIVER_CDRDAO || driver == DRIVER_NRG)
        return 0;
    stopPlaying(d);
    const bool hasDisc = cdio_get_num_tracks(cdio.get()) != CDIO_INVALID_TRACK;
    if (hasDisc) {
        CdIo_t* raw = cdio.release();
        if (cdio_eject_media(&raw) != DRIVER_OP_SUCCESS) {
            if (raw)
                cdio_destroy(raw);
            return 0;
        }
        *value = 1;
        return 1;
    }
    const std::string device = cdio_get_arg(cdio.get(), "source") ? cdio_get_arg(cdio.get(), "source") : "";
    driver_id_t closeDriver = DRIVER_DEVICE;
    cdio.reset();
    if (cdio_close_tray(device.empty() ? nullptr : device.c_str(), &closeDriver) != DRIVER_OP_SUCCESS)
        return 0;
    *value = 0;
    return 1;
}

void obj_SetCDLevels(int gain, int balance)
{
    Disc& d = disc();
    d.gain = std::clamp(gain, 0, kFxFullGain);
    d.balance = std::clamp(balance, -kFxMaxBalance, kFxMaxBalance);
}

void obj_SaveCD()
{
    Disc& d = disc();
    if (d.tracks.empty())
        return;
    plat::IniFile file(kDiscFile);
    file.removeSection(d.discId);
    file.setString(d.discId, "Title", cut(d.play.title));
    file.setString(d.discId, "Artist", cut(d.play.artist));
    std::string order;
    for (int i = 0; i < d.play.count && d.play.order; ++i)
        order += (order.empty() ? "" : ",") + std::to_string(d.play.order[i] + 1);
    // An empty order is stored as one with no valid entry, so it stays empty.
    file.setString(d.discId, "Order", order.empty() ? "0" : order);
    for (size_t i = 0; i < d.tracks.size(); ++i)
        file.setString(d.discId, plat::format("Track%d", int(i) + 1), cut(d.tracks[i]->name));
}

CdPlayObject* obj_GetCDPlayObject()
{
    return &disc().play;
}

GlobalHandle* obj_GetCDPlayOrderHandle()
{
    return &disc().orderHandle;
}

}  // namespace rack
