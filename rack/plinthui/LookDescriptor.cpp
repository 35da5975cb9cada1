#include "rack/plinthui/LookDescriptor.h"

#include <map>

namespace rack {

namespace {

struct Look {
    const char* descriptor;
    std::array<int, 4> faces;  // up, down, disabled, latched
    uint32_t toolTip;
    QSize size;
};

// The listed looks; the families are "+", "*", "!", "-" and "%".
std::vector<Look> looks()
{
    std::vector<Look> table = {
        {"+A", {200, 201, 202, 203}, 0, {43, 19}},  {"+B", {204, 205, 206, 207}, 22, {34, 24}},
        {"+C", {210, 211, 212, 0}, 20, {34, 24}},   {"+D", {214, 215, 216, 0}, 21, {34, 24}},
        {"+E", {218, 219, 220, 221}, 23, {34, 24}}, {"+F", {222, 223, 224, 0}, 24, {34, 24}},
        {"+G", {234, 235, 236, 0}, 28, {34, 24}},   {"+H", {238, 239, 240, 0}, 27, {34, 24}},
        {"+I", {226, 227, 228, 0}, 26, {34, 24}},   {"+J", {230, 231, 232, 0}, 25, {34, 24}},
        {"+K", {241, 242, 243, 0}, 20, {76, 24}},   {"+Q", {259, 260, 261, 0}, 54, {76, 24}},
        {"+R", {129, 130, 0, 0}, 91, {34, 18}},     {"!A", {1, 2, 3, 0}, 47, {34, 24}},
        {"!B", {126, 127, 0, 128}, 48, {34, 21}},   {"!G", {18, 21, 22, 16}, 0, {26, 12}},
        {"!I", {18, 21, 22, 17}, 0, {57, 18}},      {"!J", {17, 21, 22, 16}, 0, {57, 18}},
        {"!K", {122, 123, 122, 124}, 0, {71, 20}},  {"-I", {324, 325, 326, 0}, 59, {38, 24}},
        {"-O", {342, 343, 344, 0}, 80, {42, 24}},   {"-P", {345, 346, 347, 0}, 81, {32, 20}},
    };
    static const char* const kWide[] = {"+L", "+M", "+N", "+O", "+P"};
    static const uint32_t kWideTips[] = {67, 68, 69, 70, 51};
    for (int n = 0; n < 5; ++n)
        table.push_back({kWide[n], {244 + 3 * n, 245 + 3 * n, 246 + 3 * n, 0}, kWideTips[n], {76, 24}});
    static const char* const kToolbar[] = {"*A", "*B", "*C", "*D"};
    for (int n = 0; n < 4; ++n)
        table.push_back({kToolbar[n], {100 + 4 * n, 101 + 4 * n, 102 + 4 * n, 103 + 4 * n}, uint32_t(1 + n), {64, 32}});
    static const char* const kEdit[] = {"-A", "-B", "-C", "-D", "-E", "-F", "-G", "-H"};
    static const uint32_t kEditTips[] = {50, 51, 52, 53, 55, 56, 57, 58};
    for (int n = 0; n < 8; ++n)
        table.push_back({kEdit[n], {300 + 3 * n, 301 + 3 * n, 302 + 3 * n, 0}, kEditTips[n], {38, 24}});
    static const char* const kZoom[] = {"-J", "-K", "-L"};
    for (int n = 0; n < 3; ++n)
        table.push_back({kZoom[n], {327 + 3 * n, 328 + 3 * n, 329 + 3 * n, 0}, uint32_t(60 + n), {32, 24}});
    static const char* const kMark[] = {"-M", "-N"};
    for (int n = 0; n < 2; ++n)
        table.push_back({kMark[n], {336 + 3 * n, 337 + 3 * n, 338 + 3 * n, 0}, uint32_t(78 + n), {38, 24}});
    static const char* const kChannel[] = {"-Q", "-R", "-S", "-T", "-U", "-V", "-W", "-X"};
    for (int n = 0; n < 8; ++n)
        table.push_back({kChannel[n], {348 + 4 * n, 349 + 4 * n, 350 + 4 * n, 351 + 4 * n}, uint32_t(82 + n), {32, 20}});
    return table;
}

const std::map<std::string_view, Look>& lookTable()
{
    static const std::map<std::string_view, Look> table = [] {
        std::map<std::string_view, Look> byName;
        for (const Look& look : looks())
            byName.emplace(look.descriptor, look);
        return byName;
    }();
    return table;
}

bool knownFamily(char family)
{
    return family == '+' || family == '*' || family == '!' || family == '-' || family == '%';
}

}  // namespace

void LookDescriptor::apply(std::string_view descriptor, ButtonState& button)
{
    button.descriptor = descriptor;
    button.family = descriptor.empty() ? 0 : descriptor.front();
    if (!knownFamily(button.family)) {
        button.faces = {};
        button.faceSize = QSize(32, 24);
        return;
    }
    const auto found = lookTable().find(descriptor.substr(0, 2));
    if (descriptor.size() < 2 || found == lookTable().end())
        return;
    button.faces = found->second.faces;
    button.toolTipId = found->second.toolTip;
    button.toolTipText.clear();
    button.faceSize = found->second.size;
    button.latched = false;
}

std::vector<std::string_view> LookDescriptor::stripSlots(std::string_view descriptor)
{
    if (descriptor.substr(0, 2) == "%a")
        return {"+G", "+I", "+F", "+E", "+C", "+J", "+H"};
    return {};
}

std::vector<LookDescriptor::Face> LookDescriptor::allFaces()
{
    std::map<int, Face> faces;
    for (const auto& [name, look] : lookTable()) {
        for (int role = 0; role < 4; ++role) {
            const int id = look.faces[size_t(role)];
            if (id == 0)
                continue;
            auto [it, added] = faces.emplace(id, Face{id, look.size, name, FaceIndex(role)});
            if (!added && look.size.width() * look.size.height() > it->second.size.width() * it->second.size.height())
                it->second.size = look.size;
        }
    }
    std::vector<Face> result;
    for (const auto& [id, face] : faces)
        result.push_back(face);
    return result;
}

}  // namespace rack
