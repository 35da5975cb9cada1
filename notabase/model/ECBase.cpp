#include "notabase/model/ECBase.h"

#include "notabase/data/DCBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/plugins/CPluginData.h"
#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"
#include "platform/core/Archive.h"
#include "platform/core/RefPtr.h"

#include <unordered_map>

PLAT_IMPLEMENT_SERIAL(ECBase, plat::Object, plat::kVersionableSchema | 2)

namespace {

// A depth of 255 or more is no bound, as in walks.
constexpr int unboundedDepth = 255;

bool isDefaultClip(int id)
{
    for (int clipped : EventId::defaultClip) {
        if (clipped == id)
            return true;
    }
    return false;
}

// The elements a search met that more than one path of it leads to, with the levels it had
// left there (negative: any). An element searched before with at least as many levels holds
// nothing the search wants, so a graph whose elements share children is searched in time
// proportional to its elements rather than its paths.
using Searched = std::unordered_map<const ECBase*, int>;

bool moreLevels(int levels, int than)
{
    return than >= 0 && (levels < 0 || levels > than);
}

// The first element of an id among the element and its relatives, depth first, relatives in
// list order: parents when going up, children when going down. levels bounds how many steps
// it goes (negative: any). Going down, the default-clip elements (beams, slurs, ties and
// glissandi) are visited but not descended into. forked says whether an element above on the
// search's path has more than one relative: only then can a second path lead here.
ECBase* firstOfType(ECBase* element, int id, bool up, int levels, bool forked, Searched& searched)
{
    const int elementId = element->GetEventId();
    if (elementId == id)
        return element;
    if (levels == 0 || (!up && isDefaultClip(elementId)))
        return nullptr;
    MCEventList* relatives = up ? element->GetParents() : element->GetChildren();
    if (!relatives)
        return nullptr;
    if (forked) {
        const MCEventList* ways = up ? element->GetChildren() : element->GetParents();
        if (ways && ways->GetCount() > 1) {
            const auto [place, first] = searched.try_emplace(element, levels);
            if (!first) {
                if (!moreLevels(levels, place->second))
                    return nullptr;
                place->second = levels;
            }
        }
    }
    forked = forked || relatives->GetCount() > 1;
    for (ECBase* relative : *relatives) {
        if (!relative)
            continue;
        if (ECBase* found = firstOfType(relative, id, up, levels < 0 ? levels : levels - 1, forked, searched))
            return found;
    }
    return nullptr;
}

ECBase* firstOfType(ECBase* element, int id, bool up, int levels)
{
    Searched searched;
    return firstOfType(element, id, up, levels, false, searched);
}

int levelsOf(int depth)
{
    return depth < 0 || depth >= unboundedDepth ? -1 : depth;
}

}  // namespace

ECBase::ECBase()
{
    m_data.SetSize(2);
}

ECBase::ECBase(const ECBase& /*other*/) : plat::Object()
{
    m_data.SetSize(2);
}

ECBase::~ECBase()
{
    markDestroying();
    RemoveData(-1);
    m_parents.RemoveAll();
}

uint32_t ECBase::Unref(int deleteAtZero)
{
    uint32_t count = m_refCount.load();
    while (count > 0 && !m_refCount.compare_exchange_weak(count, count - 1)) {
    }
    const uint32_t left = count > 0 ? count - 1 : 0;
    if (deleteAtZero && left == 0 && !m_destroying) {
        delete this;
        return 0;
    }
    return left;
}

uint32_t ECBase::ReleaseCommandHold()
{
    uint32_t count = m_commandHolds.load();
    while (count > 0 && !m_commandHolds.compare_exchange_weak(count, count - 1)) {
    }
    return count > 0 ? count - 1 : 0;
}

void ECBase::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        archive.writeU8(static_cast<uint8_t>(m_flags & 0xFF));
        if (m_flags & flagHasData)
            m_data.Serialize(archive);
        return;
    }
    const uint8_t low = archive.readU8();
    // A loaded element holds the loaded components only; one without any keeps its empty slots.
    bool holdsData = false;
    for (int slot = 0; slot < m_data.GetSize(); ++slot)
        holdsData = holdsData || m_data.GetAt(slot);
    if (holdsData || (low & flagHasData))
        RemoveData(-1);
    m_flags = static_cast<uint16_t>((m_flags & 0xFF00) | low);
    if (low & flagHasData) {
        m_data.Serialize(archive);
        for (int slot = 0; slot < m_data.GetSize(); ++slot) {
            if (DCBase* component = m_data.GetAt(slot))
                component->SetOwner(this);
        }
    }
    updateDataFlag();
    m_flags &= static_cast<uint16_t>(~flagSelected);
    // Only an element that keeps children may say it has some.
    if (!GetChildren())
        m_flags &= static_cast<uint16_t>(~flagHasChildren);
}

ECBase* ECBase::Copy(plat::Object* other)
{
    if (auto* element = plat::dynamicDowncast<ECBase>(other))
        *this = *element;
    return this;
}

int ECBase::GetEventId() const
{
    return EventId::Base;
}

int ECBase::GetParentTypes(std::vector<int>& /*types*/) const
{
    return 0;
}

