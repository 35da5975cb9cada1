#pragma once

// Any bytes as a music document file, as the program opens one: bytes that begin as a compound
// file are the file; any others become the "Contents" stream of one, so that the archive inside
// is what gets explored. The file is written to a folder of this process.

#include "fuzz/FuzzDocument.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusHeader.h"
#include "interface/midifile/MCMidiFormats.h"
#include "notabase/prefs/Preferences.h"
#include "platform/storage/Storage.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

class FuzzDocumentFile {
public:
    // Once per process.
    static void Setup()
    {
        static const bool done = [] {
            FuzzDocument::Setup();
            // No "~" copies beside the input, nobody to give a password, and a closed piece
            // freed on this thread.
            SaveIntPreference("Settings\\Save", "CreateBackup", 0);
            MCOpusHeader::SetPasswordHook([](const std::string&, const std::string&) { return 0; });
            MCOpusDoc::WaitThreadsFinished(1);
            MCMidiFormats::Install();
            return true;
        }();
        (void)done;
    }

    // Writes the bytes as the file and answers its path.
    static const std::string& Write(const uint8_t* data, size_t size)
    {
        static const std::string path = (FuzzTempFolder::Path() / "input.kvd").string();
        const std::vector<uint8_t> bytes(data, data + size);
        const bool compound = size >= sizeof plat::Storage::kSignature &&
                              std::memcmp(data, plat::Storage::kSignature, sizeof plat::Storage::kSignature) == 0;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::vector<uint8_t> file = compound ? bytes : plat::Storage::build({{"Contents", bytes}});
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        return path;
    }
};
