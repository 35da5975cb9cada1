#pragma once

#include "platform/core/PlatCoreExport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// A private profile file: "[Section]" lines, each followed by "Key=Value" lines.
//
// Reading: section and key names match without regard to ASCII case; blanks around names
// and values are dropped, and so are quotes (" or ') around a whole value; lines starting
// with ";" or "#" are comments; the first of duplicate sections or keys counts. A missing
// file reads as empty, and every read sees the file as it is on disk now (another object
// or program may have written it). A line that is not valid UTF-8 is read as
// Windows-1252, and a UTF-8 byte-order mark is skipped.
//
// Writing changes only the line concerned: everything else in the file (comments, blank
// lines, order, other sections, the line ending the file uses) is kept byte for byte. A new
// key goes after the last key of its section, a new section at the end of the file. The
// file is replaced atomically, so a crash leaves the old or the new file, never a mix.
// Texts are written as Windows-1252 when they fit and the file is not already a UTF-8
// file with non-ASCII text, else as UTF-8. A setter or deleter returns false when the file
// cannot be read or written, or when a name or value would break the file's lines (line
// ends, "]" in a section name, "=" in a key, blanks around a key); the file is then left
// as it was.
//
// A path without a folder names a file in the user's settings folder
// (Profile::userFolder()), which is made when the file is first written. When no file of
// the exact name exists but one whose name differs only in case does, that one is used.
// "\" in a path is read as "/". All calls are thread-safe.
class PLATCORE_API IniFile {
public:
    explicit IniFile(std::string_view path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // The file read and written now.
    std::string path() const;

    // The value, or defaultValue when the section or key is missing. A key present with an
    // empty value gives "".
    std::string getString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;
    // The value's leading integer: an optional sign and the digits that follow it, up to
    // the first other character (0 when there are none; clamped to the 32-bit range);
    // defaultValue when the key is missing or its value empty.
    int32_t getInt(std::string_view section, std::string_view key, int32_t defaultValue) const;

    // Names in file order, each once, spelt as in the file.
    std::vector<std::string> sections() const;
    std::vector<std::string> keys(std::string_view section) const;

    bool setString(std::string_view section, std::string_view key, std::string_view value);
    bool setInt(std::string_view section, std::string_view key, int32_t value);
    // Deleting what does not exist succeeds. removeKey deletes every line of the key in the
    // section read; removeSection deletes every section of that name with all its lines.
    bool removeKey(std::string_view section, std::string_view key);
    bool removeSection(std::string_view section);

    // The largest file read, in bytes and in lines; a larger one reads as empty and is never
    // written over, and no write makes a file larger than that.
    static constexpr size_t kMaxFileSize = 4 * 1024 * 1024;
    static constexpr size_t kMaxLines = 200000;

    struct State;

private:
    std::unique_ptr<State> m_state;
};

}  // namespace plat
