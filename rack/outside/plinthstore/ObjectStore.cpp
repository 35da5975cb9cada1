#include "rack/outside/plinthstore/ObjectStore.h"

#include "rack/outside/plinthbase/BaseStrings.h"
#include "rack/outside/plinthbase/MessageBoxes.h"
#include "rack/outside/plinthstore/CdStore.h"
#include "rack/outside/plinthstore/FileChooser.h"
#include "rack/outside/plinthstore/MediaFileInfo.h"
#include "rack/outside/plinthstore/RecordSetupDialog.h"

#include "platform/core/Paths.h"
#include "platform/core/Strings.h"
#include "platform/ui/rackwindow/Window.h"

#include <QDir>
#include <QStandardPaths>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <vector>

namespace rack {

namespace {

constexpr int kStrWaveLoadFailed = 1400;
constexpr int kStrMidiLoadFailed = 1401;
constexpr int kStrSaveFailed = 1402;
constexpr const char* kRecordingPattern = "Recording %03d.wav";

struct Store {
    int useCount = 0;
    int32_t nextKey = 1;
    std::vector<std::unique_ptr<WaveRecord>> waves;
    std::vector<std::unique_ptr<MidiRecord>> midis;
    // Recordings not yet saved under a name of the user's, by key.
    std::set<int32_t> unsaved;
    // Paths handed out for recordings, so two recordings never get the same one.
    std::set<std::string> madeNames;
    std::vector<std::pair<plat::ui::Window*, int>> users;
    std::string userDirs[3];
};

Store& store()
{
    static Store instance;
    return instance;
}

void broadcast(int kind)
{
    for (const auto& [window, userKind] : store().users)
        if (userKind == kind && plat::ui::Window::isWindow(window))
            window->post(kSysCommandMessage, kObjectsChanged, 0);
}

std::vector<std::string> chooseFiles(plat::ui::Window* window, int kind)
{
    FileRequest request;
    request.multiple = true;
    request.title = GetString(kind == kObjWave ? kStrOpenWaveTitle : kStrOpenMidiTitle);
    request.filter = GetString(kind == kObjWave ? kStrWaveFilter : kStrMidiFilter);
    request.folder = obj_GetUserDir(kind);
    std::vector<std::string> files = FileChooser::choose(window, request);
    if (!files.empty())
        obj_SetUserDir(kind, plat::paths::folder(files.back()));
    return files;
}

int loadOneWave(plat::ui::Window* window, const std::string& path)
{
    auto record = std::make_unique<WaveRecord>();
    if (!MediaFileInfo::readWave(path, *record)) {
        SpfMsgBox(window, kStrWaveLoadFailed, path, kStrWindowTitle, kMbOk | kMbIconExclamation);
        return -1;
    }
    record->key = store().nextKey++;
    record->name = path;
    record->path = path;
    // A recording made here is the user's to save until it is saved.
    if (store().madeNames.contains(path))
        store().unsaved.insert(record->key);
    store().waves.push_back(std::move(record));
    return static_cast<int>(store().waves.size()) - 1;
}

int loadOneMidi(plat::ui::Window* window, const std::string& path)
{
    const std::optional<int32_t> length =
        MediaFileInfo::fileType(path) == kObjMidi ? MediaFileInfo::midiLengthTenths(path) : std::nullopt;
    if (!length) {
        SpfMsgBox(window, kStrMidiLoadFailed, path, kStrWindowTitle, kMbOk | kMbIconExclamation);
        return -1;
    }
    auto record = std::make_unique<MidiRecord>();
    record->key = store().nextKey++;
    record->path = path;
    record->lengthTenths = *length;
    store().midis.push_back(std::move(record));
    return static_cast<int>(store().midis.size()) - 1;
}

std::string recordingFolder()
{
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty())
        music = QDir::homePath() + "/Music";
    return music.toStdString();
}

// Moves a finished recording to where the user saves it: renamed when it can be, else
// copied to a temporary file beside the target, which then replaces the target.
bool moveFile(const std::string& from, const std::string& to)
{
    std::error_code error;
    if (from == to)
        return true;
    std::filesystem::rename(from, to, error);
    if (!error)
        return true;
    const std::string temporary = to + ".part";
    std::filesystem::copy_file(from, temporary, std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        return false;
    std::filesystem::rename(temporary, to, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    std::filesystem::remove(from, error);
    return true;
}

}  // namespace

int obj_Initialize()
{
    ++store().useCount;
    return 0;
}

int obj_Terminate()
{
    Store& s = store();
    if (s.useCount > 0 && --s.useCount == 0) {
        obj_StopCD(nullptr, 1, 1);
        s.waves.clear();
        s.midis.clear();
        s.unsaved.clear();
        s.users.clear();
    }
    return 0;
}

void obj_BroadcastChange(int kind)
{
    broadcast(kind);
}

void obj_RegisterUser(plat::ui::Window* deck, int kind)
{
    store().users.emplace_back(deck, kind);
}

void obj_UnregisterUser(plat::ui::Window* deck, int kind)
{
    std::erase(store().users, std::pair<plat::ui::Window*, int>(deck, kind));
}

int obj_GetType(std::string_view path)
{
    return MediaFileInfo::fileType(std::string(path));
}

int obj_LoadWave(plat::ui::Window* window, const char* path)
{
    std::vector<std::string> files;
    if (path)
        files.emplace_back(path);
    else
        files = chooseFiles(window, kObjWave);
    int index = -1;
    for (const std::string& file : files)
        if (const int loaded = loadOneWave(window, file); loaded >= 0)
            index = loaded;
    if (index >= 0)
        broadcast(kObjWave);
    return index;
}

int obj_NewWave(plat::ui::Window*)
{
    auto record = std::make_unique<WaveRecord>();
    record->key = store().nextKey++;
    record->name = GetString(kStrUnnamedRecording, 30);
    record->setFormat(obj_GetRecordFormat());
    store().waves.push_back(std::move(record));
    // Only the deck about to record asks for one, and it knows: a notice arriving once it
    // records would make it stop.
    return static_cast<int>(store().waves.size()) - 1;
}

int obj_GetWaveCount()
{
    return static_cast<int>(store().waves.size());
}

WaveRecord* obj_GetWave(int, int index)
{
    if (index < 0 || index >= obj_GetWaveCount())
        return nullptr;
    return store().waves[size_t(index)].get();
}

int obj_EmptyWave(int byKey, int indexOrKey)
{
    auto& waves = store().waves;
    auto found = waves.end();
    if (byKey)
        found = std::find_if(waves.begin(), waves.end(), [indexOrKey](const auto& w) { return w->key == indexOrKey; });
    else if (indexOrKey >= 0 && indexOrKey < obj_GetWaveCount())
        found = waves.begin() + indexOrKey;
    if (found == waves.end())
        return -1;
    store().unsaved.erase((*found)->key);
    waves.erase(found);
    broadcast(kObjWave);
    return 0;
}

int obj_MatchName(int kind, std::string_view name)
{
    if (kind == kObjWave) {
        for (size_t i = 0; i < store().waves.size(); ++i)
            if (store().waves[i]->name == name || store().waves[i]->path == name)
                return static_cast<int>(i);
    } else if (kind == kObjMidi) {
        for (size_t i = 0; i < store().midis.size(); ++i)
            if (store().midis[i]->path == name)
                return static_cast<int>(i);
    }
    return -1;
}

int obj_GetState(int, const WaveRecord* wave)
{
    return wave && store().unsaved.contains(wave->key) ? 1 : 0;
}

int obj_SaveWave(plat::ui::Window* window, int, int index, int mode)
{
    WaveRecord* wave = obj_GetWave(0, index);
    if (!wave)
        return -1;
    const bool unsaved = obj_GetState(0, wave) == 1;
    if (!unsaved && mode == 0)
        return 0;
    if (wave->path.empty())
        return -1;
    FileRequest request;
    request.save = true;
    request.title = GetString(kStrWindowTitle);
    request.filter = GetString(kStrWaveFilter);
    request.folder = obj_GetUserDir(kObjWave);
    request.suggestedName = plat::paths::name(wave->path);
    const std::vector<std::string> chosen = FileChooser::choose(window, request);
    if (chosen.empty())
        return 1;
    std::string target = chosen.front();
    if (plat::paths::extension(target).empty())
        target += ".wav";
    std::error_code error;
    bool done = false;
    if (unsaved) {
        done = moveFile(wave->path, target);
    } else if (target != wave->path) {
        // A saved wave is copied: the file it came from stays the user's.
        const std::string temporary = target + ".part";
        std::filesystem::copy_file(wave->path, temporary, std::filesystem::copy_options::overwrite_existing, error);
        if (!error)
            std::filesystem::rename(temporary, target, error);
        if (error)
            std::filesystem::remove(temporary, error);
        done = !error;
    } else {
        done = true;
    }
    if (!done) {
        SpfMsgBox(window, kStrSaveFailed, target, kStrWindowTitle, kMbOk | kMbIconStop);
        return -1;
    }
    store().madeNames.erase(wave->path);
    store().unsaved.erase(wave->key);
    wave->path = target;
    wave->name = target;
    obj_SetUserDir(kObjWave, plat::paths::folder(target));
    broadcast(kObjWave);
    return 0;
}

int obj_FillWaveDataBlock(WaveRecord* wave, int, int, int)
{
    if (!wave)
        return -1;
    wave->length = 0;
    store().unsaved.erase(wave->key);
    return 0;
}

int obj_MakeName(plat::ui::Window*, int, std::string& out)
{
    const std::string folder = recordingFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error))
        return -1;
    for (int number = 1; number < 100000; ++number) {
        const std::string path = plat::paths::join(folder, plat::format(kRecordingPattern, number));
        if (!std::filesystem::exists(path, error) && !store().madeNames.contains(path) &&
            obj_MatchName(kObjWave, path) < 0) {
            store().madeNames.insert(path);
            out = path;
            return 0;
        }
    }
    return -1;
}

