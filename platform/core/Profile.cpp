#include "platform/core/Profile.h"

#include "platform/core/Paths.h"
#include "platform/core/Trace.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <map>
#include <mutex>
#include <utility>

namespace plat {

namespace {

constexpr const char* kOrganisation = "Tarnwick";

// Which file the profile lives in, as the program set it. Guarded by the one profile mutex,
// which also serialises every use of the settings object.
struct Config {
    std::mutex mutex;
    std::string application;
    std::string folder;
    // The program file's name, the application's name until one is set; read once, since the
    // link to the program file reads differently once the file is replaced.
    std::optional<std::string> programName;
};

Config& config()
{
    static Config instance;
    return instance;
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// paths::join(into, rest) written into into, so that a path made for every call reuses its
// storage instead of allocating anew.
void joinInto(std::string& into, std::string_view rest)
{
    if (into.empty() || (!rest.empty() && isSeparator(rest.front()))) {
        into.assign(rest);
        return;
    }
    if (rest.empty())
        return;
    if (!isSeparator(into.back()))
        into += '/';
    into += rest;
}

void baseFolderInto(std::string& into)
{
    const Config& c = config();
    if (!c.folder.empty()) {
        into.assign(c.folder);
    } else if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        into.assign(xdg);
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        into.assign(home);
        joinInto(into, ".config");
    } else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
        into.assign(user->pw_dir);
        joinInto(into, ".config");
    } else {
        into.assign("/tmp");
    }
}

const std::string& applicationLocked()
{
    Config& c = config();
    if (!c.application.empty())
        return c.application;
    if (!c.programName) {
        const std::string program = paths::name(paths::programPath());
        c.programName = program.empty() ? std::string("Quavix") : program;
    }
    return *c.programName;
}

void userFolderInto(std::string& into)
{
    baseFolderInto(into);
    joinInto(into, kOrganisation);
}

std::string userFolderLocked()
{
    std::string folder;
    userFolderInto(folder);
    return folder;
}

// "<user folder>/<application>.conf".
void profilePathInto(std::string& into)
{
    userFolderInto(into);
    joinInto(into, applicationLocked());
    into += ".conf";
}

bool isSeparator(QChar c) { return c == u'/' || c == u'\\'; }

// The levels of a section path; empty levels (a leading separator, doubled separators) drop.
QStringList sectionLevels(std::string_view section)
{
    QStringList levels;
    QString level;
    for (QChar c : QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size()))) {
        if (isSeparator(c)) {
            if (!level.isEmpty())
                levels.append(level);
            level.clear();
        } else {
            level.append(c);
        }
    }
    if (!level.isEmpty())
        levels.append(level);
    return levels;
}

bool isValueName(std::string_view name)
{
    return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) { return isSeparator(c); });
}

