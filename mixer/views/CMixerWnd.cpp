#include "mixer/views/CMixerWnd.h"

#include "mixer/core/CMixerTemplates.h"
#include "mixer/core/MixerImages.h"
#include "mixer/core/MixerModule.h"
#include "mixer/controls/CLevelMeter.h"
#include "mixer/views/CMasterArea.h"
#include "mixer/views/CTrackList.h"
#include "mixer/views/CTrackStrip.h"

#include "interface/controls/MCButton.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusTemplate.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACFindFirstEvent.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"
#include "notabase/states/SCCommand.h"
#include "notabase/states/SCPrefs.h"
#include "notabase/states/SCSelection.h"
#include "platform/core/Resources.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/resource/MenuResources.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/monitor/CMeterLevelMgr.h"
#include "sequencer/states/SCMaster.h"
#include "sequencer/states/SCTrack.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWGEventData.h"
#include "wavegate/CWavegate.h"

#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

int CMixerWnd::s_nMixerMode = CMixerWnd::normal;

namespace {

// The layout buttons, in the order they stand: full, normal, mini.
constexpr struct {
    int id;
    int mode;
} kLayoutButtons[] = {{CMixerWnd::kFullButton, CMixerWnd::full},
                      {CMixerWnd::kNormalButton, CMixerWnd::normal},
                      {CMixerWnd::kMiniButton, CMixerWnd::mini}};

// The elements of a list that are staves, or texts that may name their track: a strip shows the
// name its track's data finds, whatever kind of name text that is.
void collectTracks(MCEventList& elements, std::set<int>& tracks)
{
    ACFindEvents find;
    find.AddEvtType(EventId::Staff);
    find.AddEvtType(EventId::Text);
    // Below a staff lie its notes: only its own track matters.
    find.ClipEvtType(EventId::Staff);
    find.Apply(&elements, 1);
    for (ECBase* element : find.GetEvents()) {
        if (element->GetEventId() == EventId::Staff) {
            tracks.insert(element->GetTrack());
        } else if (const auto* text = plat::dynamicDowncast<ECText>(element);
                   text && DCsqTrack::NamesTrack(text->GetTextType())) {
            tracks.insert(element->GetTrack());
        }
    }
}

bool holdsStaff(MCEventList& elements)
{
    ACFindFirstEvent find;
    find.AddEvtType(EventId::Staff);
    find.Apply(&elements, 1);
    return find.GetEvent() != nullptr;
}

// Whether a command adds, edits or removes a tempo mark (its undoing included).
bool changesTempo(CCBase* command)
{
    MCEventList elements(10);
    if (auto* add = plat::dynamicDowncast<CCAdd>(command))
        add->GetAddEvents(elements);
    else if (auto* edit = plat::dynamicDowncast<CCEdit>(command))
        edit->GetEditEvents(elements);
    else if (auto* remove = plat::dynamicDowncast<CCRemove>(command))
        remove->GetRemoveEvents(elements);
    if (elements.IsEmpty())
        return false;
    ACFindFirstEvent find;
    find.AddEvtType(EventId::Tempo);
    // Tempo marks lie in the conductor's envelope, never among a staff's bars and notes.
    find.ClipEvtType(EventId::Staff);
    find.ClipEvtType(EventId::Measure);
    find.Apply(&elements, 1);
    return find.GetEvent() != nullptr;
}

}  // namespace

CMixerWnd::CMixerWnd(QWidget* mainFrame, QWidget* parent, std::shared_ptr<plat::ui::DisplayTick> tick)
    : MCToolWnd(mainFrame), m_mdi(parent), m_tick(tick ? std::move(tick) : std::make_shared<plat::ui::DisplayTick>())
{
    setObjectName("Mixer");
    InitToolLayout(mainFrame, kDialogId);
}

CMixerWnd::~CMixerWnd()
{
    StopTrackTimer();
    if (m_flags & 1)
        SavePrefs(kSection);
    StopMidiMonitor();
}

int CMixerWnd::GetMixerMode()
{
    return s_nMixerMode;
}

void CMixerWnd::SetMixerMode(int mode)
{
    s_nMixerMode = std::clamp(mode, int(mini), int(full));
}

int CMixerWnd::SnapWidth(int length, int stripWidth, int masterWidth)
{
    if (stripWidth <= 0)
        return std::max(length, masterWidth + kSnapBase);
    const int strips = (length - kSnapBase) / stripWidth - ((length - kSnapBase) % stripWidth < 0 ? 1 : 0);
    return std::max(stripWidth * strips + kSnapBase, masterWidth + kSnapBase);
}

