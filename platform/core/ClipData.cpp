#include "platform/core/ClipData.h"

namespace plat {

void ClipData::setData(std::string_view format, std::vector<uint8_t> bytes)
{
    const auto it = m_formats.find(format);
    if (it != m_formats.end())
        it->second = std::move(bytes);
    else
        m_formats.emplace(std::string(format), std::move(bytes));
}

bool ClipData::hasFormat(std::string_view format) const
{
    return m_formats.find(format) != m_formats.end();
}

const std::vector<uint8_t>* ClipData::data(std::string_view format) const
{
    const auto it = m_formats.find(format);
    return it == m_formats.end() ? nullptr : &it->second;
}

std::vector<std::string> ClipData::formats() const
{
    std::vector<std::string> names;
    names.reserve(m_formats.size());
    for (const auto& [name, bytes] : m_formats)
        names.push_back(name);
    return names;
}

}  // namespace plat
