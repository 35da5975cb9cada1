#include "notabase/names/DisplayNames.h"

#include "notabase/model/ECChordSymbol.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/names/NotabaseStrings.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Strings.h"

#include <array>
#include <cstdint>

namespace {

using NotabaseStrings::text;

// The element name of each id; 0 for the ids without one. Lyrics and lyric blocks share a
// name, and pan points have one of their own beside the other controller points.
constexpr std::array<uint16_t, EventId::Count> eventNames = {
    11904, 11905, 11906, 0,     0,     11907, 11908, 11909, 11910, 11911, 11912, 0,     11913,
    11914, 11915, 11916, 11917, 11918, 11919, 0,     11920, 11921, 0,     0,     11922, 11923,
    11924, 11925, 11926, 11927, 11928, 11928, 11929, 11930, 0,     11931, 11932, 11933, 0,
    0,     11934, 11953, 0,     11935, 11936, 11937, 0,     11938, 0,     11939, 11940, 11941,
    0,     0,     11942, 11943, 11944, 11945, 0,     11946, 11947, 0,     11948, 0,     11949,
    11950, 11951, 11952, 0,     0,     11955, 11956, 0,     0,     0,
};

// By tempo type: the words 2..20 in order, then the gradual changes, pauses and returns,
// which the table keeps in another order.
constexpr std::array<uint16_t, 29> tempoWords = {
    0,     0,     12360, 12361, 12362, 12363, 12364, 12365, 12366, 12367,
    12368, 12369, 12370, 12371, 12372, 12373, 12374, 12375, 12376, 12377,
    12378, 12380, 12381, 12382, 0,     12384, 12385, 12379, 12383,
};

// By dynamic type; 10, 14 and 15 have no name.
constexpr std::array<uint16_t, 17> dynamicNames = {
    12170, 12171, 12172, 12173, 12174, 12175, 12176, 12177, 12178,
    12179, 0,     12180, 12181, 12182, 0,     0,     12183,
};

// By text type; the table holds the rehearsal letter before the rehearsal number.
constexpr std::array<uint16_t, 21> textKinds = {
    0,     12401, 12402, 12403, 12404, 12405, 12406, 12407, 12408, 12409, 12410,
    12411, 12412, 12413, 12415, 12414, 12416, 12417, 12418, 12419, 12420,
};

constexpr int firstTempoWord = 2;
constexpr int lastTempoWord = 20;
// The tempo each word stands for until the user sets another.
constexpr std::array<int, 21> defaultTempos = {
    60, 60, 40, 43, 47, 50, 52, 54, 56, 58, 60, 70, 80, 100, 120, 150, 160, 190, 210, 220, 240,
};
constexpr int otherTempo = 60;

constexpr int loudestDynamic = 9;
// The velocity of each dynamic until the user sets another; 100 for the types not listed.
constexpr std::array<int, 11> defaultVelocities = {1, 15, 29, 43, 57, 71, 85, 99, 113, 127, 85};
constexpr int otherVelocity = 100;

std::string tableText(uint16_t id)
{
    return id ? text(id) : std::string();
}

// The value a named mark stands for, kept as a preference in a section of its own. A mark
// without a name has no section of its own: it answers its default and stores nothing, so
// that the nameless marks do not share one value.
int markValue(const char* sectionBase, const std::string& name, const char* valueName, int defaultValue)
{
    if (name.empty())
        return defaultValue;
    const std::string section = plat::format("%s\\%s", sectionBase, name.c_str());
    const int stored = LoadIntPreference(section.c_str(), valueName, -1);
    if (stored != -1)
        return stored;
    SaveIntPreference(section.c_str(), valueName, defaultValue);
    return defaultValue;
}

std::string nameOf(unsigned char type, const uint16_t* table, size_t size)
{
    return type < size ? tableText(table[type]) : std::string();
}

}  // namespace

std::string GetEventString(int eventId)
{
    if (eventId < 0 || eventId >= EventId::Count)
        return {};
    return tableText(eventNames[static_cast<size_t>(eventId)]);
}