// ---- Making it ---------------------------------------------------------------------------

bool CMixerWnd::InitToolLayout(QWidget* mainFrame, int id)
{
    {
        const plat::Resources::ModuleSwitch own(MixerModule::kName);
        if (!MCToolWnd::InitToolLayout(mainFrame, id))
            return false;
        CMixerTemplates::Build(kDialogId, Body());
        m_list = new CTrackList(Body());
        auto* row = static_cast<QBoxLayout*>(Body()->layout());
        row->addWidget(m_list, 1, Qt::AlignTop);
        CreateMasterArea();
        for (size_t i = 0; i < m_buttons.size(); ++i) {
            auto* button = new MCButton(Body());
            button->SetTransparentColor(MixerImages::kFaceKey);
            button->AutoLoad(kLayoutButtons[i].id, Body());
            button->SetButtonStyle(MCButton::Toggle);
            button->SetButtonMode(MCButton::HotTrack | MCButton::NotifyOnPress);
            button->setFixedSize(button->sizeHint());
            button->setAccessibleName(
                QString::fromStdString(MixerModule::String(uint32_t(kLayoutButtons[i].id))).section('\n', 1));
            m_buttons[i] = button;
        }
    }
    EnableDocking(Qt::BottomDockWidgetArea);
    LoadPrefs(kSection);
    OnUpdate(1705, nullptr);
    StartTrackTimer();
    StartMidiMonitor();
    m_flags |= 1;
    return true;
}

void CMixerWnd::CreateMasterArea()
{
    auto* master = new CMasterArea(s_nMixerMode, [this] { return m_sequence; }, Body());
    auto* row = static_cast<QBoxLayout*>(Body()->layout());
    if (m_master) {
        delete row->replaceWidget(m_master, master);
        delete m_master;
    } else {
        row->addWidget(master, 0, Qt::AlignTop);
    }
    m_master = master;
}

MCButton* CMixerWnd::LayoutButton(int id) const
{
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        if (kLayoutButtons[i].id == id)
            return m_buttons[i];
    }
    return nullptr;
}

void CMixerWnd::LoadPrefs(const char* section)
{
    SetMixerMode(LoadIntPreference(section, "Layout", normal));
    int width = int(0.667 * SizeToMdi().width());
    if (width <= 0)
        width = 8 * CTrackStrip::GetStripSize().width() + kSnapBase;
    m_sizeDefault.setWidth(width);
    m_floatWidth = LoadIntPreference(section, "FloatWidth", width, 0, kScreenCoordinateLimit);
    UpdateLayout(false);
    m_sizeDefault.setHeight(m_barHeight);
    DockControlBar(Qt::BottomDockWidgetArea);
    show();
}

void CMixerWnd::SavePrefs(const char* section) const
{
    SaveIntPreference(section, "Layout", s_nMixerMode);
    SaveIntPreference(section, "FloatWidth", m_floatWidth);
}

// ---- Sizes -------------------------------------------------------------------------------

QSize CMixerWnd::SizeToMdi() const
{
    return {m_mdi ? m_mdi->width() : m_floatWidth, m_barHeight};
}

QSize CMixerWnd::CalcFixedLayout(bool, bool) const
{
    if (isFloating() && m_dockedSize.isValid())
        return m_dockedSize;
    return {m_floatWidth, m_barHeight};
}

QSize CMixerWnd::CalcDynamicLayout(int length, unsigned mode) const
{
    if (mode & LM_COMMIT)
        return CalcFixedLayout((mode & LM_STRETCH) != 0, (mode & LM_HORZ) != 0);
    if (mode & (LM_VERTDOCK | LM_HORZDOCK)) {
        m_dockedSize = SizeToMdi();
        return m_dockedSize;
    }
    if (!(mode & LM_MRUWIDTH) && length > 0 && !(mode & LM_LENGTHY))
        m_floatWidth = SnapWidth(length, CTrackStrip::GetStripSize().width(), CMasterArea::GetMasterSize().width());
    return {m_floatWidth, m_barHeight};
}