std::optional<QString> valueName(std::string_view name)
{
    if (!isValueName(name))
        return std::nullopt;
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QString childPath(const QString& group, const QString& child)
{
    return group.isEmpty() ? child : group + u'/' + child;
}

// The stored spelling of candidate among names: the exact one when stored, else the first
// that differs only in case.
std::optional<QString> storedSpelling(const QStringList& names, const QString& candidate)
{
    if (names.contains(candidate))
        return candidate;
    for (const QString& n : names) {
        if (n.compare(candidate, Qt::CaseInsensitive) == 0)
            return n;
    }
    return std::nullopt;
}

QStringList childGroups(QSettings& settings, const QString& group)
{
    if (group.isEmpty())
        return settings.childGroups();
    settings.beginGroup(group);
    QStringList groups = settings.childGroups();
    settings.endGroup();
    return groups;
}

QStringList childKeys(QSettings& settings, const QString& group)
{
    if (group.isEmpty())
        return settings.childKeys();
    settings.beginGroup(group);
    QStringList keys = settings.childKeys();
    settings.endGroup();
    return keys;
}

// The group path of the section as stored. A level that does not exist yet keeps the
// caller's spelling when create is set; otherwise the section is missing.
std::optional<QString> resolveSection(QSettings& settings, const QStringList& levels, bool create)
{
    QString group;
    for (qsizetype i = 0; i < levels.size(); ++i) {
        const std::optional<QString> stored = storedSpelling(childGroups(settings, group), levels[i]);
        if (!stored) {
            if (!create)
                return std::nullopt;
            for (; i < levels.size(); ++i)
                group = childPath(group, levels[i]);
            return group;
        }
        group = childPath(group, *stored);
    }
    return group;
}

// An existing section as resolveSection() found it: nothing until it is resolved, then the
// stored group path, or nothing when the section is missing.
using ResolvedSection = std::optional<std::optional<QString>>;

// The full key of an existing value, or nothing. The section is resolved into resolved when the
// value is not stored under the caller's spelling, and kept there for the next name.
std::optional<QString> findValue(QSettings& settings, std::string_view section, std::string_view name,
                                 ResolvedSection& resolved)
{
    const std::optional<QString> key = valueName(name);
    if (!key)
        return std::nullopt;
    const QStringList levels = sectionLevels(section);
    const QString exact = childPath(levels.join(u'/'), *key);
    if (settings.contains(exact))
        return exact;
    if (!resolved)
        resolved = resolveSection(settings, levels, false);
    const std::optional<QString>& group = *resolved;
    if (!group)
        return std::nullopt;
    const std::optional<QString> stored = storedSpelling(childKeys(settings, *group), *key);
    if (!stored)
        return std::nullopt;
    return childPath(*group, *stored);
}

std::optional<int32_t> parseInt(const QString& text)
{
    // The text of an integer is short and ASCII, so it is converted on the stack; a character
    // beyond ASCII makes no number, and a longer text (leading zeros) takes the long way.
    const QString trimmed = text.trimmed();
    std::array<char, 32> ascii{};
    std::string longer;
    std::string_view digits;
    if (trimmed.size() <= static_cast<qsizetype>(ascii.size())) {
        for (qsizetype i = 0; i < trimmed.size(); ++i) {
            const char16_t c = trimmed[i].unicode();
            if (c > 0x7F)
                return std::nullopt;
            ascii[static_cast<size_t>(i)] = static_cast<char>(c);
        }
        digits = std::string_view(ascii.data(), static_cast<size_t>(trimmed.size()));
    } else {
        longer = trimmed.toStdString();
        digits = longer;
    }
    const char* first = digits.data();
    const char* last = first + digits.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last)
        return std::nullopt;
    return value;
}

bool isIntegral(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

// Whether writing value where stored is would leave the file's text as it is: the file keeps
// no types, so an integer and its decimal text are the same.
bool writesSame(const QVariant& stored, const QVariant& value)
{
    const bool storedText = stored.typeId() == QMetaType::QString || isIntegral(stored);
    const bool valueText = value.typeId() == QMetaType::QString || isIntegral(value);
    if (storedText && valueText)
        return stored.toString() == value.toString();
    if (stored.typeId() == QMetaType::QByteArray && value.typeId() == QMetaType::QByteArray)
        return stored.toByteArray() == value.toByteArray();
    return false;
}

// What tells one version of the file from another: a sync replaces the file, so its inode
// changes as well as its time and size.
struct FileStamp {
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};

    static FileStamp of(const std::string& path)
    {
        FileStamp stamp;
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) {
            stamp.inode = info.st_ino;
            stamp.size = info.st_size;
            stamp.modified = info.st_mtim;
        }
        return stamp;
    }
    bool operator==(const FileStamp& other) const
    {
        return inode == other.inode && size == other.size && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

}  // namespace

struct Profile::Store {
    std::string path;  // the file that settings was opened on
    std::unique_ptr<QSettings> settings;
    // The file as settings last read or wrote it; none before it exists.
    std::optional<FileStamp> known;
    // Open batches, and whether values were set in them that the file does not hold yet.
    int batches = 0;
    bool unwritten = false;
    // The path open() works out on every call, kept so that working it out allocates nothing.
    std::string wanted;

    // What reads found, by section and value name as the caller spelt them: finding a value
    // without regard to case lists the stored sections level by level, and the program reads
    // the same few values again and again (each MIDI save reads four). It tells what the
    // settings object holds, so whatever may change that forgets it: a write, a removal, a
    // sync (which reads back a file another program changed), reopening. QSettings also shares
    // a file's contents among all its objects in the process, and any of them reloads them
    // when the file changed: while the file is not the one last read or written here, reads
    // go to the settings object alone.
    struct SectionMemo {
        ResolvedSection group;
        std::map<std::string, std::optional<QVariant>, std::less<>> values;
    };
    std::map<std::string, SectionMemo, std::less<>> memo;
    size_t memoValues = 0;
    // Names a caller makes up could grow the memo without end: past this many it starts anew.
    static constexpr size_t kMemoLimit = 1024;

