#include "notabase/names/DisplayNames.h"

#include "notabase/model/ECAccent.h"
#include "notabase/model/ECBankMSB.h"
#include "notabase/model/ECChordSymbol.h"
#include "notabase/model/ECDot.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECLyric.h"
#include "notabase/model/ECLyricBlock.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECPan.h"
#include "notabase/model/ECRepeat.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECClef.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Profile.h"
#include "platform/core/Resources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

class DisplayNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quavix-names-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
        plat::Profile::setFolder(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::string m_folder;
};

TEST_F(DisplayNamesTest, EveryElementIdHasItsName)
{
    const std::map<int, std::string> named = {
        {0, "Accent"},           {1, "Accidental"},        {2, "Arpeggio"},          {5, "Barline"},
        {6, "Event"},            {7, "Beam"},              {8, "Brace/Bracket"},     {9, "Channel Mode"},
        {10, "Channel Pressure"}, {12, "Chord"},           {13, "Chord Symbol"},     {14, "Clef"},
        {15, "Conductor"},       {16, "Conductor Measure"}, {17, "Conductor Staff"}, {18, "Control Change"},
        {20, "Dot"},             {21, "Dynamic Marking"},  {24, "Repeat"},           {25, "Frame"},
        {26, "Glissando"},       {27, "Grace note"},       {28, "Group"},            {29, "Key"},
        {30, "Lyric"},           {31, "Lyric"},            {32, "Layout"},           {33, "Meter"},
        {35, "Mirror"},          {36, "Mordent"},          {37, "Note"},             {40, "Ornament"},
        {41, "Pan"},             {43, "Pedal"},            {44, "Document"},         {45, "Pitch Bend"},
        {47, "Polyphonic Pressure"}, {49, "Program Change"}, {50, "Repeat Pattern"}, {51, "Rest"},
        {54, "Slur"},            {55, "Staff"},            {56, "System Message"},   {57, "Tempo"},
        {59, "Text"},            {60, "Tie"},              {62, "Transpose"},        {64, "Tremolo"},
        {65, "Trill"},           {66, "Tuplet"},           {67, "Turn"},             {70, "Wave file"},
        {71, "Wave track"},
    };
    for (int id = -2; id < EventId::Count + 3; ++id) {
        const auto found = named.find(id);
        EXPECT_EQ(GetEventString(id), found == named.end() ? "" : found->second) << id;
    }
}

// An element of its own class that reports the id of texts.
class TextLike : public ECWithTime {
public:
    int GetEventId() const override { return EventId::Text; }
};

