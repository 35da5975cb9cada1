#include "rack/outside/plinthbase/ProgramStart.h"

#include "rack/plinthart/PlinthProfile.h"

#include "platform/core/Trace.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <mutex>

namespace rack {

namespace {

bool startDetached(const std::vector<std::string>& argv)
{
    if (argv.empty())
        return false;
    QStringList arguments;
    for (size_t i = 1; i < argv.size(); ++i)
        arguments << QString::fromStdString(argv[i]);
    return QProcess::startDetached(QString::fromStdString(argv[0]), arguments);
}

std::mutex g_starterLock;
ProgramStarter g_starter;

}  // namespace

bool StartProgram(const std::vector<std::string>& argv)
{
    ProgramStarter starter;
    {
        std::lock_guard lock(g_starterLock);
        starter = g_starter;
    }
    return starter ? starter(argv) : startDetached(argv);
}

namespace {

std::vector<std::string> split(std::string_view commandLine)
{
    std::vector<std::string> argv;
    for (const QString& part : QProcess::splitCommand(QString::fromStdString(std::string(commandLine))))
        argv.push_back(part.toStdString());
    return argv;
}

}  // namespace

ProgramStarter SetProgramStarter(ProgramStarter starter)
{
    std::lock_guard lock(g_starterLock);
    std::swap(starter, g_starter);
    return starter;
}

int RunCommandLine(std::string_view commandLine)
{
    const std::vector<std::string> argv = split(commandLine);
    if (argv.empty())
        return 0;
    if (!StartProgram(argv)) {
        plat::trace("RunCommandLine -- could not start %s", argv[0].c_str());
        return 0;
    }
    return 1;
}

int RunProgram(std::string_view profileKey, const char* argument, int)
{
    std::vector<std::string> argv = split(PlinthProfile::getString("Setup", profileKey, "", 1024));
    if (argv.empty())
        return 0;
    if (argument && *argument)
        argv.emplace_back(argument);
    if (!StartProgram(argv)) {
        plat::trace("RunProgram -- could not start %s", argv[0].c_str());
        return 0;
    }
    return 1;
}

void GWShutDown()
{
    // Nothing of plinthbase outlives the rack's windows: there is nothing to end early.
}

}  // namespace rack
