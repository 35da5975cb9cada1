// Opens any bytes as a music document, as the program opens a file: the container, the RIFF
// MIDI and Standard MIDI File readers, the native header, the element graph and the sequence.
// Bytes that begin as a compound file are the file; any others become the "Contents" stream of
// one, so the archive inside is what gets explored. The document must open whole or be refused
// with nothing left of it, never read outside the bytes, loop or allocate beyond them.

#include "fuzz/FuzzDocument.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusHeader.h"
#include "interface/midifile/MCMidiFormats.h"
#include "notabase/prefs/Preferences.h"
#include "platform/storage/Storage.h"
#include "sequencer/data/DCsqBase.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The file each input is written to, in a folder of this process.
const std::string& inputPath()
{
    static const std::string path = [] {
        return (FuzzTempFolder::Path() / "input.kvd").string();
    }();
    return path;
}

void setup()
{
    static const bool done = [] {
        FuzzDocument::Setup();
        // No "~" copies beside the input, nobody to give a password, and a closed piece freed
        // on this thread.
        SaveIntPreference("Settings\\Save", "CreateBackup", 0);
        MCOpusHeader::SetPasswordHook([](const std::string&, const std::string&) { return 0; });
        MCOpusDoc::WaitThreadsFinished(1);
        MCMidiFormats::Install();
        return true;
    }();
    (void)done;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    setup();
    const std::vector<uint8_t> bytes(data, data + size);
    const bool compound = size >= sizeof plat::Storage::kSignature &&
                          std::memcmp(data, plat::Storage::kSignature, sizeof plat::Storage::kSignature) == 0;
    {
        std::ofstream out(inputPath(), std::ios::binary | std::ios::trunc);
        const std::vector<uint8_t> file = compound ? bytes : plat::Storage::build({{"Contents", bytes}});
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    MCOpusDoc doc;
    const int opened = doc.OnOpenDocument(inputPath());
    if (opened != (doc.GetBaseEvent() != nullptr))
        std::abort();
    if (opened) {
        // The data list the player walks ends, each node linked back to the one before.
        const DCsqBase* previous = nullptr;
        size_t nodes = 0;
        for (const DCsqBase* node = doc.GetSequence()->GetHead(); node; node = node->GetNext()) {
            if (node->GetPrev() != previous || ++nodes > size * 8 + 16)
                std::abort();
            previous = node;
        }
        if (previous != doc.GetSequence()->GetTail())
            std::abort();
    }
    return 0;
}
