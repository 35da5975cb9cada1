// Opens any bytes as a music document, as the program opens a file: the container, the RIFF
// MIDI and Standard MIDI File readers, the native header, the element graph and the sequence.
// Bytes that begin as a compound file are the file; any others become the "Contents" stream of
// one, so the archive inside is what gets explored. The document must open whole or be refused
// with nothing left of it, never read outside the bytes, loop or allocate beyond them.

#include "fuzz/FuzzDocumentFile.h"
#include "interface/document/MCOpusDoc.h"
#include "sequencer/data/DCsqBase.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzDocumentFile::Setup();
    const std::string& path = FuzzDocumentFile::Write(data, size);
    MCOpusDoc doc;
    const int opened = doc.OnOpenDocument(path);
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
