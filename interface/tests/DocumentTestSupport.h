#pragma once

// What the document tests share: the sequencer's data classes and settings kept apart from
// other tests, a folder of files, a recording prompt, and a small piece in a document.

#include "interface/document/MCOpusDoc.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "platform/core/UserPrompt.h"
#include "platform/storage/Storage.h"
#include "sequencer/tests/SequencerTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace documenttest {

inline std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every message shown, answered from a script (the default answer when the script is empty).
class PromptLog {
public:
    PromptLog()
        : m_hook([this](const plat::UserPrompt::Message& message) {
              m_texts.push_back(message.text);
              m_icons.push_back(message.icon);
              if (m_answers.empty())
                  return plat::UserPrompt::defaultAnswer(message);
              const plat::UserPrompt::Answer answer = m_answers.front();
              m_answers.erase(m_answers.begin());
              return answer;
          })
    {
    }
    void Answer(plat::UserPrompt::Answer answer) { m_answers.push_back(answer); }
    const std::vector<std::string>& Texts() const { return m_texts; }
    const std::vector<plat::UserPrompt::Icon>& Icons() const { return m_icons; }
    void Clear()
    {
        m_texts.clear();
        m_icons.clear();
    }

private:
    std::vector<std::string> m_texts;
    std::vector<plat::UserPrompt::Icon> m_icons;
    std::vector<plat::UserPrompt::Answer> m_answers;
    plat::UserPrompt::ScopedHook m_hook;
};

// The environment, a folder for the files of one test, and the recorded prompts.
class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/quavix-document-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_dir = folder;
        SaveIntPreference("Settings\\Save", "CreateBackup", 0);
    }
    void TearDown() override
    {
        // The states posted meanwhile reach their handlers (and are freed).
        plat::MessageLoop::current().pump();
        MCOpusDoc::SetActiveDoc(nullptr);
        MCOpusDoc::WaitThreadsFinished(0);
        std::filesystem::remove_all(m_dir);
    }
    std::string File(const std::string& name) const { return m_dir + "/" + name; }
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // A new document with staves (numbered from 1) and bars, and a note on each staff at each
    // quarter.
    static void FillPiece(MCOpusDoc& doc, int staves, int quarters)
    {
        ASSERT_TRUE(doc.OnNewDocument());
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, staves);
        add->SetSynchronous(1);
        add->Apply(doc.GetBaseEvent());
        ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
        conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(quarters - 0.001f), 1, 1);
        for (int staff = 1; staff <= staves; ++staff) {
            for (int q = 0; q < quarters; ++q) {
                ECMeasure* measure = conductor->GetMeasure(staff, MCTime(float(q)), 0, 0);
                ASSERT_NE(measure, nullptr);
                auto* note = new ECNote(MCTime(float(q)), MCTime(1.0f));
                note->SetVoiceTrack(0, staff);
                measure->AddChild(note, 1);
                if (auto* data = plat::dynamicDowncast<DCsqNote>(note->GetData(0, 1))) {
                    const int key = 40 + (q * 7 + staff) % 48;
                    data->SetNoteOnData(FCMidi(0x90u | static_cast<MIDIWORD>(key) << 8 | 100u << 16));
                    data->SetNoteOffData(FCMidi(0x80u | static_cast<MIDIWORD>(key) << 8));
                }
            }
        }
        doc.GetSequence()->CheckDataIntegrity();
    }

    SequencerEnvironment m_environment;
    std::string m_dir;
    PromptLog m_prompts;
};

}  // namespace documenttest
