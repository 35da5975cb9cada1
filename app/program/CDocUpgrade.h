#pragma once

#include <functional>

class CCAdd;
class CCBase;
class ECBase;
class ECDynamic;
class ECEnvPoint;
class ECEnvelope;
class ECFlowControl;
class ECPedal;
class ECStaff;
class ECTempo;
class ECText;
class ECTrack;
class FCMidi;
class MCOpusDoc;

// Brings the element graph of a document stored in an older format version to the current
// model, once, before the document is shown. A document of version 4 or above is left as it is.
class CDocUpgrade {
public:
    explicit CDocUpgrade(MCOpusDoc* document);

    void Run();

private:
    // Staves (kind 1), the conductor staff (kind 0) and wave tracks (kind 2), by number.
    void ForEachTrack(const std::function<void(int kind, int number, ECTrack* track)>& visit);
    // Every element below each track that is on a track of its own, or on none, moves to the
    // track it is stored under.
    void SetTrackNumbers();

    // Documents before version 3 kept their MIDI data as plain children of the tracks.
    void ConvertTrackEvents(ECTrack* track);
    // The envelope of a kind for a voice of the track, made when missing (and the track's
    // sequencer data with it); null when the track has no such envelopes.
    ECEnvelope* TrackEnvelope(ECTrack* track, int kind, int voice, int number);
    // Moves an old event of the track into the envelope by the add command (which it applies),
    // runs then, and unlinks the event's data. An event the envelope does not take stays where
    // it was, with its data, and false is answered.
    bool MoveIntoEnvelope(ECTrack* track, ECEnvPoint* event, ECEnvelope* envelope, CCAdd* add,
                          const FCMidi& message, const std::function<void()>& then = {});
    // A controller-like event (channel pressure, controller, dynamic, pedal, pitch bend, poly
    // pressure) becomes a point of its envelope.
    void ConvertToPoint(ECTrack* track, ECEnvPoint* event);
    void ConvertTranspose(ECTrack* track, ECEnvPoint* transpose);
    void ConvertProgramChange(ECTrack* track, ECEnvPoint* program);
    void ConvertTempo(ECTrack* track, ECTempo* tempo);
    void ConvertMeter(ECTrack* track, ECBase* meter);
    void ConvertTrackText(ECTrack* track, ECText* text);
    void RemoveBrokenTie(ECBase* tie);
    // A gradual dynamic's end moves by its old percent change.
    void SetHairpinEnd(ECDynamic* dynamic);
    // A gradual tempo change's end moves by its old percent change.
    void SetTempoChangeEnd(ECTempo* tempo);
    // A pedal release ends the pedal held before it.
    void EndHeldPedal(ECEnvelope* envelope, ECPedal* pedal);
    // The lower hand of a grand staff gets the keys of the upper hand where it has none.
    void CopyKeysToLowerHand(ECStaff* staff);

    void UpgradeFlowControl(ECTrack* track, ECFlowControl* mark);
    void UpgradeText(ECText* text);
    // Plain points of the patch envelopes become program changes.
    void ConvertPatchPoints(ECTrack* staff);
    // Envelopes the staff no longer holds leave its managers, empty ones go, and points at the
    // time of the point before them go.
    void CleanUpEnvelopes(ECTrack* staff);
    // Channel-mode messages go to the conductor staff.
    void MoveChannelModes(ECTrack* staff);
    // The clefs of the lower hand of a grand staff take the staff's voice/track word.
    void SetLowerHandClefTracks(ECStaff* staff);
    // Tuplets whose count is the normal count doubled, once or more, are edited so that they
    // lay out again.
    void EditPowerOfTwoTuplets(ECStaff* staff);

    // Applies a synchronous command to the document's performance.
    void Apply(CCBase* command);
    void Remove(ECBase* element);
    // Takes the element's sequencer data out of the sequence and off the element.
    void UnlinkData(ECBase* element);

    MCOpusDoc* m_document;
    // The bank and program last met, in the order the tracks are visited: a program change
    // takes the bank selected before it, on its own track or an earlier one.
    unsigned char m_bankMSB = 0;
    unsigned char m_bankLSB = 0;
    unsigned char m_program = 0;
};
