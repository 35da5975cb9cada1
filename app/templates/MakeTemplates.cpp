// Writes the templates that ship beside the program ("Templates/<name>.kvt"): each is a
// document made here with the program's own classes and saved natively, so a template
// always matches the document format of this build. Staves are made as Add Staff makes
// them, from part values given here instead of the user's part definitions.
//
// Usage: MakeTemplates <folder>

#include "app/dialogs/CAddStaffDlg.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCAddClef.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDataItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECStaff.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Profile.h"
#include "platform/core/UserPrompt.h"
#include "sequencer/InitSequencer.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/values/MCVoiceMap.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// Staff types and clef types of the part values.
constexpr int kPlainStaff = 0, kGrandStaff = 1, kDrumStaff = 3;
constexpr int kTreble = 0, kBass = 3, kAlto = 7, kDrumClef = 8;
constexpr int kBars = 8;

struct TemplateStaff {
    std::string name;
    CAddStaffDlg::PartParams part;
    // Staves of different instruments sound on channels of their own; drums on the tenth.
    unsigned int channel;
};

struct Template {
    std::string name;
    std::vector<TemplateStaff> staves;
};

CAddStaffDlg::PartParams Part(int staffType, int clef, int program)
{
    CAddStaffDlg::PartParams part;
    part.staffType = staffType;
    part.clef = clef;
    part.program = program;
    return part;
}

// General MIDI programs, counted from 0.
const std::vector<Template>& Templates()
{
    static const std::vector<Template> templates = {
        {"Single Staff", {{"Track 1", Part(kPlainStaff, kTreble, 0), 0}}},
        {"Piano", {{"Piano", Part(kGrandStaff, kTreble, 0), 0}}},
        {"String Quartet",
         {{"Violin I", Part(kPlainStaff, kTreble, 40), 0},
          {"Violin II", Part(kPlainStaff, kTreble, 40), 1},
          {"Viola", Part(kPlainStaff, kAlto, 41), 2},
          {"Cello", Part(kPlainStaff, kBass, 42), 3}}},
        {"Rock Band",
         {{"Organ", Part(kGrandStaff, kTreble, 16), 0},
          {"Guitar", Part(kPlainStaff, kTreble, 29), 1},
          {"Bass", Part(kPlainStaff, kBass, 33), 2},
          {"Drums", Part(kDrumStaff, kDrumClef, 0), 9}}},
    };
    return templates;
}

// A grand staff reads treble for the right hand and bass for the left; Add Staff leaves a
// grand staff's clefs alone, so they are added here.
void AddHandClefs(ECPerformance* performance, ECStaff* staff)
{
    const int track = staff->GetTrack();
    ECMeasure* first = performance->GetConductor()->GetMeasure(track, 1);
    if (!first)
        return;
    const MCTime zero(0.0f);
    MCCommandList list;
    for (unsigned char hand = 0; hand < 2; ++hand) {
        auto* clef = new ECClef(static_cast<unsigned char>(hand == 0 ? kTreble : kBass));
        clef->SetHand(hand);
        clef->SetTime(&zero);
        clef->SetVoiceTrack(hand * 5, track);
        list.AddTail(new CCAddClef(clef, first));
    }
    list.SetSynchronous(1);
    list.Apply(performance);
}

// Every voice of the staff on the channel.
void SetChannel(ECPerformance* performance, ECStaff* staff, unsigned int channel)
{
    auto* data = dynamic_cast<DCsqStaff*>(staff->GetData(0, 1));
    if (!data || data->GetVoiceMap(0)->GetChannel() == channel)
        return;
    MCCommandList list;
    auto* edit = static_cast<CCEditData*>(list.GetCommand(CommandIds::CCEditData, &CCEditData::classObject));
    if (auto* copy = dynamic_cast<DCsqStaff*>(edit->EditData(data, 0)->GetNewData())) {
        for (int voice = 0; voice < DCsqStaff::voiceCount; ++voice)
            copy->GetVoiceMap(voice)->SetChannel(channel);
    }
    list.SetSynchronous(1);
    list.Apply(performance);
}

// The staves of the template over kBars bars of 4/4.
bool MakeTemplate(const std::string& folder, const Template& shape)
{
    const std::string path = folder + "/" + shape.name + ".kvt";
    MCOpusDoc doc;
    if (!doc.OnNewDocument()) {
        std::fprintf(stderr, "MakeTemplates: no new document\n");
        return false;
    }
    doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
    ECPerformance* performance = doc.GetBaseEvent();
    ECConductor* conductor = performance->GetConductor();
    conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(kBars * 4.0f - 0.001f), 1, 1);
    bool made = true;
    int position = 0;
    for (const TemplateStaff& one : shape.staves) {
        ECStaff* staff = CAddStaffDlg::AddStaff(performance, one.name, one.part, ++position);
        if (!staff) {
            made = false;
            break;
        }
        if (one.part.staffType == kGrandStaff)
            AddHandClefs(performance, staff);
        SetChannel(performance, staff, one.channel);
    }
    doc.GetSequence()->CheckDataIntegrity();
    const int saved = made ? doc.OnSaveDocument(path) : 0;
    if (!saved)
        std::fprintf(stderr, "MakeTemplates: %s not saved\n", path.c_str());
    plat::MessageLoop::current().pump();
    doc.OnCloseDocument();
    plat::MessageLoop::current().pump();
    return saved != 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeTemplates <folder>\n");
        return 2;
    }
    // Settings of a scratch folder of this run: the build never touches the user's, and two
    // builds at once keep apart.
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("quavix-make-templates-" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);
    plat::Profile::setFolder(scratch.string());
    SaveIntPreference("Settings\\Save", "CreateBackup", 0);
    plat::UserPrompt::setHook([](const plat::UserPrompt::Message& message) {
        std::fprintf(stderr, "MakeTemplates: %s\n", message.text.c_str());
        return plat::UserPrompt::defaultAnswer(message);
    });
    InitSequencer();
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    bool ok = true;
    for (const Template& shape : Templates())
        ok = ok && MakeTemplate(folder, shape);
    MCOpusDoc::WaitThreadsFinished(1);
    std::filesystem::remove_all(scratch);
    if (!ok) {
        std::fprintf(stderr, "MakeTemplates: a template could not be written into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
