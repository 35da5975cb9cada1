#include "notabase/names/DisplayNames.h"

#include "notabase/prefs/Preferences.h"

#include <array>

namespace {

// Indexed by tempo type. Types 21 to 28 are the gradual changes, pauses and returns.
constexpr std::array<const char*, 29> tempoWords = {
    "",           "",             "Larghissimo", "Adagissimo", "Lentissimo", "Largo",   "Adagio",
    "Lento",      "Larghetto",    "Adagietto",   "Andante",    "Andantino",  "Moderato", "Allegretto",
    "Allegro",    "Vivace",       "Vivo",        "Presto",     "Allegrissimo", "Vivacissimo",
    "Prestissimo", "accel.",      "rall.",       "rit.",       "",           "G.P.",    "L.P.",
    "a tempo",    "rubato",
};

// The tempo each word stands for until the user sets another; 60 for the words not listed.
constexpr std::array<int, 21> defaultTempos = {
    60, 60, 40, 43, 47, 50, 52, 54, 56, 58, 60, 70, 80, 100, 120, 150, 160, 190, 210, 220, 240,
};

constexpr int firstWord = 2;
constexpr int lastWord = 20;

}  // namespace

std::string GetTempoString(unsigned char type)
{
    return type < tempoWords.size() ? tempoWords[type] : "";
}

int GetTempoValue(int type)
{
    const std::string section = std::string("Settings\\Tempo\\")
                                + (type >= 0 && type <= 255 ? GetTempoString(static_cast<unsigned char>(type)) : "");
    const int stored = LoadIntPreference(section.c_str(), "BPM", -1);
    if (stored != -1)
        return stored;
    const int value = type >= firstWord && type <= lastWord ? defaultTempos[static_cast<size_t>(type)] : 60;
    SaveIntPreference(section.c_str(), "BPM", value);
    return value;
}

int GetTempoType(int bpm)
{
    int type = firstWord;
    for (int t = firstWord; t <= lastWord; ++t) {
        if (GetTempoValue(t) > bpm)
            break;
        type = t;
    }
    return type;
}
