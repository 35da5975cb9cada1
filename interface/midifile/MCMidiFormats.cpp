#include "interface/midifile/MCMidiFormats.h"

#include "interface/document/DocumentStrings.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/midifile/MCMidiMemFile.h"
#include "interface/midifile/MCMidiRead.h"
#include "interface/midifile/MCMidiWrite.h"
#include "interface/midifile/MCOpusMidiDocument.h"
#include "interface/midifile/MCRmiRead.h"
#include "platform/core/MemoryStream.h"
#include "platform/core/UserPrompt.h"
#include "platform/storage/Storage.h"

#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace {

// Whether the file holds `tag` at `offset`. Each reader refuses at once a file without its
// signature; testing it first spares copying a large document for a reader that would not
// take it.
bool HasTag(plat::MemoryStream& contents, size_t offset, std::string_view tag)
{
    const auto bytes = contents.bytes();
    return bytes.size() >= offset + tag.size() && std::memcmp(bytes.data() + offset, tag.data(), tag.size()) == 0;
}

// The document's file as the readers see it, named for the messages.
MCMidiMemFile FileOf(plat::MemoryStream& contents, MCOpusDoc& doc)
{
    const auto bytes = contents.bytes();
    // While it is being opened the document knows its file only as its storage.
    const plat::Storage* storage = doc.GetRootStorage();
    const std::string name = storage ? storage->path() : !doc.GetPathName().empty() ? doc.GetPathName() : doc.GetTitle();
    return MCMidiMemFile(name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace

void MCMidiFormats::Install()
{
    MCOpusDoc::MidiFormats formats;
    formats.readRmi = &MCMidiFormats::ReadRmi;
    formats.readMidi = &MCMidiFormats::ReadMidi;
    formats.writeMidi = &MCMidiFormats::WriteMidi;
    MCOpusDoc::SetMidiFormats(formats);
}

void MCMidiFormats::Warn(const std::string& text)
{
    plat::UserPrompt::Message message;
    message.caption = DocumentStrings::applicationName();
    message.text = text;
    message.icon = plat::UserPrompt::Icon::warning;
    plat::UserPrompt::ask(message);
}

int MCMidiFormats::ReadRmi(plat::MemoryStream& contents, MCOpusDoc& doc)
{
    if (!HasTag(contents, 0, "RIFF") || !HasTag(contents, 8, "RMID"))
        return 0;
    MCMidiMemFile file = FileOf(contents, doc);
    MCOpusMidiDocument target(doc);
    MCRmiRead reader;
    const int read = reader.LoadRmiFile(file, target);
    if (read && !reader.GetWarningText().empty())
        Warn(reader.GetWarningText());
    // A RIFF MIDI file the reader refused says why, as a MIDI file does; one it found nothing
    // of its own in is left for the next reader.
    if (!read && !reader.GetErrorText().empty())
        throw std::runtime_error(reader.GetErrorText());
    return read;
}

int MCMidiFormats::ReadMidi(plat::MemoryStream& contents, MCOpusDoc& doc)
{
    if (!HasTag(contents, 0, "MThd"))
        return 0;
    MCMidiMemFile file = FileOf(contents, doc);
    MCOpusMidiDocument target(doc);
    MCMidiRead reader;
    if (reader.LoadMidiFile(file, target)) {
        if (!reader.GetWarningText().empty())
            Warn(reader.GetWarningText());
        return 1;
    }
    // A file that is no MIDI file is left for the next reader; a MIDI file the reader refused
    // is not read as anything else.
    if (reader.GetResult() == MIDIFILE_NOT_MIDI || reader.GetResult() == MIDIFILE_SHORT)
        return 0;
    throw std::runtime_error(reader.GetErrorText());
}

void MCMidiFormats::WriteMidi(plat::ByteStream& out, MCOpusDoc& doc, int type, int ppq)
{
    // The chunk lengths are patched once each chunk is written, which the stream cannot do:
    // the file is made in memory and then handed over whole.
    MCMidiMemFile file(doc.GetPathName());
    MCOpusMidiDocument source(doc);
    if (!MCMidiWrite().SaveMidiFile(file, source, type, ppq))
        throw std::runtime_error("a MIDI file of this type or resolution cannot be written");
    out.write(file.GetBytes().data(), file.GetBytes().size());
}