int ECBase::IsSelected() const
{
    return (m_flags & flagSelected) ? 1 : 0;
}

void ECBase::SetSelected(int selected)
{
    if (selected & 1)
        m_flags |= flagSelected;
    else
        m_flags &= static_cast<uint16_t>(~flagSelected);
}

MCTime* ECBase::GetTime()
{
    return nullptr;
}

void ECBase::SetTime(const MCTime* /*time*/)
{
}

MCTime* ECBase::GetDuration()
{
    return nullptr;
}

void ECBase::SetDuration(const MCTime* /*duration*/)
{
}

MCVoiceTrack* ECBase::GetVoiceTrack()
{
    return nullptr;
}

void ECBase::SetVoiceTrack(int /*voice*/, int /*track*/)
{
}

void ECBase::SetVoiceTrack(const MCVoiceTrack* /*voiceTrack*/)
{
}

int ECBase::GetVoice()
{
    const MCVoiceTrack* vt = GetVoiceTrack();
    return vt ? vt->GetVoice() : MCVoiceTrack::noVoice;
}

void ECBase::SetVoice(int voice)
{
    if (MCVoiceTrack* vt = GetVoiceTrack())
        vt->SetVoice(voice);
}

int ECBase::GetTrack()
{
    const MCVoiceTrack* vt = GetVoiceTrack();
    return vt ? vt->GetTrack() : MCVoiceTrack::noTrack;
}

void ECBase::SetTrack(int track)
{
    if (MCVoiceTrack* vt = GetVoiceTrack())
        vt->SetTrack(track);
}

MCEventList* ECBase::GetParents()
{
    return &m_parents;
}

ECBase* ECBase::GetAncestor(int type, int depth)
{
    return firstOfType(this, type, true, levelsOf(depth));
}

int ECBase::AddParent(ECBase* parent)
{
    m_parents.AddTail(parent);
    return 1;
}

int ECBase::RemoveParent(ECBase* parent)
{
    return m_parents.RemoveEvent(parent);
}

int ECBase::RemoveFromParents()
{
    // Each removal changes the parent list, so the parents are taken from a snapshot. The
    // snapshot holds no references: a parent may take itself out of the graph while this
    // element leaves it (a chord or a group that dissolves when emptied) and must then be
    // freed by its own last reference. A parent is asked only while this element's parent
    // list still holds it, which keeps it alive for the call. This element holds a reference
    // on itself until the last parent is done with it.
    if (m_parents.IsEmpty())
        return 1;
    const std::vector<ECBase*> parents(m_parents.begin(), m_parents.end());
    const plat::RefPtr<ECBase> self(this);
    for (ECBase* parent : parents) {
        if (m_parents.Find(parent))
            parent->RemoveChild(this, 0);
    }
    return 1;
}

MCEventList* ECBase::GetChildren()
{
    return nullptr;
}

ECBase* ECBase::GetDescendant(int type, int depth)
{
    return firstOfType(this, type, false, levelsOf(depth));
}

int ECBase::AddChild(ECBase* /*child*/, int /*sorted*/)
{
    return 0;
}

int ECBase::RemoveChild(ECBase* /*child*/, int /*recursive*/)
{
    return 0;
}

int ECBase::RemoveChildren(int /*recursive*/)
{
    return 0;
}

DCBase* ECBase::GetData(int type, int create)
{
    // Only data types 0..5 exist; any other asks for type 0, whose slot it shares.
    if (type < 0 || type >= MCDataArray::maxSlots)
        type = 0;
    const int slot = MCDataArray::ViewCodeToIndex(type);
    DCBase* component = m_data.GetAt(slot);
    if (!component && create) {
        component = CPluginData::CreateData(type, this);
        if (component) {
            m_data.SetAtGrow(slot, component);
            if (MCDataArray::IsSerializable(component))
                m_flags |= flagHasData;
        }
    }
    return component;
}

MCDataArray* ECBase::GetData()
{
    return &m_data;
}

void ECBase::RemoveData(int type)
{
    if (type == -1) {
        for (int slot = 0; slot < m_data.GetSize(); ++slot) {
            delete m_data.GetAt(slot);
            m_data.SetAt(slot, nullptr);
        }
        m_data.RemoveAll();
        m_flags &= static_cast<uint16_t>(~flagHasData);
        return;
    }
    const int slot = MCDataArray::ViewCodeToIndex(type < 0 || type >= MCDataArray::maxSlots ? 0 : type);
    if (slot < m_data.GetSize()) {
        delete m_data.GetAt(slot);
        m_data.SetAt(slot, nullptr);
    }
    updateDataFlag();
}

void ECBase::updateDataFlag()
{
    m_flags &= static_cast<uint16_t>(~flagHasData);
    for (int slot = 0; slot < m_data.GetSize(); ++slot) {
        if (MCDataArray::IsSerializable(m_data.GetAt(slot))) {
            m_flags |= flagHasData;
            return;
        }
    }
}

void ECBase::unlinkAfterFailedLoad()
{
    m_parents.DetachAll();
    m_data.RemoveAll();
    m_flags &= static_cast<uint16_t>(~flagHasData);
}

void ECBase::PostSerialize(plat::Archive& /*archive*/)
{
}
