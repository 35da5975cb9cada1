#include "mixer/views/CTrackState.h"

#include "mixer/core/MixerImages.h"
#include "mixer/core/MixerModule.h"
#include "mixer/views/CTrackStrip.h"

#include "interface/controls/MCButton2.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/views/ToolTipProtocol.h"
#include "platform/core/Resources.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/draw/DrawContext.h"
#include "sequencer/states/SCTrack.h"
#include "sequencer/transport/CSequence.h"

#include <QBoxLayout>
#include <QHelpEvent>
#include <QPainter>

CTrackState::CTrackState(QWidget* parent) : QWidget(parent) {}

CTrackState::~CTrackState() = default;

bool CTrackState::SubclassTrackState(int id, CTrackStrip* parent)
{
    const QWidget* placeholder = plat::ui::itemWidget(parent, id);
    const QSize size = placeholder ? placeholder->minimumSize() : QSize();
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    if (!size.isEmpty())
        setFixedSize(size);
    m_strip = parent;
    InitWindow();
    return true;
}

void CTrackState::InitWindow()
{
    const plat::Resources::ModuleSwitch own(MixerModule::kName);
    const struct {
        int id;
        const char* images;
        MCButton2** button;
    } buttons[] = {{kMute, "MUTE", &m_mute}, {kSolo, "SOLO", &m_solo}, {kMode, "ACTIVE", &m_mode}};
    for (const auto& entry : buttons) {
        auto* button = new MCButton2(this);
        plat::ui::setItemId(button, entry.id);
        plat::ui::setGroupStart(button, true);
        button->LoadBitmaps(entry.images, MixerImages::kFaceKey, MixerImages::kHighlightKey, MixerImages::kShadowKey);
        button->SetButtonMode(0);
        button->SetButtonStyle(MCButton2::Toggle);
        button->setFixedSize(button->sizeHint());
        button->setAccessibleName(QString::fromStdString(MixerModule::String(uint32_t(entry.id))).section('\n', 1));
        *entry.button = button;
    }
    TileButtons();
}

void CTrackState::TileButtons()
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2 + 5, 2, 2 + 5, 2);
    row->setSpacing(0);
    row->addWidget(m_mute, 0, Qt::AlignVCenter);
    row->addStretch();
    row->addWidget(m_solo, 0, Qt::AlignVCenter);
    row->addStretch();
    row->addWidget(m_mode, 0, Qt::AlignVCenter);
}

MCButton2* CTrackState::Button(int id) const
{
    switch (id) {
    case kMute: return m_mute;
    case kSolo: return m_solo;
    case kMode: return m_mode;
    default: return nullptr;
    }
}

int CTrackState::IsMute() const
{
    return m_mute && m_mute->GetButtonState() == 1 ? 1 : 0;
}

int CTrackState::IsSolo() const
{
    return m_solo && m_solo->GetButtonState() == 1 ? 1 : 0;
}

void CTrackState::SetMute(int mute)
{
    if (m_mute && IsMute() != (mute ? 1 : 0))
        m_mute->SetButtonState(mute ? 1 : 0);
}

void CTrackState::SetSolo(int solo)
{
    if (m_solo && IsSolo() != (solo ? 1 : 0))
        m_solo->SetButtonState(solo ? 1 : 0);
}

void CTrackState::LoadModeImages()
{
    const plat::Resources::ModuleSwitch own(MixerModule::kName);
    m_mode->LoadBitmaps(IsActive() ? "ACTIVE" : "INACTIVE", MixerImages::kFaceKey, MixerImages::kHighlightKey,
                        MixerImages::kShadowKey);
}

void CTrackState::SetActive(int active)
{
    if (IsActive() == (active ? 1 : 0))
        return;
    m_state = uint8_t(active ? (m_state | kActiveBit) : (m_state & ~kActiveBit));
    if (!m_mode)
        return;
    LoadModeImages();
    m_mode->SetButtonState(GetMode());
    m_mode->SetDisabledState(GetMode());
    m_mode->update();
}

void CTrackState::SetMode(int mode)
{
    mode &= kModeBits;
    if (GetMode() == mode)
        return;
    m_state = uint8_t((m_state & ~kModeBits) | mode);
    if (!m_mode)
        return;
    m_mode->SetButtonState(mode);
    m_mode->SetDisabledState(mode);
}

void CTrackState::EnableModeButton(int enable)
{
    if (!m_mode)
        return;
    m_mode->SetDisabledState(GetMode());
    m_mode->setEnabled(enable != 0);
}

void CTrackState::OnMute()
{
    if (!m_strip)
        return;
    m_strip->SendTrackChange(SCTrack::codeMute, IsMute());
}

void CTrackState::OnSolo()
{
    if (!m_strip)
        return;
    m_strip->SendTrackChange(SCTrack::codeSolo, IsSolo());
}

void CTrackState::OnMode()
{
    // The button shows the mode only once the state comes back.
    if (m_mode)
        m_mode->SetButtonState(GetMode());
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    if (!m_strip || !doc || doc->GetSequence()->TestState(CSequence::stateRecording))
        return;
    m_strip->SendTrackState(SCTrack::codeRecordArm, GetMode() == 0 ? 1 : 0);
}

void CTrackState::onNotice(int id, int code, QWidget*)
{
    if (code != 0)
        return;
    switch (id) {
    case kMute: OnMute(); break;
    case kSolo: OnSolo(); break;
    case kMode: OnMode(); break;
    default: break;
    }
}

void CTrackState::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    plat::ui::DrawContext dc(painter);
    dc.drawEdge(rect(), plat::ui::Edge::sunken);
    painter.fillRect(rect().adjusted(2, 2, -2, -2), Qt::black);
}

bool CTrackState::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const plat::Resources::ModuleSwitch own(MixerModule::kName);
        tooltips::ShowToolTip(this, help->pos(), help->globalPos());
        return true;
    }
    return QWidget::event(event);
}
