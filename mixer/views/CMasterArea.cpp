#include "mixer/views/CMasterArea.h"

#include "mixer/controls/CLevelMeter.h"
#include "mixer/core/CMixerTemplates.h"
#include "mixer/core/MixerImages.h"
#include "mixer/core/MixerModule.h"

#include "interface/controls/MCButton.h"
#include "interface/controls/MCButton2.h"
#include "interface/controls/MCSlider.h"
#include "interface/controls/MCStaticEdit.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/views/MCToolWnd.h"
#include "interface/views/ToolTipProtocol.h"
#include "notabase/model/ECTempo.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/states/MCStateMgr.h"
#include "platform/core/Resources.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "sequencer/prefs/MCSeqPreferences.h"
#include "sequencer/states/SCMaster.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <QHelpEvent>
#include <QKeyEvent>

#include <algorithm>
#include <cmath>

namespace {

QSize& masterSize()
{
    static QSize size(20, 20);
    return size;
}

constexpr int kSpeedIds[5] = {CMasterArea::kQuarter, CMasterArea::kHalf, CMasterArea::kOne, CMasterArea::kDouble,
                              CMasterArea::kQuad};

}  // namespace

CMasterArea::CMasterArea(int mode, SequenceSource sequence, QWidget* parent)
    : QWidget(parent), m_mode(std::clamp(mode, 0, 2)), m_sequence(std::move(sequence))
{
    setObjectName("CMasterArea");
    CMixerTemplates::Build(CMixerTemplates::kMasterMini + m_mode, this);
    CreateControls();
    setFixedSize(sizeHint());
    masterSize() = size();
}

CMasterArea::~CMasterArea() = default;

QSize CMasterArea::GetMasterSize()
{
    return masterSize();
}

double CMasterArea::SpeedFromPosition(int position)
{
    return std::pow(10.0, (position - 50) * 0.0120411998266);
}

int CMasterArea::PositionFromSpeed(double speed)
{
    // A speed that is no number stands for the piece's own tempo.
    if (std::isnan(speed))
        return 50;
    speed = std::clamp(speed, kMinSpeed, kMaxSpeed);
    return int((std::log10(speed) + 0.60205999133) * 83.04820237190299 + 0.5);
}

void CMasterArea::CreateControls()
{
    const plat::Resources::ModuleSwitch own(MixerModule::kName);
    const bool upright = m_mode != 0;
    const uint32_t track = upright ? MixerImages::kMasterTrack : MixerImages::kMiniMasterTrack;
    const uint32_t thumb = upright ? MixerImages::kMasterThumb : MixerImages::kMiniMasterThumb;
    for (const uint32_t id : {track, thumb, uint32_t(MixerImages::kTempoTrack), uint32_t(MixerImages::kTempoThumb)})
        MixerImages::AddToCache(id, this);

    auto slider = [this](int id, int mode, uint32_t trackId, uint32_t thumbId) {
        auto* control = new MCSlider(this);
        control->SubclassSlider(id, this, mode);
        const MixerImages::SliderGeometry geometry = MixerImages::Geometry(trackId);
        control->SetImageInfo(trackId, thumbId, geometry.travel, geometry.hotSpot);
        control->SizeToContent();
        control->setFixedSize(control->size());
        return control;
    };
    m_volume = slider(kVolume, upright ? MCSlider::vertical : MCSlider::horizontal, track, thumb);
    m_volume->setAccessibleName(tr("Master volume"));
    if (plat::ui::itemWidget(this, kMeter)) {
        m_meter = new CLevelMeter(this);
        m_meter->SubclassLevelMeter(kMeter, this);
        m_meter->SetSharedImages(false);
        m_meter->Reset(false);
    }
    m_tempo = slider(kTempo, MCSlider::horizontal, MixerImages::kTempoTrack, MixerImages::kTempoThumb);
    m_tempo->setAccessibleName(tr("Tempo speed"));
    m_tempoText = new MCStaticEdit(this);
    m_tempoText->SubclassStaticEdit(kTempoText, this);
    m_tempoText->setAlignment(Qt::AlignCenter);
    m_tempoText->setAccessibleName(tr("Tempo"));

    for (size_t i = 0; i < m_speeds.size(); ++i) {
        if (!plat::ui::itemWidget(this, kSpeedIds[i]))
            continue;
        auto* button = new MCButton(this);
        button->SetTransparentColor(MixerImages::kFaceKey);
        button->AutoLoad(kSpeedIds[i], this);
        button->SetButtonStyle(MCButton::Push);
        button->SetButtonMode(MCButton::NotifyOnPress);
        button->setFixedSize(button->sizeHint());
        m_speeds[i] = button;
    }
    if (plat::ui::itemWidget(this, kThru)) {
        m_thru = new MCButton2(this);
        m_thru->AutoLoad(kThru, this, MixerImages::kFaceKey, MixerImages::kHighlightKey, MixerImages::kShadowKey);
        m_thru->SetButtonStyle(MCButton2::Toggle);
        m_thru->SetButtonMode(0);
        m_thru->setFixedSize(m_thru->sizeHint());
        UpdateThru();
    }
    if (plat::ui::itemWidget(this, kLamp)) {
        m_lamp = new MCButton2(this);
        m_lamp->AutoLoad(kLamp, this, MixerImages::kFaceKey, MixerImages::kHighlightKey, MixerImages::kShadowKey);
        m_lamp->SetButtonStyle(MCButton2::Indicator);
        m_lamp->SetButtonMode(MCButton2::NotifyOnPress);
        m_lamp->setFixedSize(m_lamp->sizeHint());
        m_lamp->setFocusPolicy(Qt::NoFocus);
    }
    // Without a document the mixer shows full volume at the piece's own speed.
    SetMasterVolume(1.0);
    SetTempoSpeed(1.0);
    SetTempoText(0.0);
}