void CMixerWnd::resizeEvent(QResizeEvent* event)
{
    MCToolWnd::resizeEvent(event);
    if (!(m_flags & 1) || !isFloating() || !Body())
        return;
    // A floating mixer shows whole strips: its width snaps once the user has let it go.
    const int body = Body()->width();
    const int snapped = CalcDynamicLayout(body, LM_HORZ).width();
    if (snapped != body) {
        QTimer::singleShot(0, this, [this, snapped] {
            if (isFloating() && Body())
                resize(width() + snapped - Body()->width(), height());
        });
    }
}

void CMixerWnd::UpdateLayout(bool redraw)
{
    {
        // A strip of the mode tells the strip size.
        const CTrackStrip probe(nullptr, s_nMixerMode, nullptr);
    }
    if (m_master)
        CreateMasterArea();
    if (redraw)
        Body()->setUpdatesEnabled(false);
    ClearTracks();
    UpdateDocument(m_doc, true);
    const int listHeight = CTrackStrip::GetStripSize().height() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                           2 * m_list->frameWidth();
    m_list->setFixedHeight(listHeight);
    // The master section never sticks out of the bar.
    m_barHeight = std::max(listHeight + 10, CMasterArea::GetMasterSize().height() + 10);
    Body()->setFixedHeight(m_barHeight);
    m_floatWidth = std::max(m_floatWidth, CMasterArea::GetMasterSize().width() + kSnapBase);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i])
            m_buttons[i]->SetButtonState(kLayoutButtons[i].mode == s_nMixerMode ? 1 : 0);
    }
    if (redraw) {
        Body()->setUpdatesEnabled(true);
        Body()->updateGeometry();
        update();
    }
    // The new master section shows the speed.
    if (m_sequence)
        m_sequence->SetUserSpeed(m_sequence->GetUserSpeed());
}

void CMixerWnd::SetLayoutMode(int mode)
{
    if (mode == s_nMixerMode)
        return;
    SetMixerMode(mode);
    UpdateLayout(true);
}

// ---- The document ----------------------------------------------------------------------

void CMixerWnd::OnInitialUpdate()
{
    UpdateDocument(MCOpusDoc::GetActiveDoc(), true);
}

bool CMixerWnd::FollowActiveDocument()
{
    MCOpusDoc* active = MCOpusDoc::GetActiveDoc();
    if (!m_doc || m_doc == active)
        return false;
    UpdateDocument(active, true);
    return true;
}

bool CMixerWnd::IsOwnState(const SCBase* state) const
{
    if (!state || !state->GetTarget())
        return true;
    // Without a document, a state of a performance comes from one that is gone or not shown
    // (a closed piece's sequence still stopping).
    return m_doc && state->GetTarget() == static_cast<ECPerformanceBase*>(m_doc->GetBaseEvent());
}

void CMixerWnd::UpdateDocument(MCOpusDoc* doc, bool rebuild)
{
    m_doc = doc;
    m_sequence = doc ? doc->GetSequence() : nullptr;
    m_conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    m_levels = m_sequence ? &m_sequence->GetMeterLevelMgr() : nullptr;
    // The gains the meters scale by may have changed while another document was in front.
    if (m_levels)
        m_levels->RefreshGains();
    if (!rebuild)
        return;
    if (m_doc)
        UpdateTracks();
    else
        ClearTracks();
}

void CMixerWnd::ClearTracks()
{
    if (m_list) {
        m_list->RemoveAllStrips();
        m_list->UpdateScrollRange();
    }
    if (m_master) {
        m_master->SetTempoSpeed(1.0);
        m_master->SetTempoText(0.0);
    }
}

void CMixerWnd::UpdateTracks()
{
    if (!m_sequence || !m_list || !m_master) {
        ClearTracks();
        return;
    }
    m_master->SetTempoSpeed(m_sequence->GetUserSpeed());
    UpdateTempo();
    m_master->SetMasterVolume(m_sequence->GetMasterGain());
    const int count = m_conductor ? m_conductor->GetMaxTrackNumber(ECConductor::staffTrack) : 0;
    if (count <= 0) {
        ClearTracks();
        return;
    }
    m_list->setUpdatesEnabled(false);
    m_list->SetStripMode(s_nMixerMode);
    m_list->SetTrackCount(count);
    for (int track = 1; track <= count; ++track)
        UpdateTrack(track);
    m_list->UpdateSelection(m_doc);
    m_list->UpdateScrollRange();
    m_list->setUpdatesEnabled(true);
    m_list->viewport()->update();
}

void CMixerWnd::UpdateTempo()
{
    if (m_master && m_sequence)
        m_master->SetTempoText(CMasterArea::TempoInForce(m_sequence) * m_sequence->GetUserSpeed());
}

