#include "platform/core/IniFile.h"

#include "platform/core/Paths.h"
#include "platform/core/Profile.h"
#include "platform/core/Strings.h"
#include "platform/core/Trace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace plat {

namespace {

// One lock for every IniFile of the process: two objects on the same file must not
// interleave their read-modify-write cycles and lose each other's change.
std::mutex& fileMutex()
{
    static std::mutex mutex;
    return mutex;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Windows-1252 code points for the bytes 0x80 to 0x9F. The five bytes the code page leaves
// unassigned map to the C1 control of the same number, so every byte survives a round trip.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        uint32_t codePoint = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07u;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        const bool overlong = (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
        const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
        if (overlong || surrogate || codePoint > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

bool isAscii(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

void appendUtf8(std::string& out, uint32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::string cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out += c;
        else if (byte < 0xA0)
            appendUtf8(out, kCp1252High[byte - 0x80]);
        else
            appendUtf8(out, byte);
    }
    return out;
}

// The Windows-1252 bytes of a valid UTF-8 text, or nothing when a character has no byte.
std::optional<std::string> utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += text[i++];
            continue;
        }
        const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        uint32_t codePoint = lead & (length == 2 ? 0x1Fu : length == 3 ? 0x0Fu : 0x07u);
        for (size_t k = 1; k < length; ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        i += length;
        if (codePoint >= 0xA0 && codePoint <= 0xFF) {
            out += static_cast<char>(codePoint);
            continue;
        }
        bool found = false;
        for (size_t b = 0; b < 32 && !found; ++b) {
            if (kCp1252High[b] == codePoint) {
                out += static_cast<char>(0x80 + b);
                found = true;
            }
        }
        if (!found)
            return std::nullopt;
    }
    return out;
}

// A line of the file as stored: its bytes and its own line end ("", "\n" or "\r\n").
struct Line {
    std::string text;
    std::string end;
};

enum class Kind { other, section, key };

// What a line says, as views into its bytes. Every delimiter is ASCII, so the views are the
// same whatever the line's encoding.
struct Parsed {
    Kind kind = Kind::other;
    std::string_view name;
    std::string_view value;
    size_t valueStart = 0;  // where the value's text begins in the line, blanks skipped
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

Parsed parse(std::string_view raw)
{
    Parsed parsed;
    const std::string_view trimmed = trim(raw);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#')
        return parsed;
    if (trimmed.front() == '[') {
        const size_t close = trimmed.find(']', 1);
        parsed.kind = Kind::section;
        parsed.name = trim(trimmed.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        return parsed;
    }
    const size_t equals = raw.find('=');
    if (equals == std::string_view::npos)
        return parsed;
    parsed.name = trim(raw.substr(0, equals));
    if (parsed.name.empty())
        return parsed;
    parsed.kind = Kind::key;
    parsed.valueStart = equals + 1;
    while (parsed.valueStart < raw.size() && isBlank(raw[parsed.valueStart]))
        ++parsed.valueStart;
    std::string_view value = trim(raw.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    parsed.value = value;
    return parsed;
}

// A piece of a line as UTF-8: lines that are not valid UTF-8 are Windows-1252.
std::string decode(const Line& line, std::string_view piece)
{
    return isValidUtf8(line.text) ? std::string(piece) : cp1252ToUtf8(piece);
}

// A name as the section index keys it: UTF-8 with ASCII letters in lower case.
std::string foldCase(std::string name)
{
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

bool sameName(const Line& line, std::string_view stored, std::string_view wanted)
{
    if (isAscii(stored))
        return equalsNoCase(stored, wanted);
    return equalsNoCase(decode(line, stored), wanted);
}

size_t findSection(const std::vector<Line>& lines, std::string_view name, size_t from = 0)
{
    for (size_t i = from; i < lines.size(); ++i) {
        const Parsed parsed = parse(lines[i].text);
        if (parsed.kind == Kind::section && sameName(lines[i], parsed.name, name))
            return i;
    }
    return lines.size();
}

// The line after the last line of the section whose header is at header.
size_t sectionEnd(const std::vector<Line>& lines, size_t header)
{
    for (size_t i = header + 1; i < lines.size(); ++i) {
        if (parse(lines[i].text).kind == Kind::section)
            return i;
    }
    return lines.size();
}

size_t findKey(const std::vector<Line>& lines, size_t header, size_t end, std::string_view key)
{
    for (size_t i = header + 1; i < end; ++i) {
        const Parsed parsed = parse(lines[i].text);
        if (parsed.kind == Kind::key && sameName(lines[i], parsed.name, key))
            return i;
    }
    return end;
}

int32_t leadingInt(std::string_view text)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    int64_t magnitude = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        magnitude = std::min(kLimit, magnitude * 10 + (text[i] - '0'));
    const int64_t value = negative ? -magnitude : std::min(magnitude, kLimit - 1);
    return static_cast<int32_t>(value);
}

bool hasLineBreak(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

bool isValidSectionName(std::string_view name)
{
    return !name.empty() && trim(name) == name && !hasLineBreak(name) &&
           name.find(']') == std::string_view::npos && isValidUtf8(name);
}

bool isValidKeyName(std::string_view key)
{
    return !key.empty() && trim(key) == key && !hasLineBreak(key) &&
           key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';' &&
           key.front() != '#' && isValidUtf8(key);
}

bool isValidValue(std::string_view value) { return !hasLineBreak(value) && isValidUtf8(value); }

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static Identity of(const struct stat& st) { return {st.st_dev, st.st_ino, st.st_size, st.st_mtim}; }
    bool operator==(const Identity& o) const
    {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

// Adds a name unless the list has it already, in any case.
void addName(std::vector<std::string>& names, std::string name)
{
    for (const std::string& known : names)
        if (equalsNoCase(known, name))
            return;
    names.push_back(std::move(name));
}

}  // namespace

struct IniFile::State {
    std::string requested;  // the path asked for, with "/" and, for a bare name, its folder
    bool inUserFolder = false;

    // The file as last read; read again whenever its identity on disk changes.
    std::string resolved;
    bool present = false;
    bool readable = true;
    Identity identity;
    std::string bom;
    std::vector<Line> lines;
    bool utf8File = false;   // a UTF-8 file with non-ASCII text
    std::string lineEnd = "\n";
    // The header line of the first section of each name, by folded name.
    std::unordered_map<std::string, size_t> sectionIndex;

    std::string resolve() const
    {
        std::error_code error;
        if (std::filesystem::exists(requested, error))
            return requested;
        const std::string folder = paths::folder(requested);
        const std::string wanted = paths::name(requested);
        std::filesystem::directory_iterator entries(folder.empty() ? "." : folder, error);
        for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
            const std::string entry = entries->path().filename().string();
            if (equalsNoCase(entry, wanted))
                return paths::join(folder, entry);
        }
        return requested;
    }

    void forget(bool canRead)
    {
        present = false;
        readable = canRead;
        identity = {};
        bom.clear();
        lines.clear();
        utf8File = false;
        lineEnd = "\n";
        sectionIndex.clear();
    }

    void reindex()
    {
        sectionIndex.clear();
        for (size_t i = 0; i < lines.size(); ++i) {
            const Parsed parsed = parse(lines[i].text);
            if (parsed.kind == Kind::section)
                sectionIndex.try_emplace(foldCase(decode(lines[i], parsed.name)), i);
        }
    }

    void refresh()
    {
        const std::string path = resolve();
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            const bool missing = errno == ENOENT || errno == ENOTDIR;
            if (!missing)
                trace("IniFile: cannot read %s: %s", path.c_str(), std::strerror(errno));
            resolved = path;
            forget(missing);
            return;
        }
        if (present && path == resolved && Identity::of(st) == identity)
            return;
        resolved = path;
        if (!S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > kMaxFileSize) {
            trace("IniFile: %s is not a profile file of at most %zu bytes", path.c_str(), kMaxFileSize);
            forget(false);
            return;
        }
        std::string content;
        if (!readFile(path, content, st)) {
            trace("IniFile: cannot read %s: %s", path.c_str(), std::strerror(errno));
            forget(false);
            return;
        }
        if (!load(content)) {
            trace("IniFile: %s has more than %zu lines", path.c_str(), kMaxLines);
            forget(false);
            return;
        }
        present = true;
        readable = true;
        identity = Identity::of(st);
    }

    static bool readFile(const std::string& path, std::string& content, struct stat& st)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        bool ok = ::fstat(fd, &st) == 0 && static_cast<uint64_t>(st.st_size) <= kMaxFileSize;
        char buffer[65536];
        while (ok) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                ok = got == 0;
                break;
            }
            content.append(buffer, static_cast<size_t>(got));
            // The file may grow while it is read.
            ok = content.size() <= kMaxFileSize;
        }
        ::close(fd);
        return ok;
    }

