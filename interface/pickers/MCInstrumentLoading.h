#pragma once

#include "interface/pickers/MCInstrumentFiles.h"

#include "platform/core/UserPrompt.h"

#include <functional>
#include <string>

// What the instrument box and list share: the listing of a folder into an add function.
namespace mcinstrument {

inline constexpr int kPathRole = 0x0100 + 1;

inline void addFile(const std::string& file, const std::function<void(const std::string&, const std::string&)>& add)
{
    if (const std::optional<std::string> damage = MCInstrumentFiles::Check(file)) {
        plat::UserPrompt::Message message;
        message.text = "The instrument definition " + *damage + " It is not listed.";
        message.icon = plat::UserPrompt::Icon::warning;
        plat::UserPrompt::ask(message);
        return;
    }
    const std::string name = MCInstrumentFiles::NameOf(file);
    if (!name.empty())
        add(name, file);
}

inline bool loadFolder(const std::string& folder, const std::function<void(const std::string&, const std::string&)>& add)
{
    const std::vector<std::string> files = MCInstrumentFiles::Find(folder.empty() ? MCInstrumentFiles::Folder() : folder);
    if (files.empty()) {
        plat::UserPrompt::Message message;
        message.text = "No instrument definition files were found!\n";
        message.icon = plat::UserPrompt::Icon::warning;
        plat::UserPrompt::ask(message);
        return false;
    }
    for (const std::string& file : files)
        addFile(file, add);
    return true;
}

}  // namespace mcinstrument
