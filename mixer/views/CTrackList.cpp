#include "mixer/views/CTrackList.h"

#include "mixer/views/CTrackStrip.h"

#include "interface/document/MCOpusDoc.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/states/SCSelection.h"
#include "sequencer/states/SCTrack.h"

#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

CTrackList::ScrollInfo CTrackList::ScrollInfoFor(int x, int extentWidth, int clientWidth)
{
    ScrollInfo info;
    if (extentWidth <= 0)
        return info;
    const double page = std::round(double(clientWidth) / double(extentWidth) * kScrollMax);
    info.page = page > kScrollMax ? kScrollMax + 1 : int(page);
    info.position = int(std::lround(double(x) / double(extentWidth) * kScrollMax));
    return info;
}

int CTrackList::ThumbToX(int position, int extentWidth)
{
    return int(std::lround(double(extentWidth) * double(position) / double(kScrollMax)));
}

CTrackList::CTrackList(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, 0);
    bar->setEnabled(false);
    connect(bar, &QAbstractSlider::actionTriggered, this, [this](int action) { OnHScroll(action); });
}

CTrackList::~CTrackList() = default;

CTrackStrip* CTrackList::GetStrip(int index) const
{
    return index >= 0 && index < GetStripCount() ? m_strips[size_t(index)] : nullptr;
}

CTrackStrip* CTrackList::StripOfTrack(int track) const
{
    return GetStrip(track - 1);
}

int CTrackList::ClientWidth() const
{
    return viewport()->width();
}

void CTrackList::SetTrackCount(int n)
{
    n = std::max(0, n);
    ScrollTo(0, 0);
    while (GetStripCount() < n) {
        auto* strip = new CTrackStrip(this, m_stripMode, viewport());
        strip->show();
        m_strips.push_back(strip);
    }
    while (GetStripCount() > n) {
        delete m_strips.back();
        m_strips.pop_back();
    }
    const QSize size = CTrackStrip::GetStripSize();
    m_extent = QSize(size.width() * n, size.height());
    m_lineStep = size.width();
    m_pageStep = kPageStrips * size.width();
    PlaceStrips();
}

void CTrackList::RemoveAllStrips()
{
    for (CTrackStrip* strip : m_strips)
        delete strip;
    m_strips.clear();
    m_position = QPoint();
    m_extent = QSize();
    UpdateScrollRange();
}

void CTrackList::PlaceStrips()
{
    const QSize size = CTrackStrip::GetStripSize();
    for (int i = 0; i < GetStripCount(); ++i)
        m_strips[size_t(i)]->move(i * size.width() - m_position.x(), -m_position.y());
}

void CTrackList::UpdateSelection(MCOpusDoc* doc)
{
    std::vector<ECBase*> staves;
    if (doc) {
        for (ECBase* element : doc->GetSelection()) {
            if (element && element->GetEventId() == EventId::Staff)
                staves.push_back(element);
        }
    }
    for (CTrackStrip* strip : m_strips) {
        const ECBase* track = strip->GetTrack();
        strip->SetSelected(track && std::find(staves.begin(), staves.end(), track) != staves.end());
    }
}

void CTrackList::UpdateScrollRange()
{
    QScrollBar* bar = horizontalScrollBar();
    m_settingBar = true;
    if (m_extent.width() <= 0) {
        // Nothing to scroll: the bar stays, disabled.
        bar->setRange(0, 0);
        bar->setPageStep(kScrollMax + 1);
        bar->setEnabled(false);
        m_settingBar = false;
        return;
    }
    const ScrollInfo info = ScrollInfoFor(m_position.x(), m_extent.width(), ClientWidth());
    bar->setPageStep(std::max(1, info.page));
    bar->setRange(0, std::max(0, kScrollMax - info.page + 1));
    bar->setValue(info.position);
    bar->setEnabled(info.page <= kScrollMax);
    m_settingBar = false;
    if (m_position.x() > m_extent.width() - ClientWidth())
        ScrollTo(m_extent.width() - ClientWidth(), m_position.y());
}

void CTrackList::ScrollTo(int x, int y)
{
    x = std::max(0, std::min(x, m_extent.width() - ClientWidth()));
    if (x == m_position.x() && y == m_position.y())
        return;
    m_position = QPoint(x, y);
    PlaceStrips();
}

void CTrackList::OnHScroll(int action)
{
    if (m_settingBar)
        return;
    int x = m_position.x();
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: x -= m_lineStep; break;
    case QAbstractSlider::SliderSingleStepAdd: x += m_lineStep; break;
    case QAbstractSlider::SliderPageStepSub: x -= m_pageStep; break;
    case QAbstractSlider::SliderPageStepAdd: x += m_pageStep; break;
    case QAbstractSlider::SliderToMinimum: x = 0; break;
    case QAbstractSlider::SliderToMaximum: x = m_extent.width(); break;
    case QAbstractSlider::SliderMove: x = ThumbToX(horizontalScrollBar()->sliderPosition(), m_extent.width()); break;
    default: return;
    }
    ScrollTo(x, m_position.y());
    const ScrollInfo info = ScrollInfoFor(m_position.x(), m_extent.width(), ClientWidth());
    horizontalScrollBar()->setSliderPosition(info.position);
    UpdateScrollRange();
}

void CTrackList::scrollContentsBy(int, int)
{
    // The strips follow the scroll position kept here, not the bar's own value.
}

void CTrackList::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void CTrackList::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (ECPerformance* performance = ECPerformance::GetActivePerformance())
            (new SCSelection(SCSelection::kClear))->Apply(performance);
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CTrackList::OnTrackUpdate(long code, SCTrack* state)
{
    if (!state || state->GetTrackType() != 1)
        return;
    CTrackStrip* strip = StripOfTrack(state->GetTrack());
    switch (code) {
    case SCTrack::codeMute:
        if (strip)
            strip->SetMute(state->GetValue());
        break;
    case SCTrack::codeSolo:
        if (strip)
            strip->SetSolo(state->GetValue());
        break;
    case SCTrack::codeRecordArm:
        for (CTrackStrip* each : m_strips)
            each->SetMode(each == strip ? state->GetValue() : 0);
        break;
    case SCTrack::codeActive:
        // The lists may name tracks the mixer has no strip for: those are passed over.
        for (const int track : state->GetOffList())
            if (CTrackStrip* listed = StripOfTrack(track))
                listed->SetActive(0);
        for (const int track : state->GetOnList())
            if (CTrackStrip* listed = StripOfTrack(track))
                listed->SetActive(1);
        break;
    case 3404:
        for (const int track : state->GetOffList())
            if (CTrackStrip* listed = StripOfTrack(track))
                listed->SetMode(0);
        for (const int track : state->GetOnList())
            if (CTrackStrip* listed = StripOfTrack(track))
                listed->SetMode(1);
        break;
    case SCTrack::codeMuteList:
        for (const int track : state->GetMuteList())
            if (CTrackStrip* listed = StripOfTrack(track))
                listed->SetMute(1);
        break;
    case SCTrack::codeGain:
        if (strip)
            strip->SetVolume(state->GetValue());
        break;
    case SCTrack::codePan:
        if (strip)
            strip->SetPan(state->GetValue());
        break;
    case SCTrack::codeChorus:
        if (strip)
            strip->SetChorus(state->GetValue());
        break;
    case SCTrack::codeReverb:
        if (strip)
            strip->SetReverb(state->GetValue());
        break;
    case SCTrack::codeModulation:
        if (strip)
            strip->SetModulation(state->GetValue());
        break;
    default:
        break;
    }
}