void CMixerWnd::UpdateTrack(int track)
{
    ECBase* element = m_conductor ? m_conductor->GetTrack(ECConductor::staffTrack, track, 0) : nullptr;
    auto* data = element ? plat::dynamicDowncast<DCsqTrack>(element->GetData(0, 0)) : nullptr;
    CTrackStrip* strip = m_list ? m_list->GetStrip(track - 1) : nullptr;
    if (!data || !strip)
        return;
    strip->SetTrackNumber(track);
    strip->SetSelected(element->IsSelected() != 0);
    // A track without a name shows one; the piece is left as it is.
    const ECText* name = data->GetTrackName();
    strip->SetTrackName(name && !name->GetText().empty()
                            ? name->GetText()
                            : plat::format(MixerModule::String(MixerModule::kTrackName).c_str(), track));
    strip->SetTrack(element);
    strip->SetVolume(int(std::lround(data->GetTrackGain() * 100.0f)));
    strip->SetPan(int(data->GetTrackPan() * 64.0f));
    strip->SetChorus(int(std::lround(data->GetTrackChorus() * 127.0f)));
    strip->SetReverb(int(std::lround(data->GetTrackReverb() * 127.0f)));
    strip->SetModulation(int(std::lround(data->GetTrackModulation() * 127.0f)));
    strip->SetMute(data->IsMuted());
    strip->SetSolo(data->IsSoloed());
    strip->SetActive(data->IsActive());
    strip->SetMode(0);
}

void CMixerWnd::ResetMeters()
{
    if (!m_doc || !m_list || !m_master)
        return;
    m_master->ResetMeter();
    const int tracks = m_conductor ? m_conductor->GetMaxTrackNumber(ECConductor::staffTrack) : 0;
    const int count = std::min(tracks, m_list->GetStripCount());
    for (int i = 0; i < count; ++i) {
        CTrackStrip* strip = m_list->GetStrip(i);
        strip->SetMode(0);
        strip->ResetMeter();
    }
}

void CMixerWnd::EnableModeButtons(bool enable)
{
    if (!m_list)
        return;
    for (CTrackStrip* strip : m_list->Strips())
        strip->EnableModeButton(enable ? 1 : 0);
}

// ---- States ------------------------------------------------------------------------------

void CMixerWnd::OnUpdate(long hint, SCBase* state)
{
    StartMidiMonitor();
    // A change of the transport, or another document coming to the front (which may be
    // playing), may set the meters going.
    if ((hint >= 3300 && hint <= 3312) || hint == 1300 || hint == 1301 || hint == 1303 || hint == 1705)
        WakeMeterTimer();
    switch (hint) {
    case 1300:
    case 1301:
    case 1705:
        UpdateDocument(MCOpusDoc::GetActiveDoc(), true);
        return;
    case 1303:
        // The closed document has left; the mixer shows the one that is active now, if any.
        UpdateDocument(MCOpusDoc::GetActiveDoc(), true);
        return;
    case SCPrefs::kPrefsChanged:
        // The device wizard and the MIDI pages may have switched MIDI thru.
        if (m_master)
            m_master->UpdateThru();
        return;
    case 1304:
        m_flags |= 2;
        return;
    case 1305:
        m_flags &= ~2u;
        return;
    default:
        break;
    }
    FollowActiveDocument();
    if (!IsOwnState(state))
        return;
    switch (hint) {
    case SCCommand::kProcessed:
        if (m_doc)
            if (auto* commands = dynamic_cast<SCCommand*>(state))
                AnalyseCommands(commands);
        break;
    case 1700:
    case 1701:
    case 1702:
    case 1703:
    case 1704:
        if (const auto* selection = dynamic_cast<const SCSelection*>(state); selection && !selection->IsDynamic())
            m_list->UpdateSelection(m_doc);
        break;
    case 3300:
    case 3301:
        EnableModeButtons(true);
        ResetMeters();
        break;
    case 3302:
        if (!m_sequence || !m_sequence->GetStepMode())
            EnableModeButtons(false);
        ResetMeters();
        break;
    case 3304:
        if (!m_sequence || !m_sequence->GetStepMode())
            EnableModeButtons(false);
        break;
    default:
        // A track's gain changes what its meter shows; the sequence has applied it by now.
        if (hint == SCTrack::codeGain && m_levels)
            m_levels->RefreshGains();
        if (hint >= 3400 && hint <= 3411)
            m_list->OnTrackUpdate(hint, dynamic_cast<SCTrack*>(state));
        else if (hint >= 3500 && hint <= 3502)
            m_master->OnMasterUpdate(hint, dynamic_cast<SCMaster*>(state));
        break;
    }
}

