// Reads any bytes as a .syx file: the message must hold exactly those bytes, or be refused as
// too large, and its hex text must read back to the same bytes.

#include "app/dialogs/CSysExFile.h"

#include "notabase/values/FCMidiSysEx.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FCMidiSysEx message;
    const int error = CSysExFile::FromBytes(data, size, message);
    if (size > CSysExFile::kMaxFileSize) {
        if (error != EFBIG || message.HasData())
            std::abort();
        return 0;
    }
    if (error || message.GetSysExBufLength() != size)
        std::abort();
    if (size && std::memcmp(message.GetSysExBuf(), data, size) != 0)
        std::abort();
    FCMidiSysEx again;
    if (again.ConvertFromString(message.ConvertToString()) != (size ? 1 : 0))
        std::abort();
    if (again.GetSysExBufLength() != size || (size && std::memcmp(again.GetSysExBuf(), data, size) != 0))
        std::abort();
    return 0;
}
