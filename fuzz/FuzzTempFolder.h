#pragma once

// A temporary folder of the fuzz process's own, made at first use and removed when the process
// ends, so that two fuzz runs or replays at once never write into each other's files.

#include <cstdlib>
#include <filesystem>
#include <string>

class FuzzTempFolder {
public:
    static const std::filesystem::path& Path()
    {
        static const FuzzTempFolder folder;
        return folder.m_path;
    }

    FuzzTempFolder(const FuzzTempFolder&) = delete;
    FuzzTempFolder& operator=(const FuzzTempFolder&) = delete;

private:
    FuzzTempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quavix-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
    }
    ~FuzzTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    std::filesystem::path m_path;
};
