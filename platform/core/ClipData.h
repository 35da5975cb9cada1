#pragma once

#include "platform/core/PlatCoreExport.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Data offered to the clipboard or to a drag, in one or more named formats: the bytes of
// each format by its name (in the program, the MIME type under which it travels). Offering a
// format again replaces its bytes.
class PLATCORE_API ClipData {
public:
    void setData(std::string_view format, std::vector<uint8_t> bytes);
    bool hasFormat(std::string_view format) const;
    // The bytes of a format; null when the data does not offer it.
    const std::vector<uint8_t>* data(std::string_view format) const;
    std::vector<std::string> formats() const;
    bool empty() const { return m_formats.empty(); }

private:
    std::map<std::string, std::vector<uint8_t>, std::less<>> m_formats;
};

}  // namespace plat