void CMixerWnd::OnAdd(CCAdd* command, std::set<int>& tracks)
{
    MCEventList added(10);
    if (command && command->GetAddEvents(added))
        collectTracks(added, tracks);
}

void CMixerWnd::OnEdit(CCEdit* command, std::set<int>& tracks)
{
    MCEventList edited(10);
    if (command && command->GetEditEvents(edited))
        collectTracks(edited, tracks);
}

void CMixerWnd::AnalyseCommands(SCCommand* state)
{
    std::set<int> tracks;
    bool rebuild = false;
    bool tempo = false;
    for (CCBase* command : state->GetCommands()) {
        if (!command)
            continue;
        tempo = tempo || changesTempo(command);
        switch (command->GetCommandId()) {
        case CommandIds::CCAdd:
            OnAdd(plat::dynamicDowncast<CCAdd>(command), tracks);
            break;
        case CommandIds::CCAddTrack:
        case CommandIds::CCCopyTracks:
            if (auto* add = plat::dynamicDowncast<CCAdd>(command)) {
                MCEventList added(10);
                add->GetAddEvents(added);
                rebuild = rebuild || holdsStaff(added);
            }
            break;
        case CommandIds::CCEdit:
        case CommandIds::CCEditData:
            OnEdit(plat::dynamicDowncast<CCEdit>(command), tracks);
            break;
        case CommandIds::CCOrderTracks:
            rebuild = true;
            break;
        case CommandIds::CCRemoveTrack:
            if (auto* remove = plat::dynamicDowncast<CCRemove>(command)) {
                MCEventList removed(10);
                remove->GetRemoveEvents(removed);
                rebuild = rebuild || holdsStaff(removed);
            }
            break;
        default:
            break;
        }
    }
    // An edit of a staff's data (its gain among them), or of the order of the tracks, moves the
    // gains the meters scale by.
    if (m_levels && (rebuild || !tracks.empty()))
        m_levels->RefreshGains();
    if (rebuild) {
        UpdateTracks();
        return;
    }
    // The tempo in force may be another one now; while the piece plays the sequence tells it.
    if (tempo)
        UpdateTempo();
    for (const int track : tracks)
        UpdateTrack(track);
}

// ---- Meters and the MIDI-in lamp -----------------------------------------------------

void CMixerWnd::StartTrackTimer()
{
    if (m_meterListener)
        return;
    if (m_levels)
        m_levels->RefreshGains();
    m_meterListener = m_tick->Add([this] { OnMeterTimer(); });
}

void CMixerWnd::StopTrackTimer()
{
    if (!m_meterListener)
        return;
    m_tick->Remove(m_meterListener);
    m_meterListener = 0;
}

void CMixerWnd::OnMeterTimer()
{
    FollowActiveDocument();
    if (m_levels && m_sequence && m_list && m_master) {
        const std::vector<float>& levels = m_levels->GetCurrentLevels();
        // Slot n is track n; the level manager and the strips may count differently for a
        // moment after an edit.
        const int count = std::min(int(levels.size()) - 1, m_list->GetStripCount());
        float loudest = 0.0f;
        for (int track = 1; track <= count; ++track) {
            CTrackStrip* strip = m_list->GetStrip(track - 1);
            const float level = levels[size_t(track)];
            strip->SetMeterLevel(level, true);
            if (strip->IsActive())
                loudest = std::max(loudest, level);
        }
        m_master->SetMeterLevel(loudest * m_sequence->GetMasterGain());
    }
    if (m_lampTicks == 1) {
        if (m_master)
            m_master->DimMidiIn();
        m_lampTicks = 0;
        m_lampLit = false;
    } else {
        ++m_lampTicks;
    }
    // At rest the mixer wakes nobody: the next play, recording or input starts the timer again.
    if (!MetersCanMove())
        StopTrackTimer();
}