    bool load(std::string_view content)
    {
        bom.clear();
        lines.clear();
        if (content.starts_with(kUtf8Bom)) {
            bom = kUtf8Bom;
            content.remove_prefix(kUtf8Bom.size());
        }
        utf8File = !bom.empty() || (!isAscii(content) && isValidUtf8(content));
        lineEnd.clear();
        while (!content.empty()) {
            const size_t newline = content.find('\n');
            if (newline == std::string_view::npos) {
                lines.push_back({std::string(content), ""});
                break;
            }
            const bool crlf = newline > 0 && content[newline - 1] == '\r';
            const size_t textLength = crlf ? newline - 1 : newline;
            lines.push_back({std::string(content.substr(0, textLength)), crlf ? "\r\n" : "\n"});
            if (lineEnd.empty())
                lineEnd = lines.back().end;
            content.remove_prefix(newline + 1);
            if (lines.size() > kMaxLines)
                return false;
        }
        if (lineEnd.empty())
            lineEnd = "\n";
        reindex();
        return true;
    }

    std::string serialize(const std::vector<Line>& from) const
    {
        std::string out = bom;
        for (const Line& line : from) {
            out += line.text;
            out += line.end;
        }
        return out;
    }

    // The bytes to store for a UTF-8 text. Windows-1252 keeps old files in their encoding,
    // unless the bytes would also read as UTF-8 and so come back as another text.
    std::string encode(std::string_view text) const
    {
        if (isAscii(text) || utf8File)
            return std::string(text);
        if (std::optional<std::string> legacy = utf8ToCp1252(text); legacy && !isValidUtf8(*legacy))
            return *legacy;
        return std::string(text);
    }