std::string GetEventString(ECBase* event)
{
    if (!event)
        return {};
    const int id = event->GetEventId();
    switch (id) {
    case EventId::Accent: return GetAccentString(0);
    case EventId::Accidental: return GetAccidentalString(0);
    case EventId::Clef: return GetClefString(0);
    case EventId::Dot: return GetDotString(0);
    case EventId::Mordent: return GetMordentString(0);
    case EventId::Ornament: return GetOrnamentString(0);
    case EventId::Repeat: return GetRepeatString(0);
    default: break;
    }
    // An element of another class that reports one of these ids goes by the id's name.
    if (id == EventId::ChordSymbol) {
        if (auto* symbol = plat::dynamicDowncast<ECChordSymbol>(event))
            return GetChordSymbolString(static_cast<unsigned char>(symbol->GetChordFlavor()));
    } else if (id == EventId::Dynamic) {
        if (auto* dynamic = plat::dynamicDowncast<ECDynamic>(event))
            return GetDynamicString(dynamic->GetDynamicType());
    } else if (id == EventId::FlowControl) {
        if (auto* flow = plat::dynamicDowncast<ECFlowControl>(event))
            return GetFlowString(flow->GetFlowControlType());
    } else if (id == EventId::Tempo) {
        if (auto* tempo = plat::dynamicDowncast<ECTempo>(event))
            return GetTempoString(tempo->GetTempoType());
    } else if (id == EventId::Text) {
        if (auto* text = plat::dynamicDowncast<ECText>(event))
            return GetTextString(text->GetTextType());
    }
    return GetEventString(id);
}

std::string GetAccentString(unsigned char)
{
    return "Accent";
}

std::string GetAccidentalString(unsigned char)
{
    return "Accidental";
}

std::string GetClefString(unsigned char)
{
    return "Clef";
}

std::string GetDotString(unsigned char)
{
    return "Dot";
}

std::string GetMordentString(unsigned char)
{
    return "Mordent";
}

std::string GetOrnamentString(unsigned char)
{
    return "Ornament";
}

std::string GetRepeatString(unsigned char)
{
    return "Repeat";
}

std::string GetChordSymbolString(unsigned char flavor)
{
    if (flavor < 1 || flavor > 27)
        return {};
    return text(NotabaseStrings::firstChordQuality + flavor);
}

std::string GetDynamicString(unsigned char type)
{
    return nameOf(type, dynamicNames.data(), dynamicNames.size());
}

std::string GetFlowString(unsigned char type)
{
    if (type < 5 || type > 12)
        return {};
    return text(NotabaseStrings::firstFlow + (type - 5u));
}

std::string GetTempoString(unsigned char type)
{
    return nameOf(type, tempoWords.data(), tempoWords.size());
}

std::string GetTextString(unsigned char type)
{
    return nameOf(type, textKinds.data(), textKinds.size());
}

std::string GetPitchString(unsigned char pitch, int mode)
{
    static constexpr char flatLetters[] = "CDDEEFGGAABB";
    static constexpr char sharpLetters[] = "CCDDEFFGGAAB";
    const int octave = pitch / 12 - 1;
    const int pitchClass = pitch % 12;
    const bool black = pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
    switch (mode) {
    case 1:
        return black ? plat::format("%cb%d", flatLetters[pitchClass], octave)
                     : plat::format("%c%d", flatLetters[pitchClass], octave);
    case 2:
        return black ? plat::format("%c#%d", sharpLetters[pitchClass], octave)
                     : plat::format("%c%d", sharpLetters[pitchClass], octave);
    default:
        return plat::format("%d", pitch);
    }
}

std::string GetControllerString(unsigned char number, int mode)
{
    if (mode == 0)
        return plat::format("%d", number);
    uint32_t id = 0;
    if (number <= 2)
        id = NotabaseStrings::firstController + number;
    else if (number >= 4 && number <= 8)
        id = 12103 + (number - 4u);
    else if (number >= 10 && number <= 13)
        id = 12108 + (number - 10u);
    else if (number >= 16 && number <= 19)
        id = 12112 + (number - 16u);
    else if (number >= 64 && number <= 67)
        id = 12116 + (number - 64u);
    else if (number >= 70 && number <= 74)
        id = 12122 + (number - 70u);
    else if (number == 84)
        id = 12136;
    else if (number >= 91 && number <= 95)
        id = 12137 + (number - 91u);
    else if (number >= 120 && number <= 127)
        id = 12148 + (number - 120u);
    const std::string name = id ? text(id) : std::string();
    return mode == 2 ? plat::format("%3d)  %s", number, name.c_str()) : name;
}

