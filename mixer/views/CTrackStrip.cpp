#include "mixer/views/CTrackStrip.h"

#include "mixer/controls/CLevelMeter.h"
#include "mixer/core/CMixerTemplates.h"
#include "mixer/core/MixerImages.h"
#include "mixer/core/MixerModule.h"
#include "mixer/views/CTrackList.h"
#include "mixer/views/CTrackState.h"

#include "interface/controls/MCDial.h"
#include "interface/controls/MCSlider.h"
#include "interface/controls/MCStaticEdit.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusTemplate.h"
#include "interface/views/ToolTipProtocol.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/ConfigureRemove.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/values/FCMidi.h"
#include "notabase/values/MCTime.h"
#include "notabase/states/SCSelection.h"
#include "platform/core/Resources.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/resource/MenuResources.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/states/SCTrack.h"
#include "wavegate/CWavegate.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

QSize& stripSize()
{
    static QSize size(66, 117);
    return size;
}

constexpr int kDialIds[4] = {CTrackStrip::kPan, CTrackStrip::kChorus, CTrackStrip::kReverb, CTrackStrip::kModulation};
// The track state each dial sends, in the order of kDialIds: the codes are not consecutive
// (3408, the frequency, lies between pan and chorus).
constexpr int kDialCodes[4] = {SCTrack::codePan, SCTrack::codeChorus, SCTrack::codeReverb, SCTrack::codeModulation};

int dialIndex(int id)
{
    const auto* found = std::find(std::begin(kDialIds), std::end(kDialIds), id);
    return found == std::end(kDialIds) ? -1 : int(found - std::begin(kDialIds));
}

}  // namespace

CTrackStrip::CTrackStrip(CTrackList* list, int mode, QWidget* parent)
    : QWidget(parent), m_list(list), m_mode(std::clamp(mode, 0, 2))
{
    setAutoFillBackground(true);
    CMixerTemplates::Build(CMixerTemplates::kStripMini + m_mode, this);
    CreateControls();
    setFixedSize(sizeHint());
    stripSize() = size();
}

CTrackStrip::~CTrackStrip() = default;

QSize CTrackStrip::GetStripSize()
{
    return stripSize();
}

void CTrackStrip::CreateControls()
{
    const plat::Resources::ModuleSwitch own(MixerModule::kName);
    m_name = new MCStaticEdit(this);
    m_name->SubclassStaticEdit(kName, this);
    m_name->SetEditEnabled(false);
    m_name->setAlignment(Qt::AlignCenter);
    // The name fits the strip; a long one is cut, not widening it.
    m_name->setMinimumWidth(0);
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_name->setAccessibleName(tr("Track name"));
    m_state = new CTrackState(this);
    m_state->SubclassTrackState(kState, this);
    if (plat::ui::itemWidget(this, kVolume)) {
        m_volume = new MCSlider(this);
        m_volume->SubclassSlider(kVolume, this, MCSlider::vertical);
        MixerImages::AddToCache(MixerImages::kStripTrack, this);
        MixerImages::AddToCache(MixerImages::kStripThumb, this);
        const MixerImages::SliderGeometry geometry = MixerImages::Geometry(MixerImages::kStripTrack);
        m_volume->SetImageInfo(MixerImages::kStripTrack, MixerImages::kStripThumb, geometry.travel, geometry.hotSpot);
        m_volume->SizeToContent();
        m_volume->setFixedSize(m_volume->size());
        m_volume->setAccessibleName(tr("Volume"));
        m_volume->SetValue(SliderFromVolume(m_values[0]));
    }
    if (plat::ui::itemWidget(this, kMeter)) {
        m_meter = new CLevelMeter(this);
        m_meter->SubclassLevelMeter(kMeter, this);
        m_meter->Reset(false);
    }
    if (plat::ui::itemWidget(this, kPan)) {
        CreateDial(kPan, MixerImages::kPanKnob, "Pan", 0x00FF00, 1, 180, 10);
        CreateDial(kChorus, MixerImages::kChorusKnob, "Chorus", 0x00FFFF, 0, 0, 5);
        CreateDial(kReverb, MixerImages::kReverbKnob, "Reverb", 0x00FFFF, 0, 0, 5);
        CreateDial(kModulation, MixerImages::kModulationKnob, "Expr", 0xFF00FF, 0, 0, 5);
    }
    RecolorMeter();
}

