#pragma once

// A disc image of the fuzz process's own for the CD targets: a BIN of silence, three seconds
// long, beside which a cue sheet is written. Stored titles and play orders go to a profile
// folder in the same temporary folder, and no message waits for a user.

#include "fuzz/FuzzTempFolder.h"
#include "platform/core/Profile.h"
#include "platform/core/UserPrompt.h"

#include <filesystem>
#include <fstream>
#include <string>

class FuzzCdImage {
public:
    // Sectors of the BIN: one second each of three tracks.
    static constexpr int kSectors = 3 * 75;

    static void Setup()
    {
        static const FuzzCdImage image;
        (void)image;
    }
    static std::filesystem::path Folder() { return FuzzTempFolder::Path() / "cd"; }
    static std::string Bin() { return (Folder() / "disc.bin").string(); }
    static std::string Cue() { return (Folder() / "disc.cue").string(); }
    // The settings folder's file that keeps each disc's titles and play order.
    static std::string StoredDiscs() { return (FuzzTempFolder::Path() / "Tarnwick" / "rackcd.ini").string(); }

    static void WriteCue(const std::string& text)
    {
        std::ofstream(Cue(), std::ios::binary | std::ios::trunc) << text;
    }

private:
    FuzzCdImage()
    {
        std::filesystem::create_directories(Folder());
        std::filesystem::create_directories(FuzzTempFolder::Path() / "Tarnwick");
        std::ofstream(Bin(), std::ios::binary) << std::string(2352 * kSectors, '\0');
        plat::Profile::setFolder(FuzzTempFolder::Path().string());
    }

    plat::UserPrompt::ScopedHook m_hook{
        [](const plat::UserPrompt::Message& message) { return plat::UserPrompt::defaultAnswer(message); }};
};
