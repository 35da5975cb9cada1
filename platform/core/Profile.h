#pragma once

#include "platform/core/PlatCoreExport.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// The program's settings: named values in named sections, kept per user in
// "<folder>/Tarnwick/<application>.conf" (the desktop's native settings format).
//
// A section path separates its levels with "\" ("Settings\Tempo\Allegro"); "/" is accepted
// too and a leading separator is dropped; the empty path is the top level. Section and value
// names match without regard to case, so "Settings\Tempo" and "settings\tempo" are the
// same section; a new name keeps the spelling it was first written with. A value name may
// not be empty nor hold a separator.
//
// Values are integers, strings or binary blocks. The file keeps no types, so a value is read
// by what it holds: a string that is a decimal integer reads as that integer, and an integer
// reads as its decimal text. A getter returns nothing when the value is missing or cannot be
// read as the type asked for, so callers tell "not stored" from any stored value.
//
// Every write reaches the file before the setter returns (outside a Batch); a setter returns
// false when the file cannot be written. Writing the value the file already holds leaves the
// file as it is (each write is synced to the disk, which is slow), unless the file was
// replaced since. One Profile serves every thread: all calls are serialised.
//
// Which file: setApplication() names it (the program calls it once at start-up; until then
// the program file's name is used) and setFolder() chooses the base folder (empty: the
// user's configuration folder, $XDG_CONFIG_HOME or ~/.config). Tests call setFolder() with
// a temporary folder before anything else, so they never touch the user's settings.
class PLATCORE_API Profile {
public:
    static void setApplication(std::string_view title);
    static std::string application();
    static void setFolder(std::string_view folder);
    // The folder holding the profile and the private profile files: "<base>/Tarnwick".
    static std::string userFolder();

    // The profile of the current application and folder.
    static Profile& instance();

    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    std::string filePath() const;

    std::optional<int32_t> getInt(std::string_view section, std::string_view name) const;
    std::optional<std::string> getString(std::string_view section, std::string_view name) const;
    std::optional<std::vector<uint8_t>> getBinary(std::string_view section,
                                                  std::string_view name) const;

    bool setInt(std::string_view section, std::string_view name, int32_t value);
    bool setString(std::string_view section, std::string_view name, std::string_view value);
    bool setBinary(std::string_view section, std::string_view name,
                   const std::vector<uint8_t>& value);

    // While a batch lives, values set go to the file together when it ends (the outermost
    // one, when batches nest) rather than each on its own: for storing many values at once.
    // A setter inside a batch reports false only when the file cannot be written at all.
    class PLATCORE_API Batch {
    public:
        Batch();
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
    };

    bool contains(std::string_view section, std::string_view name) const;
    // The names of the section's values, and of its direct subsections: those that can be
    // read (a name that is empty or holds a separator, which only a file written by hand can
    // have, is left out).
    std::vector<std::string> valueNames(std::string_view section) const;
    std::vector<std::string> sectionNames(std::string_view section) const;

    // Deleting what does not exist succeeds. removeSection takes every value and subsection
    // below the section with it; it refuses the top level, which would wipe every setting.
    bool removeValue(std::string_view section, std::string_view name);
    bool removeSection(std::string_view section);

    struct Store;

private:
    Profile();
    ~Profile();

    std::unique_ptr<Store> m_store;
};

}  // namespace plat
