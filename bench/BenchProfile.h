#pragma once

// A scratch profile folder for a benchmark, with the sequencer initialized over it; the folder
// goes with the object.

#include "platform/core/Profile.h"
#include "sequencer/InitSequencer.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

class BenchProfile {
public:
    BenchProfile()
    {
        char pattern[] = "/tmp/quavix-bench-XXXXXX";
        if (::mkdtemp(pattern))
            m_folder = pattern;
        plat::Profile::setFolder(m_folder);
        InitSequencer();
    }
    ~BenchProfile()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    BenchProfile(const BenchProfile&) = delete;
    BenchProfile& operator=(const BenchProfile&) = delete;

private:
    std::string m_folder;
};