MCButton* CMasterArea::SpeedButton(int id) const
{
    const auto* found = std::find(std::begin(kSpeedIds), std::end(kSpeedIds), id);
    return found == std::end(kSpeedIds) ? nullptr : m_speeds[size_t(found - std::begin(kSpeedIds))];
}

double CMasterArea::SliderOfVolume(double volume) const
{
    volume = std::clamp(volume, 0.0, 1.0);
    return m_mode != 0 ? 1.0 - volume : volume;
}

void CMasterArea::SetMasterVolume(double volume)
{
    if (m_volume)
        m_volume->SetValue(SliderOfVolume(volume));
}

double CMasterArea::GetMasterVolume() const
{
    return m_volume ? SliderOfVolume(m_volume->GetValue()) : 1.0;
}

void CMasterArea::SetTempoSpeed(double speed)
{
    if (m_tempo)
        m_tempo->SetValue(PositionFromSpeed(speed) / 100.0);
}

int CMasterArea::GetTempoPosition() const
{
    return m_tempo ? int(m_tempo->GetValue() * 100.0 + 0.5) : 50;
}

void CMasterArea::SetTempoText(double bpm)
{
    if (!m_tempoText)
        return;
    if (bpm > 0.0) {
        m_tempoText->SetEditEnabled(true);
        // The same text again would only cost the field its work and a repaint.
        const QString text = QString::fromStdString(plat::format("%.1f", bpm));
        if (!m_tempoText->IsEditing() && m_tempoText->text() != text)
            m_tempoText->setText(text);
    } else {
        m_tempoText->SetEditing(false);
        m_tempoText->SetEditEnabled(false);
        m_tempoText->clear();
    }
}

void CMasterArea::SetMeterLevel(float level)
{
    if (m_meter)
        m_meter->SetLevel(level, true);
}

void CMasterArea::ResetMeter()
{
    if (m_meter)
        m_meter->Reset(true);
}

void CMasterArea::LightMidiIn()
{
    if (m_lamp)
        m_lamp->SetButtonState(1);
}

void CMasterArea::DimMidiIn()
{
    if (m_lamp)
        m_lamp->SetButtonState(0);
}

bool CMasterArea::IsMidiInLit() const
{
    return m_lamp && m_lamp->GetButtonState() == 1;
}

void CMasterArea::SendMasterState(int code, int value)
{
    auto* state = new SCMaster(code);
    state->SetSynchronous(1);
    if (code == SCMaster::codeSpeed)
        state->SetSpeed(float(SpeedFromPosition(value)));
    else
        state->SetVolume(value);
    CSequence* sequence = m_sequence ? m_sequence() : nullptr;
    ECPerformance* performance = sequence ? sequence->GetPerformance() : nullptr;
    if (performance)
        state->Apply(performance);
    else
        MCStateMgr::ApplyState(state, nullptr);
    if (MCOpusDoc* doc = MCOpusDoc::GetActiveDoc())
        doc->SetModifiedFlag();
}

