#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/MediaTime.h"

#include <cstdint>
#include <span>
#include <string>

namespace plat::media {

// One block of a MIDI output stream: packed event words, 1 ms per tick. Each event is
//   word 0: delta in ms since the previous event of the block,
//   word 1: stream id (0),
//   word 2: event code: bit 31 set = long event whose low 24 bits count the parameter bytes
//           that follow, padded to whole words; bit 30 = call Events::marker when the event
//           plays; bits 24-29 the kind: 0 a short message (bit 31 clear: the packed
//           message, status in the low byte) or a system-exclusive message (bit 31 set),
//           2 nothing (a no-op or a comment).
// A block lasts the sum of its deltas. The words stay the caller's: they must stay valid
// and unchanged until done() names the block.
struct PLATMEDIA_API StreamBlock {
    std::span<const uint32_t> words;
    uintptr_t user = 0;
};

inline constexpr uint32_t kStreamLongFlag = 0x80000000u;
inline constexpr uint32_t kStreamCallbackFlag = 0x40000000u;
inline constexpr uint32_t kStreamShortMessage = 0x00000000u;
inline constexpr uint32_t kStreamNop = 0x02000000u;

// A MIDI output port with a stream. Every backend keeps this contract:
// - blocks play back to back on one stream timeline; blocks queued before restart() wait
//   and start at stream time 0;
// - done() comes once per block, in queue order, when the stream passes the block's end;
//   stop() also returns every block still queued through done();
// - marker() comes when an event with the callback flag plays;
// - a block queued after the stream ran dry keeps its place on the timeline: its events
//   whose time has passed play at once, the later ones at their time, and underrun() says
//   how late it came, once until a block comes in time again;
// - callbacks run on a backend thread (or in the caller of stop() or, for underrun(), of
//   queue()), never with a backend lock held, and must not block: they post or record,
//   nothing more;
// - shortMsg() and longMsg() may be called from any thread at any time while open.
// Every operation answers 0 or an error number (MediaError.h).
class PLATMEDIA_API MidiOutPort {
public:
    struct Caps {
        std::string name;
        uint16_t manufacturer = 0;
        uint16_t product = 0;
        uint32_t driverVersion = 0;
        uint16_t technology = 0;   // 1 port, 2 synthesizer, 3 square wave, 4 FM, 5 mapper, 6 wavetable, 7 software synth
        uint16_t voices = 0;
        uint16_t notes = 0;
        uint16_t channelMask = 0xFFFF;
        uint32_t support = 0;
    };

    class Events {
    public:
        virtual ~Events() = default;
        virtual void done(uintptr_t user) = 0;
        // The event at wordOffset of the block named by user has played.
        virtual void marker(uintptr_t user, size_t wordOffset) = 0;
        // The block named by user came lateMs after its place on the stream's timeline.
        virtual void underrun(uintptr_t /*user*/, uint32_t /*lateMs*/) {}
    };

    virtual ~MidiOutPort() = default;

    // Opens the port with its stream paused at time 0.
    virtual int open(Events* events) = 0;
    virtual int queue(const StreamBlock& block) = 0;
    virtual int restart() = 0;
    // restart() as if called at the start of clock millisecond `at` (now, when that lies
    // ahead): the stream counts on from there, so what lies before now plays at once. A
    // stream started by its play's start time keeps that play's timeline to the microsecond.
    virtual int restartAt(MediaTime at) = 0;
    virtual int pause() = 0;
    // Silences the port, returns every queued block and sets the stream back to time 0.
    virtual int stop() = 0;
    virtual int close() = 0;
    virtual int shortMsg(uint32_t packed) = 0;
    virtual int longMsg(std::span<const uint8_t> bytes) = 0;
    virtual std::string errorText(int error) const = 0;
};

}  // namespace plat::media