    // The settings object for the current application and folder, reopened when either
    // changed. The caller holds the profile mutex.
    QSettings& open()
    {
        profilePathInto(wanted);
        if (!settings || wanted != path)
            reopen(wanted);
        return *settings;
    }

    void reopen(const std::string& file)
    {
        settings.reset();
        forget();
        path = file;
        settings = std::make_unique<QSettings>(QString::fromStdString(path), QSettings::IniFormat);
        // Every write is synced at once or when its batch ends, so the object needs no event
        // loop. Detached from any thread, it posts no deferred-sync events that a thread
        // without a Qt event loop would never deliver.
        settings->moveToThread(nullptr);
        known = FileStamp::of(path);
    }

    void forget()
    {
        memo.clear();
        memoValues = 0;
    }

    // Writes pending changes; on failure drops what could not be written, so reads go on
    // telling what the file holds.
    bool commit()
    {
        settings->sync();
        forget();
        if (settings->status() == QSettings::NoError) {
            known = FileStamp::of(path);
            return true;
        }
        trace("Profile: cannot write %s", path.c_str());
        reopen(path);
        return false;
    }

    bool write(std::string_view section, std::string_view name, const QVariant& value)
    {
        const std::optional<QString> key = valueName(name);
        if (!key)
            return false;
        QSettings& s = open();
        if (!s.isWritable())
            return false;
        const QString group = *resolveSection(s, sectionLevels(section), true);
        const std::optional<QString> stored = storedSpelling(childKeys(s, group), *key);
        // Writing what the file already holds needs no sync, as long as nobody else has
        // replaced the file since it was read.
        if (stored && writesSame(s.value(childPath(group, *stored)), value) && known &&
            *known == FileStamp::of(path))
            return true;
        s.setValue(childPath(group, stored.value_or(*key)), value);
        forget();
        if (batches > 0) {
            unwritten = true;
            return true;
        }
        return commit();
    }

    void remove(const QString& key)
    {
        settings->remove(key);
        forget();
    }

    void endBatch()
    {
        if (--batches > 0 || !unwritten)
            return;
        unwritten = false;
        if (settings)
            commit();
    }

    std::optional<QVariant> read(std::string_view section, std::string_view name)
    {
        if (!isValueName(name))
            return std::nullopt;
        QSettings& s = open();
        if (!known || !(*known == FileStamp::of(path))) {
            forget();
            ResolvedSection resolved;
            const std::optional<QString> key = findValue(s, section, name, resolved);
            return key ? std::optional<QVariant>(s.value(*key)) : std::nullopt;
        }
        if (const auto cached = memo.find(section); cached != memo.end()) {
            if (const auto value = cached->second.values.find(name); value != cached->second.values.end())
                return value->second;
        }
        if (memoValues >= kMemoLimit)
            forget();
        SectionMemo& entry = memo.try_emplace(std::string(section)).first->second;
        std::optional<QVariant> value;
        if (const std::optional<QString> key = findValue(s, section, name, entry.group))
            value = s.value(*key);
        entry.values.emplace(std::string(name), value);
        ++memoValues;
        return value;
    }
};

void Profile::setApplication(std::string_view title)
{
    std::lock_guard lock(config().mutex);
    config().application = title;
}

std::string Profile::application()
{
    std::lock_guard lock(config().mutex);
    return applicationLocked();
}

void Profile::setFolder(std::string_view folder)
{
    std::lock_guard lock(config().mutex);
    config().folder = paths::withSlashes(folder);
}

std::string Profile::userFolder()
{
    std::lock_guard lock(config().mutex);
    return userFolderLocked();
}

Profile::Batch::Batch()
{
    std::lock_guard lock(config().mutex);
    ++instance().m_store->batches;
}

Profile::Batch::~Batch()
{
    std::lock_guard lock(config().mutex);
    instance().m_store->endBatch();
}

Profile& Profile::instance()
{
    static Profile profile;
    return profile;
}

Profile::Profile() : m_store(std::make_unique<Store>()) {}

Profile::~Profile() = default;

std::string Profile::filePath() const
{
    std::lock_guard lock(config().mutex);
    return m_store->open().fileName().toStdString();
}