    // Replaces the file with the new lines, atomically; on failure the file and the lines
    // kept here are as they were.
    bool store(std::vector<Line> updated)
    {
        if (!readable)
            return false;
        const std::string content = serialize(updated);
        if (present && content == serialize(lines))
            return true;
        if (content.size() > kMaxFileSize || updated.size() > kMaxLines) {
            trace("IniFile: %s would grow beyond a profile file's size", resolved.c_str());
            return false;
        }
        std::string target = resolved;
        // Writing through a symbolic link replaces the file it points to, not the link.
        if (char* real = ::realpath(resolved.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
        const std::string folder = paths::folder(target);
        if (inUserFolder && !folder.empty()) {
            std::error_code ignored;
            std::filesystem::create_directories(folder, ignored);
        }
        static std::atomic<unsigned> counter{0};
        const std::string temporary = paths::join(
            folder, "." + paths::name(target) + "." + std::to_string(::getpid()) + "." +
                        std::to_string(counter.fetch_add(1)) + ".tmp");
        if (!writeReplacing(target, temporary, content)) {
            trace("IniFile: cannot write %s: %s", target.c_str(), std::strerror(errno));
            ::unlink(temporary.c_str());
            return false;
        }
        lines = std::move(updated);
        reindex();
        present = true;
        struct stat st {};
        if (::stat(resolved.c_str(), &st) == 0)
            identity = Identity::of(st);
        else
            present = false;
        return true;
    }

    bool writeReplacing(const std::string& target, const std::string& temporary,
                        const std::string& content) const
    {
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
            return false;
        struct stat old {};
        bool ok = true;
        if (::stat(target.c_str(), &old) == 0)
            ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        ok = ok && writeAll(fd, content) && ::fsync(fd) == 0;
        const int savedErrno = errno;
        ok = (::close(fd) == 0) && ok;
        if (!ok) {
            errno = savedErrno;
            return false;
        }
        if (::rename(temporary.c_str(), target.c_str()) != 0)
            return false;
        // The rename itself reaches the disk only with the folder.
        const std::string folder = paths::folder(target);
        const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
        return true;
    }

    // The section's header line, or lines.size().
    size_t section(std::string_view name) const
    {
        const auto found = sectionIndex.find(foldCase(std::string(name)));
        return found == sectionIndex.end() ? lines.size() : found->second;
    }

    std::optional<std::string> value(std::string_view sectionName, std::string_view key) const
    {
        const size_t header = section(sectionName);
        if (header == lines.size())
            return std::nullopt;
        const size_t end = sectionEnd(lines, header);
        const size_t line = findKey(lines, header, end, key);
        if (line == end)
            return std::nullopt;
        return decode(lines[line], parse(lines[line].text).value);
    }
};

IniFile::IniFile(std::string_view path) : m_state(std::make_unique<State>())
{
    std::string file = paths::withSlashes(path);
    if (file.find('/') == std::string::npos) {
        file = paths::join(Profile::userFolder(), file);
        m_state->inUserFolder = true;
    }
    m_state->requested = std::move(file);
}

IniFile::~IniFile() = default;

std::string IniFile::path() const
{
    std::lock_guard lock(fileMutex());
    return m_state->resolve();
}

std::string IniFile::getString(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const
{
    std::lock_guard lock(fileMutex());
    m_state->refresh();
    return m_state->value(section, key).value_or(std::string(defaultValue));
}

int32_t IniFile::getInt(std::string_view section, std::string_view key, int32_t defaultValue) const
{
    std::lock_guard lock(fileMutex());
    m_state->refresh();
    const std::optional<std::string> text = m_state->value(section, key);
    return text && !text->empty() ? leadingInt(*text) : defaultValue;
}

std::vector<std::string> IniFile::sections() const
{
    std::lock_guard lock(fileMutex());
    m_state->refresh();
    std::vector<std::string> names;
    for (const Line& line : m_state->lines) {
        const Parsed parsed = parse(line.text);
        if (parsed.kind != Kind::section)
            continue;
        std::string name = decode(line, parsed.name);
        addName(names, std::move(name));
    }
    return names;
}

std::vector<std::string> IniFile::keys(std::string_view section) const
{
    std::lock_guard lock(fileMutex());
    m_state->refresh();
    const std::vector<Line>& lines = m_state->lines;
    std::vector<std::string> names;
    const size_t header = m_state->section(section);
    if (header == lines.size())
        return names;
    const size_t end = sectionEnd(lines, header);
    for (size_t i = header + 1; i < end; ++i) {
        const Parsed parsed = parse(lines[i].text);
        if (parsed.kind != Kind::key)
            continue;
        std::string name = decode(lines[i], parsed.name);
        addName(names, std::move(name));
    }
    return names;
}

bool IniFile::setString(std::string_view section, std::string_view key, std::string_view value)
{
    if (!isValidSectionName(section) || !isValidKeyName(key) || !isValidValue(value))
        return false;
    std::lock_guard lock(fileMutex());
    State& state = *m_state;
    state.refresh();
    if (!state.readable)
        return false;
    std::vector<Line> lines = state.lines;
    const std::string& end = state.lineEnd;
    const size_t header = state.section(section);
    if (header == lines.size()) {
        if (!lines.empty()) {
            if (lines.back().end.empty())
                lines.back().end = end;
            if (!trim(lines.back().text).empty())
                lines.push_back({"", end});
        }
        lines.push_back({"[" + state.encode(section) + "]", end});
        lines.push_back({state.encode(key) + "=" + state.encode(value), end});
        return state.store(std::move(lines));
    }
    const size_t sectionStop = sectionEnd(lines, header);
    const size_t existing = findKey(lines, header, sectionStop, key);
    if (existing != sectionStop) {
        Line& line = lines[existing];
        const Parsed parsed = parse(line.text);
        // The same value is left as written, quotes and blanks included.
        if (decode(line, parsed.value) == value)
            return true;
        line.text = line.text.substr(0, parsed.valueStart) + state.encode(value);
        return state.store(std::move(lines));
    }
    size_t insertAt = header + 1;
    for (size_t i = header + 1; i < sectionStop; ++i) {
        if (parse(lines[i].text).kind == Kind::key)
            insertAt = i + 1;
    }
    if (lines[insertAt - 1].end.empty())
        lines[insertAt - 1].end = end;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                 Line{state.encode(key) + "=" + state.encode(value), end});
    return state.store(std::move(lines));
}

bool IniFile::setInt(std::string_view section, std::string_view key, int32_t value)
{
    return setString(section, key, std::to_string(value));
}

bool IniFile::removeKey(std::string_view section, std::string_view key)
{
    std::lock_guard lock(fileMutex());
    State& state = *m_state;
    state.refresh();
    if (!state.readable)
        return false;
    std::vector<Line> lines = state.lines;
    const size_t header = state.section(section);
    if (header == lines.size())
        return true;
    size_t stop = sectionEnd(lines, header);
    bool removed = false;
    for (size_t i = header + 1; i < stop;) {
        const Parsed parsed = parse(lines[i].text);
        if (parsed.kind == Kind::key && sameName(lines[i], parsed.name, key)) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
            --stop;
            removed = true;
        } else {
            ++i;
        }
    }
    return !removed || state.store(std::move(lines));
}

bool IniFile::removeSection(std::string_view section)
{
    std::lock_guard lock(fileMutex());
    State& state = *m_state;
    state.refresh();
    if (!state.readable)
        return false;
    std::vector<Line> lines = state.lines;
    bool removed = false;
    for (size_t header = findSection(lines, section); header < lines.size();
         header = findSection(lines, section, header)) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                    lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd(lines, header)));
        removed = true;
    }
    return !removed || state.store(std::move(lines));
}

}  // namespace plat