void CTrackStrip::CreateDial(int id, uint32_t image, const char* colorName, plat::ui::ColorRef colorDefault, int mode,
                             int stickyAngle, int stickyValue)
{
    auto* dial = new MCDial(this);
    if (!dial->SubclassDial(id, this, mode)) {
        delete dial;
        return;
    }
    MixerImages::AddToCache(image, this);
    dial->SetImageInfo(image, MixerImages::KnobPart());
    const auto color = plat::ui::ColorRef(LoadIntPreference("Settings\\Color", colorName, int(colorDefault)));
    // A dot of two pixels in the colour marks where the knob points.
    dial->SetStyle(MCDial::dot);
    dial->SetIndicator(2, color);
    dial->SetStickyAngle(stickyAngle, stickyValue);
    dial->SizeToContent();
    dial->setFixedSize(dial->size());
    dial->SetValue(0.0);
    dial->setAccessibleName(QString::fromStdString(MixerModule::String(uint32_t(id))).section('\n', 1));
    m_dials[size_t(dialIndex(id))] = dial;
}

MCDial* CTrackStrip::Dial(int id) const
{
    const int index = dialIndex(id);
    return index < 0 ? nullptr : m_dials[size_t(index)];
}

// ---- Values ------------------------------------------------------------------------------

int CTrackStrip::VolumeFromSlider(double slider)
{
    return int((1.0 - std::clamp(slider, 0.0, 1.0)) * 100.0 + 0.5);
}

double CTrackStrip::SliderFromVolume(int volume)
{
    return 1.0 - double(std::clamp(volume, 0, 100)) / 100.0;
}

int CTrackStrip::PanFromDial(double dial)
{
    return std::clamp(int(std::clamp(dial, -1.0, 1.0) * 64.0), -64, 63);
}

double CTrackStrip::DialFromPan(int pan)
{
    return double(std::clamp(pan, -64, 63)) / 64.0;
}

int CTrackStrip::LevelFromDial(double dial)
{
    return int(std::clamp(dial, 0.0, 1.0) * 127.0 + 0.5);
}

double CTrackStrip::DialFromLevel(int level)
{
    return double(std::clamp(level, 0, 127)) / 127.0;
}

plat::ui::ColorRef CTrackStrip::MeterColor(int mode, bool active)
{
    if (mode > 1)
        return 0;
    if (!active)
        return kSilentColor;
    return mode == 0 ? kPlayColor : kRecordColor;
}

// ---- What the mixer sets --------------------------------------------------------------

void CTrackStrip::SetTrack(ECBase* element)
{
    m_element = plat::RefPtr<ECBase>(element);
}

ECPerformanceBase* CTrackStrip::GetPerformance() const
{
    return m_element ? plat::dynamicDowncast<ECPerformanceBase>(m_element->GetAncestor(EventId::Performance, -1))
                     : nullptr;
}

void CTrackStrip::SetTrackName(const std::string& name)
{
    if (!m_name || m_name->IsEditing())
        return;
    m_name->setText(QString::fromStdString(name));
    // A name wider than the strip shows its beginning, not its end.
    m_name->setCursorPosition(0);
}

std::string CTrackStrip::GetTrackName() const
{
    return m_name ? m_name->text().toStdString() : std::string();
}

void CTrackStrip::SetSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    if (m_name) {
        if (!selected)
            m_name->SetEditing(false);
        m_name->SetEditEnabled(selected);
    }
    repaint();
}

