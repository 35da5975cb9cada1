#pragma once

#include "notabase/values/MCTime.h"

#include <cstddef>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

class ECBase;
class SCNotationInfo;

// Where giving the notes of a selection one new duration puts the later notes of their voices,
// worked out in one pass. The note page lengthens the notes one after another, in time order;
// each that reaches into a later note of its staff, voice and track moves every note of that
// voice after its start by what it grew. Here each voice is a list of its notes in time order
// and each growth a move of the list's tail that the notes take up only when they are looked
// at, so that the apply moves each note once, to where the note after note edits leave it.
//
// It follows the edits only while the notes sound where they are written (no view placed one
// elsewhere), times are plain, and no note grows shorter, so that the order of a voice's notes
// never changes; otherwise the caller edits the notes one by one.
class CNoteShifts {
public:
    // The notes the info asks about: the playing notes of the edited notes' staves from the
    // first edited note on, in the order of their staves.
    explicit CNoteShifts(SCNotationInfo& info);

    // False when the notes cannot be followed here (see above).
    bool IsValid() const { return m_valid; }

    // Before any edit: whether a note of note's voice starts after start and before end; empty
    // when note's voice is not one list (it takes notes of any voice or track).
    std::optional<bool> HitsLaterNote(ECBase* note, const MCTime& start, const MCTime& end) const;

    // Gives note the duration, the later notes of its voice moving on by played minus its old
    // duration when it reaches the next of them within played. False when that cannot be
    // followed: note is not listed, takes notes of any voice, or would grow shorter.
    bool SetDuration(ECBase* note, const MCTime& played, const MCTime& duration);

    // The notes moved, with their new times, in the order of their last moves.
    std::vector<std::pair<ECBase*, MCTime>> Moves();

private:
    struct Member {
        ECBase* note = nullptr;
        MCTime time;
        MCTime duration;
        // How many of the voice's moves the note has taken, and the sequence number of the last.
        size_t taken = 0;
        size_t lastMove = 0;
    };
    struct Move {
        MCTime shift;
        size_t from = 0;  // the first member it moves
        size_t sequence = 0;
    };
    struct Voice {
        std::vector<Member> members;
        std::vector<Move> moves;  // their from never decreases
        size_t cursor = 0;        // the members before it start no later than the last edit
    };
    using Key = std::tuple<const ECBase*, int, int>;
    struct KeyHash {
        size_t operator()(const Key& key) const;
    };

    // The voice the note's own filter takes, or null when it takes any voice or track.
    static std::optional<Key> KeyOf(ECBase* note);
    // The member with the moves before it caught up.
    static Member& CatchUp(Voice& voice, size_t index);

    bool m_valid = true;
    std::unordered_map<Key, Voice, KeyHash> m_voices;
    std::unordered_map<const ECBase*, std::pair<Voice*, size_t>> m_where;
    size_t m_sequence = 0;
};