void CMasterArea::OnMasterUpdate(long code, SCMaster* state)
{
    if (!state)
        return;
    switch (code) {
    case SCMaster::codeVolume: {
        const int shown = int(GetMasterVolume() * 100.0);
        const int wanted = int(state->GetBPM());
        if (shown != wanted)
            SetMasterVolume(state->GetBPM() / 100.0);
        break;
    }
    case SCMaster::codeSpeed:
        SetTempoSpeed(state->GetSpeed());
        break;
    case SCMaster::codeTempoDisplay:
        SetTempoText(state->GetBPM());
        break;
    default:
        break;
    }
}

double CMasterArea::TempoInForce(CSequence* sequence)
{
    ECConductor* conductor = sequence ? sequence->GetConductor() : nullptr;
    if (!conductor)
        return 0.0;
    // A sequence not located yet stands at the start.
    MCTime location = sequence->GetLocation();
    if (location == MCTime::TimeNull())
        location = MCTime::TimeZero();
    const ECTempo* tempo = conductor->GetTempoAtTime(location);
    return tempo ? double(tempo->GetTempo(1.0f)) : 0.0;
}

void CMasterArea::OnTempoEntry()
{
    if (!m_tempoText)
        return;
    bool number = false;
    const double typed = m_tempoText->text().trimmed().toDouble(&number);
    CSequence* sequence = m_sequence ? m_sequence() : nullptr;
    const double base = TempoInForce(sequence);
    if (!number || !std::isfinite(typed) || typed <= 0.0 || !std::isfinite(base) || base <= 0.0) {
        // Nothing is sent: the field shows the tempo in force again.
        if (sequence)
            SetTempoText(base * sequence->GetUserSpeed());
        return;
    }
    SendMasterState(SCMaster::codeSpeed, PositionFromSpeed(typed / base));
}

void CMasterArea::OnThru()
{
    if (!m_thru)
        return;
    const int on = m_thru->GetButtonState() == 1 ? 1 : 0;
    if (CWavegate* wavegate = CWavegate::GetWavegate())
        wavegate->EnableMidiThru(on);
    SaveIntPreference("Sequencer\\Midi\\Thru", "Enabled", on);
}

void CMasterArea::UpdateThru()
{
    if (!m_thru)
        return;
    const CWavegate* wavegate = CWavegate::GetWavegate();
    const int on = wavegate ? wavegate->MidiThruEnabled()
                            : LoadIntPreference("Sequencer\\Midi\\Thru", "Enabled", MCSeqPreferences::kThruEnabledDefault);
    const int state = on == 1 ? 1 : 0;
    if (m_thru->GetButtonState() != state)
        m_thru->SetButtonState(state);
}

int CMasterArea::OnCommandHelp(unsigned helpId)
{
    const plat::Resources::ModuleSwitch own(MixerModule::kName);
    const std::string text = MCToolWnd::HelpText(helpId ? helpId : kHelpContext);
    if (text.empty())
        return 0;
    // There are no help files: the request shows what the context says of itself.
    plat::ui::ModalHooks::help(text);
    return 1;
}

void CMasterArea::onNotice(int id, int code, QWidget*)
{
    switch (id) {
    case kVolume:
        if (code == MCSlider::kMoving)
            SendMasterState(SCMaster::codeVolume, int(GetMasterVolume() * 100.0 + 0.5));
        break;
    case kTempo:
        if (code == MCSlider::kMoving)
            SendMasterState(SCMaster::codeSpeed, GetTempoPosition());
        break;
    case kTempoText:
        if (code == MCStaticEdit::kCommitted)
            OnTempoEntry();
        break;
    case kQuarter:
    case kHalf:
    case kOne:
    case kDouble:
    case kQuad:
        if (code == 0)
            SendMasterState(SCMaster::codeSpeed, (id - kQuarter) * 25);
        break;
    case kThru:
        if (code == 0)
            OnThru();
        break;
    default:
        break;
    }
}

bool CMasterArea::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const plat::Resources::ModuleSwitch own(MixerModule::kName);
        tooltips::ShowToolTip(this, help->pos(), help->globalPos());
        return true;
    }
    return QWidget::event(event);
}

void CMasterArea::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        event->setAccepted(OnCommandHelp(0) != 0);
        return;
    }
    QWidget::keyPressEvent(event);
}