void CTrackStrip::SetVolume(int volume)
{
    if (!m_volume)
        return;
    m_values[0] = std::clamp(volume, 0, 100);
    m_volume->SetValue(SliderFromVolume(m_values[0]));
}

void CTrackStrip::SetPan(int pan)
{
    if (MCDial* dial = Dial(kPan)) {
        m_values[1] = std::clamp(pan, -64, 63);
        dial->SetValue(DialFromPan(m_values[1]));
    }
}

void CTrackStrip::SetChorus(int chorus)
{
    if (MCDial* dial = Dial(kChorus)) {
        m_values[2] = std::clamp(chorus, 0, 127);
        dial->SetValue(DialFromLevel(m_values[2]));
    }
}

void CTrackStrip::SetReverb(int reverb)
{
    if (MCDial* dial = Dial(kReverb)) {
        m_values[3] = std::clamp(reverb, 0, 127);
        dial->SetValue(DialFromLevel(m_values[3]));
    }
}

void CTrackStrip::SetModulation(int modulation)
{
    if (MCDial* dial = Dial(kModulation)) {
        m_values[4] = std::clamp(modulation, 0, 127);
        dial->SetValue(DialFromLevel(m_values[4]));
    }
}

void CTrackStrip::SetMute(int mute)
{
    m_state->SetMute(mute);
    RecolorMeter();
}

void CTrackStrip::SetSolo(int solo)
{
    m_state->SetSolo(solo);
}

void CTrackStrip::SetActive(int active)
{
    m_state->SetActive(active);
    RecolorMeter();
}

void CTrackStrip::SetMode(int mode)
{
    m_state->SetMode(mode);
    RecolorMeter();
}

int CTrackStrip::IsMute() const
{
    return m_state->IsMute();
}

int CTrackStrip::IsSolo() const
{
    return m_state->IsSolo();
}

int CTrackStrip::IsActive() const
{
    return m_state->IsActive();
}

int CTrackStrip::GetMode() const
{
    return m_state->GetMode();
}

void CTrackStrip::EnableModeButton(int enable)
{
    m_state->EnableModeButton(enable);
}

void CTrackStrip::SetMeterLevel(float level, bool redraw)
{
    if (m_meter)
        m_meter->SetLevel(level, redraw);
}

void CTrackStrip::ResetMeter()
{
    if (!m_meter)
        return;
    m_meter->Reset(true);
    RecolorMeter();
}

void CTrackStrip::RecolorMeter()
{
    if (!m_meter)
        return;
    const plat::ui::ColorRef color = MeterColor(GetMode(), IsActive() != 0);
    if (color == m_meter->GetLitColor())
        return;
    m_meter->SetLitColor(color);
    m_meter->FreeImages(true);
}

// ---- What the strip sends -------------------------------------------------------------

void CTrackStrip::SendTrackState(int code, int value)
{
    ECPerformanceBase* performance = GetPerformance();
    if (!performance)
        return;
    auto* state = new SCTrack(code);
    state->SetSynchronous(1);
    state->SetTrack(m_track);
    state->SetTrackType(1);
    state->SetValue(value);
    state->Apply(performance);
}

void CTrackStrip::SendTrackChange(int code, int value)
{
    if (!GetPerformance())
        return;
    SendTrackState(code, value);
    if (MCOpusDoc* doc = MCOpusDoc::GetActiveDoc())
        doc->SetModifiedFlag();
}

void CTrackStrip::onNotice(int id, int code, QWidget*)
{
    switch (id) {
    case kName:
        if (code == MCStaticEdit::kCommitted)
            CommitTrackName();
        break;
    case kVolume:
        if (code == MCSlider::kMoving && m_volume) {
            m_values[0] = VolumeFromSlider(m_volume->GetValue());
            SendTrackChange(SCTrack::codeGain, m_values[0]);
        }
        break;
    case kPan:
    case kChorus:
    case kReverb:
    case kModulation: {
        if (code != MCDial::kTurning && code != MCDial::kReleased)
            break;
        const MCDial* dial = Dial(id);
        if (!dial)
            break;
        const int index = dialIndex(id);
        const size_t value = size_t(index) + 1;
        m_values[value] = id == kPan ? PanFromDial(dial->GetValue()) : LevelFromDial(dial->GetValue());
        SendTrackChange(kDialCodes[index], m_values[value]);
        break;
    }
    default:
        break;
    }
}

