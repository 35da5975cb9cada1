#include "interface/core/ToolkitRegistry.h"

#include "platform/core/Profile.h"

#include <QString>

#include <algorithm>
#include <mutex>
#include <set>

namespace {

std::string lowered(const std::string& text)
{
    return QString::fromStdString(text).toLower().toStdString();
}

std::string normalised(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    while (!path.empty() && path.front() == '\\')
        path.erase(0, 1);
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

// Keys created empty in this process, by lowered section path.
struct EmptyKeys {
    std::mutex mutex;
    std::set<std::string> sections;
};

EmptyKeys& emptyKeys()
{
    static EmptyKeys keys;
    return keys;
}

bool isKnownEmpty(const std::string& section)
{
    const std::lock_guard lock(emptyKeys().mutex);
    return emptyKeys().sections.contains(lowered(section));
}

// What lies directly below section among the keys created empty.
std::vector<std::string> emptyChildren(const std::string& section)
{
    const std::string prefix = section.empty() ? std::string() : lowered(section) + "\\";
    std::vector<std::string> names;
    const std::lock_guard lock(emptyKeys().mutex);
    for (const std::string& key : emptyKeys().sections) {
        if (key.size() > prefix.size() && key.starts_with(prefix) && key.find('\\', prefix.size()) == std::string::npos)
            names.push_back(key.substr(prefix.size()));
    }
    return names;
}

bool sectionExists(const std::string& section)
{
    if (section.empty() || isKnownEmpty(section))
        return true;
    plat::Profile& profile = plat::Profile::instance();
    return !profile.valueNames(section).empty() || !profile.sectionNames(section).empty();
}

}  // namespace

ToolkitRegistry::~ToolkitRegistry()
{
    Close();
}

std::string ToolkitRegistry::ProgramKey()
{
    return "Software\\Tarnwick\\" + plat::Profile::application();
}

std::optional<std::string> ToolkitRegistry::SectionOf(const std::string& path)
{
    const std::string full = normalised(path);
    const std::string program = ProgramKey();
    if (lowered(full) == lowered(program))
        return std::string();
    if (full.size() > program.size() && lowered(full.substr(0, program.size() + 1)) == lowered(program + "\\"))
        return full.substr(program.size() + 1);
    return std::nullopt;
}

bool ToolkitRegistry::Connect()
{
    m_connected = true;
    return true;
}

bool ToolkitRegistry::OpenKey(const std::string& path)
{
    CloseKey();
    const std::optional<std::string> section = SectionOf(path);
    if (!m_connected || !section || !sectionExists(*section))
        return false;
    m_section = section;
    return true;
}

bool ToolkitRegistry::CreateKey(const std::string& path)
{
    CloseKey();
    const std::optional<std::string> section = SectionOf(path);
    if (!m_connected || !section)
        return false;
    if (!sectionExists(*section)) {
        const std::lock_guard lock(emptyKeys().mutex);
        // Every level of the path comes into being with it.
        std::string level;
        for (size_t start = 0; start <= section->size();) {
            const size_t end = std::min(section->find('\\', start), section->size());
            level = section->substr(0, end);
            emptyKeys().sections.insert(lowered(level));
            start = end + 1;
        }
    }
    m_section = section;
    return true;
}

std::vector<std::string> ToolkitRegistry::subKeys() const
{
    if (!m_section)
        return {};
    std::vector<std::string> names = plat::Profile::instance().sectionNames(*m_section);
    for (const std::string& empty : emptyChildren(*m_section)) {
        const bool present = std::any_of(names.begin(), names.end(),
                                         [&](const std::string& name) { return lowered(name) == empty; });
        if (!present)
            names.push_back(empty);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = lowered(a), lb = lowered(b);
        return la != lb ? la < lb : a < b;
    });
    return names;
}

bool ToolkitRegistry::QueryKeyInfo()
{
    if (!m_section)
        return false;
    m_subKeyCount = subKeys().size();
    return true;
}

bool ToolkitRegistry::EnumerateKeys(size_t index, std::string& name, std::string& className)
{
    const std::vector<std::string> names = subKeys();
    if (index >= names.size())
        return false;
    name = names[index];
    className.clear();
    return true;
}

bool ToolkitRegistry::GetStringValue(const std::string& name, std::string& value) const
{
    if (!m_section)
        return false;
    const std::optional<std::string> stored = plat::Profile::instance().getString(*m_section, name);
    if (!stored)
        return false;
    value = *stored;
    return true;
}

bool ToolkitRegistry::SetStringValue(const std::string& name, const std::string& value)
{
    return m_section && !m_section->empty() && plat::Profile::instance().setString(*m_section, name, value);
}

bool ToolkitRegistry::GetIntValue(const std::string& name, int& value) const
{
    if (!m_section)
        return false;
    const std::optional<int32_t> stored = plat::Profile::instance().getInt(*m_section, name);
    if (!stored)
        return false;
    value = *stored;
    return true;
}

bool ToolkitRegistry::SetIntValue(const std::string& name, int value)
{
    return m_section && !m_section->empty() && plat::Profile::instance().setInt(*m_section, name, value);
}

bool ToolkitRegistry::DeleteKey(const std::string& path)
{
    const std::optional<std::string> section = SectionOf(path);
    // The program's own key is never deleted: it would take every setting with it.
    if (!m_connected || !section || section->empty())
        return false;
    plat::Profile& profile = plat::Profile::instance();
    if (!profile.sectionNames(*section).empty() || !emptyChildren(*section).empty())
        return false;
    if (!profile.removeSection(*section))
        return false;
    const std::lock_guard lock(emptyKeys().mutex);
    emptyKeys().sections.erase(lowered(*section));
    return true;
}

void ToolkitRegistry::CloseKey()
{
    m_section.reset();
    m_subKeyCount = 0;
}

void ToolkitRegistry::Close()
{
    CloseKey();
    m_connected = false;
}
