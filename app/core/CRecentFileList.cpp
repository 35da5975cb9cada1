#include "app/core/CRecentFileList.h"

#include "notabase/prefs/Preferences.h"
#include "platform/core/Strings.h"

#include <algorithm>

void CRecentFileList::Load()
{
    m_items.clear();
    for (size_t i = 0; i < m_size; ++i) {
        const std::string key = plat::format("File%zu", i + 1);
        const std::string path = LoadStringPreference(kSection, key.c_str(), "");
        if (!path.empty() && std::find(m_items.begin(), m_items.end(), path) == m_items.end())
            m_items.push_back(path);
    }
}

void CRecentFileList::Save() const
{
    for (size_t i = 0; i < m_size; ++i) {
        const std::string key = plat::format("File%zu", i + 1);
        SaveStringPreference(kSection, key.c_str(), i < m_items.size() ? m_items[i].c_str() : "");
    }
}

void CRecentFileList::Add(const std::string& path)
{
    if (path.empty() || m_size == 0)
        return;
    std::erase(m_items, path);
    m_items.insert(m_items.begin(), path);
    if (m_items.size() > m_size)
        m_items.resize(m_size);
}

void CRecentFileList::Remove(size_t index)
{
    if (index < m_items.size())
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
}