std::optional<int32_t> Profile::getInt(std::string_view section, std::string_view name) const
{
    std::lock_guard lock(config().mutex);
    const std::optional<QVariant> value = m_store->read(section, name);
    if (!value)
        return std::nullopt;
    if (isIntegral(*value)) {
        bool ok = false;
        const qlonglong number = value->toLongLong(&ok);
        if (!ok || number < std::numeric_limits<int32_t>::min() ||
            number > std::numeric_limits<int32_t>::max())
            return std::nullopt;
        return static_cast<int32_t>(number);
    }
    if (value->typeId() == QMetaType::QString)
        return parseInt(value->toString());
    return std::nullopt;
}

std::optional<std::string> Profile::getString(std::string_view section, std::string_view name) const
{
    std::lock_guard lock(config().mutex);
    const std::optional<QVariant> value = m_store->read(section, name);
    if (!value)
        return std::nullopt;
    if (value->typeId() == QMetaType::QString || isIntegral(*value))
        return value->toString().toStdString();
    // A hand-edited file may hold a text with commas unquoted, which the format reads as a
    // list; the list's items were separated by ", " when it was written.
    if (value->typeId() == QMetaType::QStringList)
        return value->toStringList().join(u", ").toStdString();
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> Profile::getBinary(std::string_view section,
                                                       std::string_view name) const
{
    std::lock_guard lock(config().mutex);
    const std::optional<QVariant> value = m_store->read(section, name);
    if (!value || value->typeId() != QMetaType::QByteArray)
        return std::nullopt;
    const QByteArray bytes = value->toByteArray();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool Profile::setInt(std::string_view section, std::string_view name, int32_t value)
{
    std::lock_guard lock(config().mutex);
    return m_store->write(section, name, QVariant(static_cast<int>(value)));
}

bool Profile::setString(std::string_view section, std::string_view name, std::string_view value)
{
    std::lock_guard lock(config().mutex);
    return m_store->write(section, name,
                          QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

bool Profile::setBinary(std::string_view section, std::string_view name,
                        const std::vector<uint8_t>& value)
{
    std::lock_guard lock(config().mutex);
    return m_store->write(section, name,
                          QByteArray(reinterpret_cast<const char*>(value.data()),
                                     static_cast<qsizetype>(value.size())));
}

bool Profile::contains(std::string_view section, std::string_view name) const
{
    std::lock_guard lock(config().mutex);
    return m_store->read(section, name).has_value();
}

std::vector<std::string> Profile::valueNames(std::string_view section) const
{
    std::lock_guard lock(config().mutex);
    QSettings& s = m_store->open();
    std::vector<std::string> names;
    if (const std::optional<QString> group = resolveSection(s, sectionLevels(section), false)) {
        // A file written by hand can hold names no call can reach (empty, or holding a
        // separator): only the names that read back are listed.
        for (const QString& key : childKeys(s, *group))
            if (std::string name = key.toStdString(); valueName(name))
                names.push_back(std::move(name));
    }
    return names;
}

std::vector<std::string> Profile::sectionNames(std::string_view section) const
{
    std::lock_guard lock(config().mutex);
    QSettings& s = m_store->open();
    std::vector<std::string> names;
    if (const std::optional<QString> group = resolveSection(s, sectionLevels(section), false)) {
        for (const QString& child : childGroups(s, *group))
            if (std::string name = child.toStdString(); valueName(name))
                names.push_back(std::move(name));
    }
    return names;
}

bool Profile::removeValue(std::string_view section, std::string_view name)
{
    std::lock_guard lock(config().mutex);
    if (!valueName(name))
        return false;
    QSettings& s = m_store->open();
    ResolvedSection resolved;
    const std::optional<QString> key = findValue(s, section, name, resolved);
    if (!key)
        return true;
    if (!s.isWritable())
        return false;
    m_store->remove(*key);
    return m_store->commit();
}

bool Profile::removeSection(std::string_view section)
{
    std::lock_guard lock(config().mutex);
    const QStringList levels = sectionLevels(section);
    // The top level is not a section one deletes: that would wipe every setting.
    if (levels.isEmpty())
        return false;
    QSettings& s = m_store->open();
    const std::optional<QString> group = resolveSection(s, levels, false);
    if (!group)
        return true;
    if (!s.isWritable())
        return false;
    m_store->remove(*group);
    return m_store->commit();
}

}  // namespace plat