std::string obj_GetUserDir(int kind)
{
    if (kind < 0 || kind > 2)
        return {};
    const std::string& folder = store().userDirs[kind];
    return folder.empty() ? (kind == kObjWave ? recordingFolder() : QDir::homePath().toStdString()) : folder;
}

void obj_SetUserDir(int kind, std::string_view folder)
{
    if (kind >= 0 && kind <= 2)
        store().userDirs[kind] = folder;
}

void obj_RecordSetupDialog(plat::ui::Window* window)
{
    RecordSetupDialog dialog(window ? window->widget() : nullptr);
    dialog.exec();
}

WaveFormat obj_GetRecordFormat()
{
    return RecordSetupDialog::storedFormat();
}

int obj_LoadMidi(plat::ui::Window* window, const char* path)
{
    std::vector<std::string> files;
    if (path)
        files.emplace_back(path);
    else
        files = chooseFiles(window, kObjMidi);
    int index = -1;
    for (const std::string& file : files)
        if (const int loaded = loadOneMidi(window, file); loaded >= 0)
            index = loaded;
    if (index >= 0)
        broadcast(kObjMidi);
    return index;
}

int obj_GetMidiCount()
{
    return static_cast<int>(store().midis.size());
}

MidiRecord* obj_GetMidi(int, int index)
{
    if (index < 0 || index >= obj_GetMidiCount())
        return nullptr;
    return store().midis[size_t(index)].get();
}

int obj_EmptyMidi(int, int index)
{
    if (index < 0 || index >= obj_GetMidiCount())
        return -1;
    store().midis.erase(store().midis.begin() + index);
    broadcast(kObjMidi);
    return 0;
}

}  // namespace rack