bool CMixerWnd::MetersCanMove() const
{
    constexpr uint32_t kMoving = CSequence::stateStopping | CSequence::statePausing | CSequence::statePlaying |
                                 CSequence::stateFastForward | CSequence::stateStepPlaying | CSequence::statePlayLeadIn |
                                 CSequence::stateRecording | CSequence::stateStepRecording | CSequence::stateRecordLeadIn;
    if (m_lampLit || (m_sequence && m_sequence->TestState(kMoving)))
        return true;
    if (m_master && m_master->Meter() && m_master->Meter()->GetLitHeight() > 0)
        return true;
    if (m_list) {
        for (const CTrackStrip* strip : m_list->Strips()) {
            if (strip->Meter() && strip->Meter()->GetLitHeight() > 0)
                return true;
        }
    }
    return false;
}

void CMixerWnd::WakeMeterTimer()
{
    if (isVisible())
        StartTrackTimer();
}

int CMixerWnd::MidiInputProc(uintptr_t user, int, CWGEventData* event)
{
    if (user && event && (event->type == CWGEventData::WG_EVENT_MIDI || event->type == CWGEventData::WG_EVENT_SYSEX))
        reinterpret_cast<CMixerWnd*>(user)->OnMidiInput();
    return 1;
}

void CMixerWnd::OnMidiInput()
{
    if (QThread::currentThread() != thread()) {
        // One lighting waits in the queue at a time, however fast input comes.
        if (!m_lampQueued.exchange(true))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_lampQueued = false;
                    OnMidiInput();
                },
                Qt::QueuedConnection);
        return;
    }
    if (m_master)
        m_master->LightMidiIn();
    // The lamp stays lit for the next tick and goes out on the one after.
    m_lampTicks = 0;
    m_lampLit = true;
    WakeMeterTimer();
}

void CMixerWnd::StartMidiMonitor()
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (m_midiTag != 0 && wavegate == m_midiWavegate)
        return;
    m_midiTag = 0;
    m_midiWavegate = wavegate;
    if (wavegate)
        m_midiTag = wavegate->StartRecording(&CMixerWnd::MidiInputProc, reinterpret_cast<uintptr_t>(this), 0);
}

void CMixerWnd::StopMidiMonitor()
{
    // Once this returns no callback runs any more: the device manager holds its recording lock
    // while it calls one.
    if (m_midiTag != 0 && m_midiWavegate && CWavegate::GetWavegate() == m_midiWavegate)
        m_midiWavegate->StopRecording(m_midiTag);
    m_midiTag = 0;
    m_midiWavegate = nullptr;
}

// ---- Commands, menus, help --------------------------------------------------------------

void CMixerWnd::onNotice(int id, int code, QWidget*)
{
    if (code == 0 && id >= kMiniButton && id <= kFullButton)
        onCommand(uint32_t(id));
}

bool CMixerWnd::onCommand(uint32_t id)
{
    switch (id) {
    case kMiniButton:
    case kNormalButton:
    case kFullButton:
        SetLayoutMode(int(id) - kMiniButton);
        return true;
    case 5130:
    case 5131:
    case 5132:
        SetLayoutMode(int(id) - 5130);
        return true;
    case 38662:
    case 38663:
    case 38665:
    case 38666:
    case 38611:
        MCOpusTemplate::RouteCommand(id);
        return true;
    default:
        return false;
    }
}

bool CMixerWnd::onUpdateCommand(uint32_t id, plat::ui::CommandState& state)
{
    if (id >= kMiniButton && id <= kFullButton) {
        state.enabled = true;
        return true;
    }
    return false;
}

void CMixerWnd::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (!m_doc)
        return;
    const auto entries = plat::ui::MenuResources::load(MixerModule::kName, MixerModule::kMixerMenu);
    if (!entries)
        return;
    QMenu menu(this);
    for (const plat::ui::MenuEntry& entry : entries->entries) {
        if (entry.isSeparator())
            menu.addSeparator();
        else
            menu.addAction(QString::fromStdString(entry.text))->setData(entry.id);
    }
    if (QAction* picked = plat::ui::ModalHooks::popupMenu(menu, event->globalPos()))
        onCommand(picked->data().toUInt());
}

int CMixerWnd::OnCommandHelp(unsigned helpId)
{
    const plat::Resources::ModuleSwitch own(MixerModule::kName);
    return MCToolWnd::OnCommandHelp(helpId ? helpId : kHelpContext);
}

unsigned CMixerWnd::OnHelpHitTest() const
{
    return kHelpContext;
}

void CMixerWnd::showEvent(QShowEvent* event)
{
    MCToolWnd::showEvent(event);
    StartTrackTimer();
}

void CMixerWnd::hideEvent(QHideEvent* event)
{
    MCToolWnd::hideEvent(event);
    StopTrackTimer();
}
