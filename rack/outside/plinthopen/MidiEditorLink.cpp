#include "rack/outside/plinthopen/MidiEditorLink.h"

#include "rack/outside/plinthbase/ProgramStart.h"

#include "platform/core/Paths.h"

#include <QStandardPaths>
#include <QString>

#include <unistd.h>

namespace rack {

std::string ms_EditorPath()
{
    // The copy installed beside the rack comes first.
    const std::string beside = plat::paths::join(plat::paths::programFolder(), kMidiEditorProgram);
    if (access(beside.c_str(), X_OK) == 0)
        return beside;
    return QStandardPaths::findExecutable(QString::fromLatin1(kMidiEditorProgram)).toStdString();
}

int ms_Query()
{
    return ms_EditorPath().empty() ? 1 : 0;
}

int ms_OpenMidiFile(std::string_view path)
{
    const std::string editor = ms_EditorPath();
    if (editor.empty())
        return 1;
    std::vector<std::string> argv{editor};
    if (!path.empty())
        argv.emplace_back(path);
    return StartProgram(argv) ? 0 : 1;
}

}  // namespace rack
