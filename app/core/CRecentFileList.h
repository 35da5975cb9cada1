#pragma once

#include <string>
#include <vector>

// The files the user opened last, newest first, kept as "File1", "File2", … of the settings'
// section "Recent File List".
class CRecentFileList {
public:
    static constexpr const char* kSection = "Recent File List";

    explicit CRecentFileList(size_t size) : m_size(size) {}

    void Load();
    void Save() const;
    // Puts path first (once; an entry of the same path moves up); the oldest falls off.
    void Add(const std::string& path);
    void Remove(size_t index);
    const std::vector<std::string>& Items() const { return m_items; }
    size_t Size() const { return m_size; }

private:
    size_t m_size;
    std::vector<std::string> m_items;
};
