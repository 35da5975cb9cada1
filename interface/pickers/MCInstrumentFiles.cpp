#include "interface/pickers/MCInstrumentFiles.h"

#include "interface/core/MCPaths.h"

#include "platform/core/IniFile.h"
#include "platform/core/Paths.h"
#include "platform/core/Strings.h"

#include <QString>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string MCInstrumentFiles::Folder()
{
    return MCGetAppPath("Instruments");
}

std::vector<std::string> MCInstrumentFiles::Find(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        std::error_code typeError;
        if (entry.is_regular_file(typeError) && plat::paths::matches(name, "*.INI"))
            files.push_back(folder + "/" + name);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string MCInstrumentFiles::NameOf(const std::string& file)
{
    std::string name = plat::IniFile(file).getString("Info", "Name", "");
    if (name.size() > kMaxName)
        name = QString::fromStdString(name).left(qsizetype(kMaxName)).toStdString();
    return name;
}

std::optional<std::string> MCInstrumentFiles::Check(const std::string& file)
{
    const std::string shown = MCGetFileName(file);
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error)
        return plat::format("\"%s\" cannot be read.", shown.c_str());
    if (size > plat::IniFile::kMaxFileSize)
        return plat::format("\"%s\" is too large to be an instrument definition.", shown.c_str());
    std::ifstream in(file, std::ios::binary);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string_view text = plat::trim(line);
        if (text.find('\0') != std::string_view::npos)
            return plat::format("\"%s\", line %d: the line holds binary data.", shown.c_str(), number);
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        if (text.front() == '[') {
            if (text.back() != ']' || text.size() < 3)
                return plat::format("\"%s\", line %d: a section name is not closed.", shown.c_str(), number);
            continue;
        }
        const size_t equals = text.find('=');
        if (equals == std::string_view::npos || plat::trim(text.substr(0, equals)).empty())
            return plat::format("\"%s\", line %d: the line is neither a section nor a key and its value.",
                                shown.c_str(), number);
    }
    return std::nullopt;
}
