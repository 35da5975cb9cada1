#include "rack/plinthui/LookDescriptor.h"
#include "rack/plinthui/PlinthUiStrings.h"

#include "rack/plinthart/art/ArtKit.h"

#include "platform/ui/draw/BitmapResources.h"

#include <QPainter>

#include <map>

// The key faces of plinthui, painted in code: one bitmap per face id, at the size of the
// look that uses it, in the look of its role (up, down, greyed or lit).
namespace rack {

namespace {

using art::ArtKit;
using art::Glyph;
using art::KeyLook;
using plat::ui::BitmapResources;

struct Design {
    Glyph glyph;
    const char* label;
};

const std::map<std::string_view, Design>& designs()
{
    static const std::map<std::string_view, Design> table = {
        {"+A", {Glyph::list, ""}},         {"+B", {Glyph::record, ""}},      {"+C", {Glyph::play, ""}},
        {"+D", {Glyph::playLoop, ""}},     {"+E", {Glyph::pause, ""}},       {"+F", {Glyph::stop, ""}},
        {"+G", {Glyph::previous, ""}},     {"+H", {Glyph::next, ""}},        {"+I", {Glyph::scanBack, ""}},
        {"+J", {Glyph::scanForward, ""}},  {"+K", {Glyph::play, "PLAY"}},    {"+L", {Glyph::none, "OPEN"}},
        {"+M", {Glyph::none, "SAVE"}},     {"+N", {Glyph::none, "ADD"}},     {"+O", {Glyph::none, "REMOVE"}},
        {"+P", {Glyph::none, "COPY"}},     {"+Q", {Glyph::none, "SELECT"}},  {"+R", {Glyph::setup, ""}},
        {"*A", {Glyph::mixer, "MIXER"}},   {"*B", {Glyph::wave, "WAVE"}},    {"*C", {Glyph::midi, "MIDI"}},
        {"*D", {Glyph::cd, "CD"}},         {"!A", {Glyph::eject, ""}},       {"!B", {Glyph::loop, ""}},
        {"!G", {Glyph::none, ""}},         {"!I", {Glyph::none, ""}},        {"!J", {Glyph::none, ""}},
        {"!K", {Glyph::none, ""}},         {"-A", {Glyph::none, "CUT"}},     {"-B", {Glyph::none, "COPY"}},
        {"-C", {Glyph::none, "PASTE"}},    {"-D", {Glyph::none, "DEL"}},     {"-E", {Glyph::none, "TRIM"}},
        {"-F", {Glyph::none, "SIL"}},      {"-G", {Glyph::none, "F.IN"}},    {"-H", {Glyph::none, "F.OUT"}},
        {"-I", {Glyph::none, "NORM"}},     {"-J", {Glyph::none, "Z IN"}},    {"-K", {Glyph::none, "Z OUT"}},
        {"-L", {Glyph::none, "FULL"}},     {"-M", {Glyph::none, "MARK"}},    {"-N", {Glyph::none, "CLEAR"}},
        {"-O", {Glyph::previous, "MK"}},   {"-P", {Glyph::next, ""}},        {"-Q", {Glyph::none, "WAVE"}},
        {"-R", {Glyph::none, "MIDI"}},     {"-S", {Glyph::none, "CD"}},      {"-T", {Glyph::none, "MIC"}},
        {"-U", {Glyph::none, "LINE"}},     {"-V", {Glyph::none, "MAIN"}},    {"-W", {Glyph::none, "BAL"}},
        {"-X", {Glyph::none, "MUTE"}},
    };
    return table;
}

KeyLook lookOf(FaceIndex role)
{
    switch (role) {
    case kFaceDown: return KeyLook::down;
    case kFaceDisabled: return KeyLook::disabled;
    case kFaceLatched: return KeyLook::latched;
    case kFaceUp: break;
    }
    return KeyLook::up;
}

QImage paintFace(const LookDescriptor::Face& face)
{
    const auto design = designs().find(face.descriptor);
    const Design d = design == designs().end() ? Design{Glyph::none, ""} : design->second;
    QImage image = ArtKit::canvas(face.size.width(), face.size.height(), QColor(23, 24, 27));
    QPainter painter(&image);
    QRect key = image.rect();
    if (face.descriptor.front() == '*') {
        // Toolbar keys show 61x22 of their 64x32 face: the rest is the panel around them.
        painter.fillRect(image.rect(), QColor(23, 24, 27));
        key = QRect(0, 0, 61, 22);
    }
    ArtKit::key(painter, key, lookOf(face.role), d.glyph, QString::fromLatin1(d.label));
    return image;
}

std::vector<BitmapResources::Entry> faceEntries()
{
    std::vector<BitmapResources::Entry> entries;
    for (const LookDescriptor::Face& face : LookDescriptor::allFaces())
        entries.push_back({BitmapResources::resourceName(uint32_t(face.id)), 8, [face] { return paintFace(face); }});
    return entries;
}

const std::vector<BitmapResources::Entry> kFaces = faceEntries();
const BitmapResources::Registration kRegistration(kPlinthUiModule, kFaces);

}  // namespace

}  // namespace rack
