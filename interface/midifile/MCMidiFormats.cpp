#include "interface/midifile/MCMidiFormats.h"

#include "interface/document/DocumentStrings.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/midifile/MCMidiMemFile.h"
#include "interface/midifile/MCMidiRead.h"
#include "interface/midifile/MCMidiWrite.h"
#include "interface/midifile/MCOpusMidiDoc.h"
#include "interface/midifile/MCRmiRead.h"
#include "platform/core/ByteStream.h"
#include "platform/core/MemoryStream.h"
#include "platform/core/UserPrompt.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// The document's file: the name its messages show, and its bytes as the readers read them.
MCMidiMemFile fileOf(plat::MemoryStream& contents, MCOpusDoc& doc)
{
    const plat::Storage* storage = doc.GetRootStorage();
    const std::string name = storage ? storage->path() : doc.GetPathName();
    const std::span<const uint8_t> bytes = contents.bytes();
    return MCMidiMemFile(name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

// What a file that was read could not give: said once, and the piece opens with the rest.
void tellWarning(const std::string& warning)
{
    if (warning.empty())
        return;
    plat::UserPrompt::Message message;
    message.caption = DocumentStrings::applicationName();
    message.text = warning;
    message.icon = plat::UserPrompt::Icon::warning;
    plat::UserPrompt::ask(message);
}

int readRmi(plat::MemoryStream& contents, MCOpusDoc& doc)
{
    MCMidiMemFile file = fileOf(contents, doc);
    MCOpusMidiDoc target(doc);
    MCRmiRead reader;
    if (!reader.LoadRmiFile(file, target)) {
        // A RIFF MIDI file whose MIDI data is damaged ends the open with its cause; anything
        // that is no RIFF MIDI file at all is left to the next reader.
        if (!reader.GetErrorText().empty())
            throw std::runtime_error(reader.GetErrorText());
        return 0;
    }
    tellWarning(reader.GetWarningText());
    return 1;
}

int readMidi(plat::MemoryStream& contents, MCOpusDoc& doc)
{
    MCMidiMemFile file = fileOf(contents, doc);
    MCOpusMidiDoc target(doc);
    MCMidiRead reader;
    if (!reader.LoadMidiFile(file, target)) {
        // A file that begins as a Standard MIDI File is one: when it cannot be read, the open
        // ends with the cause rather than with the native reader's refusal.
        const std::vector<uint8_t>& bytes = file.GetBytes();
        if (bytes.size() >= 4 && std::memcmp(bytes.data(), "MThd", 4) == 0)
            throw std::runtime_error(reader.GetErrorText());
        return 0;
    }
    tellWarning(reader.GetWarningText());
    return 1;
}

void writeMidi(plat::ByteStream& out, MCOpusDoc& doc, int type, int ppq)
{
    // The writer goes back to patch each track's length, so the file is made in memory first.
    MCMidiMemFile file(doc.GetPathName());
    MCOpusMidiDoc source(doc);
    MCMidiWrite writer;
    if (!writer.SaveMidiFile(file, source, type, ppq))
        throw std::runtime_error("the MIDI file type or resolution cannot be written");
    const std::vector<uint8_t>& bytes = file.GetBytes();
    out.write(bytes.data(), bytes.size());
}

}  // namespace

void MCMidiFormats::Register()
{
    MCOpusDoc::MidiFormats formats;
    formats.readRmi = readRmi;
    formats.readMidi = readMidi;
    formats.writeMidi = writeMidi;
    MCOpusDoc::SetMidiFormats(std::move(formats));
}