TEST_F(DisplayNamesTest, ElementsAreNamedByTheirKind)
{
    EXPECT_EQ(GetEventString(nullptr), "");
    const struct {
        std::function<ECBase*()> make;
        const char* name;
    } cases[] = {
        {[] { return new ECAccent(5); }, "Accent"},
        {[] { return new ECDot(2); }, "Dot"},
        {[] { return new ECClef; }, "Clef"},
        {[] { return new ECRepeat(3); }, "Repeat"},
        {[] { return new ECChordSymbol(0, 0, 19, 0); }, "m6"},
        {[] { return new ECChordSymbol; }, ""},
        {[] { return new ECDynamic; }, "mf"},
        {[] { return new ECDynamic(11, MCTime(1.0f)); }, "cresc."},
        {[] { return new ECFlowControl(7); }, "D.C. al Fine"},
        {[] { return new ECFlowControl(2); }, ""},
        {[] { return new ECTempo(14, MCTime(0.0f)); }, "Allegro"},
        {[] { return new ECTempo; }, ""},
        {[] { return new ECText(8, "Sonata"); }, "Title"},
        {[] { return new ECText; }, ""},
        {[] { return new ECLyric("la"); }, "Lyric"},
        {[] { return new ECLyricBlock("la la"); }, "Lyric"},
        {[] { return new ECNote; }, "Note"},
        {[] { return new ECPan; }, "Pan"},
        {[] { return new ECBankMSB; }, ""},
        {[] { return new TextLike; }, "Text"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<ECBase> element(c.make());
        EXPECT_EQ(GetEventString(element.get()), c.name) << element->runtimeClass()->name;
    }
}

TEST_F(DisplayNamesTest, KindsHaveTheirNames)
{
    const struct {
        std::string (*name)(unsigned char);
        std::map<int, std::string> named;
        bool complete;  // every other code up to 40 is empty; else only 0 and codes above 28
    } cases[] = {
        {GetChordSymbolString,
         {{1, "m"}, {2, "^D"}, {6, "sus[^F9]"}, {8, "7"}, {11, "sus"}, {19, "m6"}, {22, "add 9"},
          {23, "maj7 (add 9)"}, {27, "7 sus"}},
         false},
        {GetDynamicString,
         {{0, "pppp"}, {1, "ppp"}, {2, "pp"}, {3, "p"}, {4, "mp"}, {5, "mf"}, {6, "f"}, {7, "ff"}, {8, "fff"},
          {9, "ffff"}, {11, "cresc."}, {12, "decresc."}, {13, "dim."}, {16, "User Defined"}},
         true},
        {GetFlowString,
         {{5, "Fine"}, {6, "D.C."}, {7, "D.C. al Fine"}, {8, "D.C. al Segno"}, {9, "D.C. al Segno e poi la Coda"},
          {10, "D.S."}, {11, "D.S. al Fine"}, {12, "D.S. al Coda"}},
         true},
        {GetTempoString,
         {{2, "Larghissimo"}, {3, "Adagissimo"}, {4, "Lentissimo"}, {5, "Largo"}, {6, "Adagio"}, {7, "Lento"},
          {8, "Larghetto"}, {9, "Adagietto"}, {10, "Andante"}, {11, "Andantino"}, {12, "Moderato"},
          {13, "Allegretto"}, {14, "Allegro"}, {15, "Vivace"}, {16, "Vivo"}, {17, "Presto"}, {18, "Allegrissimo"},
          {19, "Vivacissimo"}, {20, "Prestissimo"}, {21, "accel."}, {22, "rall."}, {23, "rit."}, {25, "G.P."},
          {26, "L.P."}, {27, "a tempo"}, {28, "rubato"}},
         true},
        {GetTextString,
         {{1, "Copyright Information"}, {2, "Sequence Name"}, {3, "Track Name"}, {4, "Instrument Name"},
          {5, "Marker"}, {6, "Cue Point"}, {7, "Dedication Information"}, {8, "Title"}, {9, "Subtitle"},
          {10, "Composer"}, {11, "Arranger"}, {12, "Text Author"}, {13, "Opus Number"}, {14, "Rehearsal Number"},
          {15, "Rehearsal Letter"}, {16, "Subject Header"}, {17, "Quote"}, {18, "Verse"}, {19, "Metric Scheme"},
          {20, "Tune"}},
         true},
    };
    for (const auto& c : cases) {
        for (int code = 0; code <= 40; ++code) {
            const auto found = c.named.find(code);
            if (c.complete || found != c.named.end() || code == 0 || code > 28) {
                EXPECT_EQ(c.name(static_cast<unsigned char>(code)), found == c.named.end() ? "" : found->second)
                    << code;
            }
        }
    }
    // Every chord flavor 1..27 has a quality.
    for (int flavor = 1; flavor <= 27; ++flavor)
        EXPECT_NE(GetChordSymbolString(static_cast<unsigned char>(flavor)), "") << flavor;
    EXPECT_EQ(GetTempoString(255), "");

    const struct {
        std::string (*name)(unsigned char);
        const char* word;
    } fixed[] = {
        {GetAccentString, "Accent"}, {GetAccidentalString, "Accidental"}, {GetClefString, "Clef"},
        {GetDotString, "Dot"},       {GetMordentString, "Mordent"},       {GetOrnamentString, "Ornament"},
        {GetRepeatString, "Repeat"},
    };
    for (const auto& f : fixed) {
        for (unsigned char type : {0, 7, 255})
            EXPECT_EQ(f.name(type), f.word);
    }
    EXPECT_EQ(GetPatchString(), "Patch change");
    EXPECT_EQ(GetPitchBendString(), "Pitch bend");
    EXPECT_EQ(GetChanPressureString(), "After touch");
    EXPECT_EQ(GetPolyPressureString(61), "PolyPressure 61");
}

TEST_F(DisplayNamesTest, PitchNames)
{
    const struct {
        unsigned char pitch;
        int mode;
        const char* name;
    } cases[] = {
        {60, 1, "C4"},  {60, 2, "C4"},   {60, 0, "60"},   {61, 1, "Db4"},  {61, 2, "C#4"}, {70, 1, "Bb4"},
        {70, 2, "A#4"}, {0, 1, "C-1"},   {0, 2, "C-1"},   {11, 2, "B-1"},  {66, 1, "Gb4"}, {66, 2, "F#4"},
        {68, 1, "Ab4"}, {63, 2, "D#4"},  {64, 1, "E4"},   {65, 2, "F4"},   {127, 1, "G9"}, {127, 3, "127"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetPitchString(c.pitch, c.mode), c.name) << int(c.pitch) << " mode " << c.mode;
}

TEST_F(DisplayNamesTest, ControllerNames)
{
    const std::map<int, std::string> named = {
        {0, "Bank Select"}, {1, "Mod Wheel"}, {2, "Breath Controller"}, {4, "Foot Controller"},
        {5, "Portamento Time"}, {6, "Data Entry"}, {7, "Volume"}, {8, "Balance"}, {10, "Pan"},
        {11, "Expression"}, {12, "Effect Control 1"}, {13, "Effect Control 2"}, {16, "General Purpose 1"},
        {17, "General Purpose 2"}, {18, "General Purpose 3"}, {19, "General Purpose 4"}, {64, "Damper Pedal"}, {65, "Portamento On/Off"}, {66, "Sostenuto"},
        {67, "Soft Pedal"}, {70, "Sound Ctrl 1 (Sound Variation)"},
        {71, "Sound Ctrl 2 (Timbre/Harmonic Intensity)"}, {72, "Sound Ctrl 3 (Release Time)"},
        {73, "Sound Ctrl 4 (Attack Time)"}, {74, "Sound Ctrl 5 (Brightness)"}, {84, "Portamento Control"},
        {91, "FX Send 1 (Reverb)"}, {92, "FX Send 2 (Tremolo)"}, {93, "FX Send 3 (Chorus)"},
        {94, "FX Send 4 (Variation)"}, {95, "FX Send 5 (Phaser)"}, {120, "All Sound Off"},
        {121, "Reset All Controllers"}, {122, "Local Control"}, {123, "All Notes Off"}, {124, "Omni Mode Off"},
        {125, "Omni Mode On"}, {126, "Mono Mode On"}, {127, "Poly Mode On"},
    };
    for (int number = 0; number <= 255; ++number) {
        const auto found = named.find(number);
        const std::string name = found == named.end() ? "" : found->second;
        const auto n = static_cast<unsigned char>(number);
        EXPECT_EQ(GetControllerString(n, 1), name) << number;
        EXPECT_EQ(GetControllerString(n, 0), std::to_string(number));
    }
    EXPECT_EQ(GetControllerString(7, 2), "  7)  Volume");
    EXPECT_EQ(GetControllerString(127, 2), "127)  Poly Mode On");
    EXPECT_EQ(GetControllerString(68, 2), " 68)  ");
    EXPECT_EQ(GetControllerString(7, 5), "Volume");
}

TEST_F(DisplayNamesTest, ParameterNames)
{
    const struct {
        std::string (*name)(int, int, unsigned long);
        int msb, lsb;
        const char* text;
    } cases[] = {
        {GetRPNString, 0, 0, "Pitchbend sensitivity"},
        {GetRPNString, 0, 1, "Fine tuning"},
        {GetRPNString, 0, 2, "Coarse tuning"},
        {GetRPNString, 0, 3, "Tuning Program Select"},
        {GetRPNString, 0, 4, "Tuning Bank Select"},
        {GetRPNString, 0, 5, "Unknown function"},
        {GetRPNString, 1, 0, "Unknown function"},
        {GetRPNString, 0, -1, "Unknown function"},
        {GetNRPNString, 1, 8, "Vibrato rate"},
        {GetNRPNString, 1, 9, "Vibrato depth"},
        {GetNRPNString, 1, 10, "Vibrato delay"},
        {GetNRPNString, 1, 32, "Filter cutoff frequency"},
        {GetNRPNString, 1, 33, "Filter resonance"},
        {GetNRPNString, 1, 99, "Envelope attack rate"},
        {GetNRPNString, 1, 100, "Envelope decay rate"},
        {GetNRPNString, 1, 101, "Unknown function"},
        {GetNRPNString, 1, 102, "Envelope release rate"},
        {GetNRPNString, 20, 36, "Filter cutoff frequency, drum 36"},
        {GetNRPNString, 21, 38, "Filter resonance, drum 38"},
        {GetNRPNString, 22, 1, "Envelope attack rate, drum 1"},
        {GetNRPNString, 23, 2, "Envelope decay rate, drum 2"},
        {GetNRPNString, 24, 3, "Coarse pitch setting, drum 3"},
        {GetNRPNString, 25, 4, "Fine pitch setting, drum 4"},
        {GetNRPNString, 26, 5, "Level, drum 5"},
        {GetNRPNString, 27, 6, "Unknown function"},
        {GetNRPNString, 28, 7, "Panpot, drum 7"},
        {GetNRPNString, 29, 8, "Reverb send level, drum 8"},
        {GetNRPNString, 30, 9, "Chorus send level, drum 9"},
        {GetNRPNString, 31, 10, "Variation send level, drum 10"},
        {GetNRPNString, 19, 10, "Unknown function"},
        {GetNRPNString, 32, 10, "Unknown function"},
        {GetNRPNString, 0, 8, "Unknown function"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.name(c.msb, c.lsb, 0), c.text) << c.msb << '/' << c.lsb;
}

TEST_F(DisplayNamesTest, TempoWordsKeepTheirTempoInThePreferences)
{
    EXPECT_EQ(GetTempoValue(14), 120);
    EXPECT_EQ(LoadIntPreference("Settings\\Tempo\\Allegro", "BPM", -1), 120) << "the default is stored";
    const int defaults[] = {40, 43, 47, 50, 52, 54, 56, 58, 60, 70, 80, 100, 120, 150, 160, 190, 210, 220, 240};
    for (int type = 2; type <= 20; ++type)
        EXPECT_EQ(GetTempoValue(type), defaults[type - 2]) << type;
    EXPECT_EQ(GetTempoType(125), 14);
    EXPECT_EQ(GetTempoType(120), 14);
    EXPECT_EQ(GetTempoType(10), 2);
    EXPECT_EQ(GetTempoType(1000), 20);

    SaveIntPreference("Settings\\Tempo\\Allegro", "BPM", 132);
    EXPECT_EQ(GetTempoValue(14), 132);
    EXPECT_EQ(GetTempoType(125), 13);

    // Types without a word have no preference of their own.
    for (int type : {0, 1, 21, 24, 29, -5})
        EXPECT_EQ(GetTempoValue(type), 60) << type;
    EXPECT_EQ(LoadIntPreference("Settings\\Tempo\\", "BPM", -1), -1);
}

TEST_F(DisplayNamesTest, DynamicsKeepTheirVelocityInThePreferences)
{
    EXPECT_EQ(GetDynamicType(100), 7);
    EXPECT_EQ(GetDynamicType(99), 7);
    EXPECT_EQ(GetDynamicType(98), 6);
    EXPECT_EQ(GetDynamicType(0), 0);
    EXPECT_EQ(GetDynamicType(127), 9);
    EXPECT_EQ(LoadIntPreference("Settings\\Dynamics\\mf", "Midi Value", -1), 71);
    const int defaults[] = {1, 15, 29, 43, 57, 71, 85, 99, 113, 127};
    for (int type = 0; type <= 9; ++type)
        EXPECT_EQ(GetDynamicValue(type), defaults[type]) << type;
    EXPECT_EQ(GetDynamicValue(11), 100);
    EXPECT_EQ(LoadIntPreference("Settings\\Dynamics\\cresc.", "Midi Value", -1), 100);
    SaveIntPreference("Settings\\Dynamics\\ff", "Midi Value", 110);
    EXPECT_EQ(GetDynamicType(100), 6);

    // The nameless types each keep their own default, whichever is asked first.
    EXPECT_EQ(GetDynamicValue(14), 100);
    EXPECT_EQ(GetDynamicValue(10), 85);
    EXPECT_EQ(GetDynamicValue(15), 100);
    EXPECT_EQ(GetDynamicValue(10), 85);
    EXPECT_EQ(GetDynamicValue(200), 100);
    EXPECT_EQ(LoadIntPreference("Settings\\Dynamics\\", "Midi Value", -1), -1);
}

TEST_F(DisplayNamesTest, TextKindsAndMetaEvents)
{
    const int metaOfKind[] = {1, 2, 1, 3, 4, 6, 7, 1, 3, 1, 1};
    for (int kind = 0; kind <= 10; ++kind)
        EXPECT_EQ(GetTextValue(static_cast<unsigned char>(kind)), metaOfKind[kind]) << kind;
    EXPECT_EQ(GetTextValue(255), 1);
    const struct {
        int meta, first, kind;
    } cases[] = {{2, 0, 1}, {3, 1, 8}, {3, 0, 3}, {4, 0, 4}, {6, 0, 5}, {7, 1, 6}, {1, 0, 0}, {5, 0, 0}, {8, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(GetTextType(c.meta, c.first), c.kind) << c.meta;
}

TEST_F(DisplayNamesTest, ScaleLines)
{
    float slope = 9.0f;
    float offset = 9.0f;
    SetScaleParams(0.0f, 127.0f, 0.0f, 1.0f, slope, offset);
    EXPECT_FLOAT_EQ(slope, 1.0f / 127.0f);
    EXPECT_FLOAT_EQ(offset, 0.0f);
    SetScaleParams(1.0f, 3.0f, 10.0f, 20.0f, slope, offset);
    EXPECT_FLOAT_EQ(slope, 5.0f);
    EXPECT_FLOAT_EQ(offset, 5.0f);
    SetScaleParams(2.0f, 2.0f, 0.0f, 1.0f, slope, offset);
    EXPECT_EQ(slope, 0.0f);
    EXPECT_EQ(offset, 0.0f);
}

TEST_F(DisplayNamesTest, NamesComeFromTheLibrarysOwnTable)
{
    // Another module made current on this thread, with a text under the same id, does not
    // change the library's words; a thread that never switched reads them too.
    static constexpr plat::Resources::Entry wrong[] = {{11904u, "Wrong"}, {12106u, "Wrong"}};
    const plat::Resources::Registration other("NamesTestModule", wrong);
    const plat::Resources::ModuleSwitch module("NamesTestModule");
    EXPECT_EQ(GetEventString(0), "Accent");
    EXPECT_EQ(GetControllerString(7, 1), "Volume");
    EXPECT_EQ(plat::Resources::string(11904), "Wrong") << "the switch is still in force";
    std::string fromThread;
    std::thread([&fromThread] { fromThread = GetDynamicString(5); }).join();
    EXPECT_EQ(fromThread, "mf");
}

}  // namespace
