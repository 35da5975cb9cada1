#include "interface/core/MCPaths.h"

#include "platform/core/Paths.h"

namespace {

size_t lastSeparator(const std::string& path)
{
    return path.find_last_of("/\\");
}

}  // namespace

std::string MCGetAppPath(const std::string& name)
{
    std::string folder = plat::paths::programFolder();
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (name.empty())
        return folder;
    return folder + "/" + name;
}

std::string MCGetFilePath(const std::string& path)
{
    const size_t separator = lastSeparator(path);
    return separator == std::string::npos ? path : path.substr(0, separator);
}

std::string MCGetFileName(const std::string& path)
{
    const size_t separator = lastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string MCGetTitle(const std::string& path)
{
    const std::string name = MCGetFileName(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string MCGetExtension(const std::string& path)
{
    const size_t dot = path.rfind('.');
    return dot == std::string::npos ? path : path.substr(dot + 1);
}
