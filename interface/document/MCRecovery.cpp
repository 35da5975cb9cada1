#include "interface/document/MCRecovery.h"

#include "interface/document/DocumentStrings.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusTemplate.h"
#include "interface/document/MCOpusWnd.h"
#include "platform/core/Paths.h"
#include "platform/core/Profile.h"
#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* kSection = "Settings\\Recovery";
constexpr const char* kValue = "Copies";

// One copy as the settings hold it: the writer's process id, then the copy, then its
// document's title and file.
struct Record {
    long pid = 0;
    MCRecovery::Copy copy;
};

std::vector<Record> readRecords()
{
    std::vector<Record> records;
    std::istringstream text(plat::Profile::instance().getString(kSection, kValue).value_or(""));
    std::string line;
    while (std::getline(text, line)) {
        std::vector<std::string> fields;
        size_t start = 0;
        for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
            fields.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        fields.push_back(line.substr(start));
        if (fields.size() != 4 || fields[1].empty())
            continue;
        Record record;
        record.pid = std::strtol(fields[0].c_str(), nullptr, 10);
        record.copy = {fields[1], fields[2], fields[3]};
        records.push_back(std::move(record));
    }
    return records;
}

void writeRecords(const std::vector<Record>& records)
{
    std::string text;
    for (const Record& record : records)
        text += plat::format("%ld\t%s\t%s\t%s\n", record.pid, record.copy.path.c_str(), record.copy.title.c_str(),
                             record.copy.original.c_str());
    if (text.empty())
        plat::Profile::instance().removeValue(kSection, kValue);
    else
        plat::Profile::instance().setString(kSection, kValue, text);
}

// Tabs and line ends would break a record; a slash would leave the folder.
std::string cleanTitle(std::string title)
{
    for (char& c : title) {
        if (c == '\t' || c == '\n' || c == '\r' || c == '/')
            c = ' ';
    }
    return title.empty() ? std::string("Untitled") : title;
}

// A name in the folder that no file has yet.
std::string freshPath(const std::string& title)
{
    const std::string folder = MCRecovery::Folder();
    std::error_code error;
    fs::create_directories(folder, error);
    // The copy is a native document whatever its document's file: a title without that
    // ending gets it.
    std::string stem = cleanTitle(title);
    if (plat::paths::matches(stem, "*.KVD"))
        stem.resize(stem.size() - 4);
    std::string path = plat::paths::join(folder, "~" + stem + ".kvd");
    for (int n = 2; fs::exists(path, error); ++n)
        path = plat::paths::join(folder, plat::format("~%s (%d).kvd", stem.c_str(), n));
    return path;
}

bool processRuns(long pid)
{
    if (pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

void remember(const MCRecovery::Copy& copy)
{
    std::vector<Record> records = readRecords();
    std::erase_if(records, [&copy](const Record& record) { return record.copy.path == copy.path; });
    records.push_back({static_cast<long>(::getpid()), copy});
    writeRecords(records);
}

}  // namespace

std::string MCRecovery::Folder()
{
    return plat::paths::join(plat::Profile::userFolder(), "Autosave");
}

int MCRecovery::SaveCopy(MCOpusDoc& doc, bool withoutBackup)
{
    if (!doc.IsModified() || !doc.GetBaseEvent())
        return 0;
    if (doc.GetBackupPath().empty()) {
        // An untitled document is kept in the settings folder, never by asking for a name.
        if (!withoutBackup)
            return 0;
        doc.SetBackupPath(freshPath(doc.GetTitle()));
    }
    if (!doc.SaveBackupFile())
        return 0;
    remember({doc.GetBackupPath(), cleanTitle(doc.GetTitle()), doc.GetPathName()});
    return 1;
}

void MCRecovery::Forget(const std::string& path)
{
    if (path.empty())
        return;
    std::vector<Record> records = readRecords();
    const size_t before = records.size();
    std::erase_if(records, [&path](const Record& record) { return record.copy.path == path; });
    if (records.size() != before)
        writeRecords(records);
}

std::vector<MCRecovery::Copy> MCRecovery::Left()
{
    std::vector<Record> records = readRecords();
    std::vector<Record> kept;
    std::vector<Copy> left;
    std::error_code error;
    for (Record& record : records) {
        if (record.pid == ::getpid() || processRuns(record.pid)) {
            kept.push_back(record);
            continue;
        }
        if (!fs::is_regular_file(record.copy.path, error))
            continue;
        if (plat::paths::folder(record.copy.path) != Folder()) {
            const std::string moved = freshPath(record.copy.title);
            fs::rename(record.copy.path, moved, error);
            if (error) {
                // Another file system: copied, then the copy beside the document goes.
                if (!fs::copy_file(record.copy.path, moved, error))
                    continue;
                fs::remove(record.copy.path, error);
            }
            record.copy.path = moved;
        }
        record.pid = 0;
        kept.push_back(record);
        left.push_back(record.copy);
    }
    // Copies that no record names (written before records were kept) are offered as well.
    for (fs::directory_iterator it(Folder(), error), end; !error && it != end; it.increment(error)) {
        const std::string path = it->path().string();
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (name.size() < 2 || name[0] != '~' || !it->is_regular_file(typeError))
            continue;
        if (std::any_of(kept.begin(), kept.end(), [&path](const Record& record) { return record.copy.path == path; }))
            continue;
        const std::string stem = it->path().stem().string().substr(1);
        Record found{0, {path, stem.empty() ? std::string("Untitled") : stem, {}}};
        kept.push_back(found);
        left.push_back(found.copy);
    }
    writeRecords(kept);
    return left;
}

void MCRecovery::Discard(const Copy& copy)
{
    std::error_code ignored;
    fs::remove(copy.path, ignored);
    Forget(copy.path);
}

std::vector<MCOpusDoc*> MCRecovery::Offer(MCOpusTemplate& templ)
{
    std::vector<MCOpusDoc*> opened;
    const std::vector<Copy> copies = Left();
    if (copies.empty())
        return opened;
    std::string list;
    for (const Copy& copy : copies)
        list += "  " + copy.title + (copy.original.empty() ? std::string(" (never saved)") : " (" + copy.original + ")") +
                "\n";
    plat::UserPrompt::Message message;
    message.caption = DocumentStrings::applicationName();
    message.text = plat::format("%s ended before these documents were saved:\n\n%s\nCopies of them were kept. Open "
                                "them now?\n\nNo deletes the copies; Cancel keeps them for the next start.",
                                DocumentStrings::applicationName().c_str(), list.c_str());
    message.buttons = plat::UserPrompt::Buttons::yesNoCancel;
    message.icon = plat::UserPrompt::Icon::question;
    message.defaultAnswer = plat::UserPrompt::Answer::yes;
    switch (plat::UserPrompt::ask(message)) {
    case plat::UserPrompt::Answer::yes:
        for (const Copy& copy : copies) {
            MCOpusDoc* doc = templ.OpenRecoveryCopy(copy.path, copy.title);
            if (!doc)
                continue;
            // This process holds the copy now.
            remember(copy);
            for (MCOpusWnd* frame : templ.GetFrames(doc))
                frame->ActivateFrame();
            opened.push_back(doc);
        }
        break;
    case plat::UserPrompt::Answer::no:
        for (const Copy& copy : copies)
            Discard(copy);
        break;
    default: break;
    }
    return opened;
}
