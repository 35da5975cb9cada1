// Writes the templates that ship beside the program ("Templates/<name>.kvt"): each is a
// document made here with the program's own classes and saved natively, so a template
// always matches the document format of this build.
//
// Usage: MakeTemplates <folder>

#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Profile.h"
#include "platform/core/UserPrompt.h"
#include "sequencer/InitSequencer.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// A piece of staves staves and bars 4/4 bars.
bool makeTemplate(const std::string& path, int staves, int bars)
{
    MCOpusDoc doc;
    if (!doc.OnNewDocument()) {
        std::fprintf(stderr, "MakeTemplates: no new document\n");
        return false;
    }
    doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, staves);
    add->SetSynchronous(1);
    add->Apply(doc.GetBaseEvent());
    ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
    conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(bars * 4.0f - 0.001f), 1, 1);
    doc.GetSequence()->CheckDataIntegrity();
    const int saved = doc.OnSaveDocument(path);
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
    // Settings of a scratch folder: the build never touches the user's.
    const std::filesystem::path scratch = std::filesystem::temp_directory_path() / "quavix-make-templates";
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
    const bool ok = makeTemplate(folder + "/Single Staff.kvt", 1, 8) && makeTemplate(folder + "/Piano.kvt", 2, 8) &&
                    makeTemplate(folder + "/String Quartet.kvt", 4, 8);
    MCOpusDoc::WaitThreadsFinished(1);
    std::filesystem::remove_all(scratch);
    if (!ok) {
        std::fprintf(stderr, "MakeTemplates: a template could not be written into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
