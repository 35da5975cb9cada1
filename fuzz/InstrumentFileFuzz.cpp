// Reads any bytes as an instrument definition file: checking it, naming its voices and
// parsing every voice must end without touching memory outside the file's text.

#include "fuzz/FuzzTempFolder.h"
#include "interface/pickers/MCInstrumentFiles.h"
#include "interface/pickers/MCProgramTree.h"
#include "platform/core/IniFile.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = (FuzzTempFolder::Path() / "instrument.INI").string();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    MCInstrumentFiles::Check(path);
    MCInstrumentFiles::NameOf(path);
    MCProgramTree::GetFileType(path);
    std::string container, display;
    for (const int bank : {0, 1, 128, 16383})
        MCProgramTree::GetPatchName(path, bank, 0, container, display, 1, true, true);
    const plat::IniFile ini(path);
    for (const std::string& section : ini.sections())
        for (const std::string& key : ini.keys(section))
            MCProgramTree::ParseVoice(key, ini.getString(section, key, ""));
    std::remove(path.c_str());
    return 0;
}