void CTrackStrip::Select(bool control)
{
    int code = SCSelection::kReplace;
    if (control)
        code = m_selected ? SCSelection::kRemove : SCSelection::kAdd;
    if (ECPerformanceBase* performance = GetPerformance())
        (new SCSelection(code, m_element.get()))->Apply(performance);
    if (code == SCSelection::kRemove || !m_element)
        return;
    if (!LoadIntPreference("Sequencer\\Midi\\Thru", "AutoSetSelect", 1))
        return;
    auto* data = plat::dynamicDowncast<DCsqTrack>(m_element->GetData(0, 0));
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!data || !wavegate)
        return;
    const MCVoiceMap* map = data->GetVoiceMap(0);
    wavegate->ConnectMidiThru(int(map->GetDevice()), int(map->GetChannel()));
}

void CTrackStrip::CommitTrackName()
{
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    ECPerformanceBase* performance = GetPerformance();
    auto* data = m_element ? plat::dynamicDowncast<DCsqTrack>(m_element->GetData(0, 0)) : nullptr;
    if (!doc || !performance || !data)
        return;
    const std::string name = GetTrackName();
    ECText* text = data->GetTrackName();
    if (text && text->GetText() == name)
        return;
    MCCommandList list;
    if (text) {
        auto* edit = static_cast<CCEdit*>(list.GetCommand(CommandIds::CCEdit, &CCEdit::classObject));
        CCEditItem* item = edit->EditEvent(text);
        auto* copy = item ? dynamic_cast<ECText*>(item->GetNewEvent()) : nullptr;
        if (!copy)
            return;
        copy->SetText(name);
    } else {
        // A track without a name text gets one, as the program names new tracks.
        auto* added = new ECText(3, name);
        added->SetTime(&MCTime::TimeZero());
        added->SetVoiceTrack(m_element->GetVoiceTrack());
        auto* add = static_cast<CCAdd*>(list.GetCommand(CommandIds::CCAdd, &CCAdd::classObject));
        add->Add(added, m_element.get(), FCMidi::MidiNull());
    }
    list.SetSynchronous(1);
    MCCommandMgr::BeginUndo(performance, MixerModule::String(MixerModule::kChangeTrackName));
    list.Apply(performance);
    MCCommandMgr::EndUndo(performance);
    doc->SetModifiedFlag();
}

void CTrackStrip::ClearTrack()
{
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    ECPerformanceBase* performance = GetPerformance();
    if (!doc || !performance)
        return;
    ACFindEvents find;
    find.AddEvtTypes({EventId::Note, EventId::GraceNote, EventId::ChannelPressure, EventId::ControlChange,
                      EventId::Dynamic, EventId::NRPNPoint, EventId::PitchBend, EventId::PolyPressure,
                      EventId::RPNPoint, EventId::Transpose});
    find.Apply(m_element.get());
    MCEventList found(10);
    found.AddTail(find.GetEvents());
    if (found.IsEmpty())
        return;
    MCCommandList list;
    if (!ConfigureRemove(&found, list))
        return;
    list.SetSynchronous(1);
    MCCommandMgr::BeginUndo(performance, MixerModule::String(MixerModule::kClearTrack));
    list.Apply(performance);
    MCCommandMgr::EndUndo(performance);
    doc->SetModifiedFlag();
}

