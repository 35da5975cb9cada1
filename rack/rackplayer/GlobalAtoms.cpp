#include "rack/rackplayer/GlobalAtoms.h"

#include <map>

namespace rack {

namespace {

// Atoms are 0xC000 and above, as the classic string atoms are.
constexpr uint16_t kFirstAtom = 0xC000;

struct Entry {
    std::string name;
    int count = 0;
};

std::map<uint16_t, Entry>& table()
{
    static std::map<uint16_t, Entry> atoms;
    return atoms;
}

}  // namespace

uint16_t GlobalAtoms::add(std::string_view name)
{
    auto& atoms = table();
    for (auto& [atom, entry] : atoms)
        if (entry.name == name) {
            ++entry.count;
            return atom;
        }
    for (uint32_t atom = kFirstAtom; atom <= 0xFFFF; ++atom)
        if (!atoms.contains(uint16_t(atom))) {
            atoms[uint16_t(atom)] = Entry{std::string(name), 1};
            return uint16_t(atom);
        }
    return 0;
}

std::optional<std::string> GlobalAtoms::name(uint16_t atom)
{
    const auto found = table().find(atom);
    if (found == table().end())
        return std::nullopt;
    return found->second.name;
}

void GlobalAtoms::remove(uint16_t atom)
{
    const auto found = table().find(atom);
    if (found != table().end() && --found->second.count <= 0)
        table().erase(found);
}

size_t GlobalAtoms::count()
{
    return table().size();
}

}  // namespace rack