std::string GetPolyPressureString(unsigned char note)
{
    return plat::format("PolyPressure %d", note);
}

std::string GetRPNString(int msb, int lsb, unsigned long)
{
    static constexpr const char* names[] = {
        "Pitchbend sensitivity", "Fine tuning", "Coarse tuning", "Tuning Program Select", "Tuning Bank Select",
    };
    if (msb == 0 && lsb >= 0 && lsb <= 4)
        return names[lsb];
    return "Unknown function";
}

std::string GetNRPNString(int msb, int lsb, unsigned long)
{
    if (msb == 1) {
        switch (lsb) {
        case 8: return "Vibrato rate";
        case 9: return "Vibrato depth";
        case 10: return "Vibrato delay";
        case 32: return "Filter cutoff frequency";
        case 33: return "Filter resonance";
        case 99: return "Envelope attack rate";
        case 100: return "Envelope decay rate";
        case 102: return "Envelope release rate";
        default: return "Unknown function";
        }
    }
    // Parameters of one drum, lsb its key.
    static constexpr const char* drumFormats[] = {
        "Filter cutoff frequency, drum %d", "Filter resonance, drum %d", "Envelope attack rate, drum %d",
        "Envelope decay rate, drum %d",     "Coarse pitch setting, drum %d", "Fine pitch setting, drum %d",
        "Level, drum %d",                   nullptr,                         "Panpot, drum %d",
        "Reverb send level, drum %d",       "Chorus send level, drum %d",  "Variation send level, drum %d",
    };
    if (msb >= 20 && msb <= 31 && drumFormats[msb - 20])
        return plat::format(drumFormats[msb - 20], lsb);
    return "Unknown function";
}

std::string GetPatchString()
{
    return "Patch change";
}

std::string GetPitchBendString()
{
    return "Pitch bend";
}

std::string GetChanPressureString()
{
    return "After touch";
}

int GetTempoValue(int type)
{
    const bool word = type >= firstTempoWord && type <= lastTempoWord;
    const int defaultValue = word ? defaultTempos[static_cast<size_t>(type)] : otherTempo;
    const std::string name = type >= 0 && type <= 255 ? GetTempoString(static_cast<unsigned char>(type)) : "";
    return markValue("Settings\\Tempo", name, "BPM", defaultValue);
}

int GetTempoType(int bpm)
{
    int type = firstTempoWord;
    for (int t = firstTempoWord; t <= lastTempoWord; ++t) {
        if (GetTempoValue(t) > bpm)
            break;
        type = t;
    }
    return type;
}

int GetDynamicValue(int type)
{
    const int defaultValue =
        type >= 0 && type < static_cast<int>(defaultVelocities.size()) ? defaultVelocities[static_cast<size_t>(type)]
                                                                        : otherVelocity;
    const std::string name = type >= 0 && type <= 255 ? GetDynamicString(static_cast<unsigned char>(type)) : "";
    return markValue("Settings\\Dynamics", name, "Midi Value", defaultValue);
}

int GetDynamicType(int velocity)
{
    int type = 0;
    for (int t = 0; t <= loudestDynamic; ++t) {
        if (GetDynamicValue(t) > velocity)
            break;
        type = t;
    }
    return type;
}

int GetTextValue(unsigned char textType)
{
    switch (textType) {
    case 1: return 2;
    case 3:
    case 8: return 3;
    case 4: return 4;
    case 5: return 6;
    case 6: return 7;
    default: return 1;
    }
}

int GetTextType(int metaType, int first)
{
    switch (metaType) {
    case 2: return 1;
    case 3: return first ? 8 : 3;
    case 4: return 4;
    case 6: return 5;
    case 7: return 6;
    default: return 0;
    }
}

void SetScaleParams(float x1, float x2, float y1, float y2, float& slope, float& offset)
{
    if (x2 == x1) {
        slope = 0.0f;
        offset = 0.0f;
        return;
    }
    slope = (y2 - y1) / (x2 - x1);
    offset = y2 - x2 * slope;
}