void CTrackStrip::SelectAll()
{
    ECPerformanceBase* performance = GetPerformance();
    if (!MCOpusDoc::GetActiveDoc() || !performance || !m_list)
        return;
    auto* selection = new SCSelection(SCSelection::kReplace);
    for (const CTrackStrip* strip : m_list->Strips())
        selection->AddToSelection(strip->GetTrack());
    selection->Apply(performance);
}

void CTrackStrip::ResetAll()
{
    if (!m_list)
        return;
    bool changed = false;
    for (CTrackStrip* strip : m_list->Strips()) {
        changed = changed || ((strip->IsMute() || strip->IsSolo()) && strip->GetPerformance());
        strip->SendTrackState(SCTrack::codeMute, 0);
        strip->SendTrackState(SCTrack::codeSolo, 0);
    }
    if (MCOpusDoc* doc = MCOpusDoc::GetActiveDoc(); doc && changed)
        doc->SetModifiedFlag();
}

bool CTrackStrip::onCommand(uint32_t id)
{
    switch (id) {
    case kMuteCommand: SendTrackChange(SCTrack::codeMute, IsMute() ? 0 : 1); return true;
    case kSoloCommand: SendTrackChange(SCTrack::codeSolo, IsSolo() ? 0 : 1); return true;
    case kClearCommand: ClearTrack(); return true;
    case kSelectAllCommand: SelectAll(); return true;
    case kResetAllCommand: ResetAll(); return true;
    case 38662:
    case 38663:
    case 38665:
    case 38666:
    case 38611: MCOpusTemplate::RouteCommand(id); return true;
    case 37130:
    case 37131:
    case 37132:
        // The mixer's layout commands go to the mixer, which holds the list. They remake the
        // strips, this one too, so they run once this strip's work is done.
        for (QWidget* above = m_list; above; above = above->parentWidget()) {
            if (auto* target = dynamic_cast<plat::ui::CommandTarget*>(above)) {
                QTimer::singleShot(0, above, [target, id] { target->onCommand(id); });
                break;
            }
        }
        return true;
    default: return false;
    }
}

bool CTrackStrip::onUpdateCommand(uint32_t id, plat::ui::CommandState& state)
{
    switch (id) {
    case kMuteCommand: state.checked = IsMute() != 0; return true;
    case kSoloCommand: state.checked = IsSolo() != 0; return true;
    case kClearCommand:
    case kSelectAllCommand:
    case kResetAllCommand: return true;
    default: return false;
    }
}

// ---- Mouse, menu, paint ----------------------------------------------------------------

void CTrackStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    Select((event->modifiers() & Qt::ControlModifier) != 0);
    event->accept();
}

void CTrackStrip::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    MCOpusTemplate::RouteCommand(38611);
    event->accept();
}

void CTrackStrip::contextMenuEvent(QContextMenuEvent* event)
{
    const auto entries = plat::ui::MenuResources::load(MixerModule::kName, MixerModule::kStripMenu);
    if (!entries)
        return;
    QMenu menu(this);
    for (const plat::ui::MenuEntry& entry : entries->entries) {
        if (entry.isSeparator()) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromStdString(entry.text));
        action->setData(entry.id);
        plat::ui::CommandState state;
        onUpdateCommand(entry.id, state);
        action->setEnabled(state.enabled);
        if (entry.id == kMuteCommand || entry.id == kSoloCommand) {
            action->setCheckable(true);
            action->setChecked(state.checked);
        }
    }
    if (QAction* picked = plat::ui::ModalHooks::popupMenu(menu, event->globalPos()))
        onCommand(picked->data().toUInt());
    event->accept();
}

void CTrackStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    plat::ui::DrawContext dc(painter);
    dc.drawEdge(rect(), m_selected ? plat::ui::Edge::sunken : plat::ui::Edge::raised);
}

bool CTrackStrip::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const plat::Resources::ModuleSwitch own(MixerModule::kName);
        tooltips::ShowToolTip(this, help->pos(), help->globalPos());
        return true;
    }
    return QWidget::event(event);
}
