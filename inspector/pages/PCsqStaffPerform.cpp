#include "inspector/pages/PCsqStaffPerform.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/core/InterfaceImages.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDataItem.h"
#include "inspector/pages/PCsqPageCommand.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/draw/ColorRef.h"
#include "platform/ui/resource/ImageResources.h"
#include "sequencer/data/DCsqTrack.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <cstdlib>

PLAT_IMPLEMENT_DYNCREATE(PCsqStaffPerform, MCInspectorPage)

namespace {

constexpr plat::ui::ColorRef kTransparent = 0xFF0000;
constexpr int kMaxOctaves = 255;
// The largest size the edits show: the most octaves and eleven half steps.
constexpr float kMaxSize = kMaxOctaves * 12 + 11;

// A staff's transposition in whole half steps, held to what the page can show: a stored
// value may be any float.
int ShownTransposition(float stored)
{
    if (!std::isfinite(stored))
        return 0;
    return int(std::clamp(stored, -kMaxSize, kMaxSize));
}

// The direction button's two faces, 17 x 32: an arrow up (state 0) and down (state 1) over
// the transparent colour, where the button's face shows.
QImage DirectionFace(int scale, bool down)
{
    return InterfaceImages::Paint(17, 32, scale, true, [down](QPainter& p) {
        p.fillRect(QRect(0, 0, 17, 32), plat::ui::toQColor(kTransparent));
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 20, 20));
        QPolygonF arrow;
        if (down)
            arrow << QPointF(6.5, 4) << QPointF(10.5, 4) << QPointF(10.5, 18) << QPointF(15, 18) << QPointF(8.5, 28)
                  << QPointF(2, 18) << QPointF(6.5, 18);
        else
            arrow << QPointF(8.5, 4) << QPointF(15, 14) << QPointF(10.5, 14) << QPointF(10.5, 28)
                  << QPointF(6.5, 28) << QPointF(6.5, 14) << QPointF(2, 14);
        p.drawPolygon(arrow);
    });
}

const plat::ui::ImageResources::Entry kImages[] = {
    {"DIRECTION0", [](int scale) { return DirectionFace(scale, false); }},
    {"DIRECTION1", [](int scale) { return DirectionFace(scale, true); }},
};
const plat::ui::ImageResources::Registration kImageRegistration("InspectorDirection", kImages);

DCsqTrack* TrackData(ECBase* element)
{
    if (!element || element->GetEventId() != EventId::Staff)
        return nullptr;
    return plat::dynamicDowncast<DCsqTrack>(element->GetData(0, 0));
}

}  // namespace

PCsqStaffPerform::PCsqStaffPerform()
{
    setWindowTitle("&Performance");
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox("Interval", this);
    auto* grid = new QGridLayout(group);
    // Placeholders that InitPage puts the page's own controls in.
    auto* direction = new QPushButton("DIRECTION", group);
    plat::ui::setItemId(direction, IDC_DIRECTION);
    auto* interval = new QWidget(group);
    plat::ui::setItemId(interval, IDC_INTERVAL);
    auto* octaves = new QWidget(group);
    plat::ui::setItemId(octaves, IDC_OCTAVES);
    auto* halfSteps = new QWidget(group);
    plat::ui::setItemId(halfSteps, IDC_HALF_STEPS);
    auto* octavesLabel = new QLabel("&Octaves", group);
    octavesLabel->setBuddy(octaves);
    auto* halfStepsLabel = new QLabel("&Half Steps", group);
    halfStepsLabel->setBuddy(halfSteps);
    grid->addWidget(direction, 0, 0, 2, 1);
    grid->addWidget(interval, 0, 1, 1, 4);
    grid->addWidget(octavesLabel, 1, 1);
    grid->addWidget(octaves, 1, 2);
    grid->addWidget(halfStepsLabel, 1, 3);
    grid->addWidget(halfSteps, 1, 4);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(4, 1);
    layout->addWidget(group);
    auto* note = new QLabel("Note: this action affects performance only, not notation.", this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch(1);
    connect(&m_IntervalBox, &QComboBox::activated, this, [this] { OnIntervalChosen(); });
}

bool PCsqStaffPerform::InitPage()
{
    if (!MCInspectorPage::InitPage())
        return false;
    if (!m_DirectionButton.AutoLoad(IDC_DIRECTION, this))
        return false;
    m_DirectionButton.SetTransparentColor(kTransparent);
    m_DirectionButton.SetButtonStyle(MCBitmapButtonBase::Toggle);
    m_DirectionButton.SetButtonMode(0);
    m_DirectionButton.setToolTip("Transpose up or down");
    if (!plat::ui::attachToItem(this, IDC_INTERVAL, &m_IntervalBox))
        return false;
    m_IntervalBox.RefreshChoices();
    if (!m_OctavesEdit.SubclassSpinEdit(IDC_OCTAVES, this, MCSpinEdit::kVisibleSpin) ||
        !m_HalfStepsEdit.SubclassSpinEdit(IDC_HALF_STEPS, this, MCSpinEdit::kVisibleSpin))
        return false;
    m_OctavesEdit.SetRange(0, kMaxOctaves);
    m_HalfStepsEdit.SetRange(-255, 255);
    return true;
}

std::string PCsqStaffPerform::IntervalOfSize(int halfSteps) const
{
    for (int i = 0; i < m_IntervalBox.count(); ++i) {
        const std::string name = m_IntervalBox.itemText(i).toStdString();
        int steps = 0, octave = 0, quality = 0, quantity = 0;
        if (MCIntervalBox::GetIntervalParams(name, steps, octave, quality, quantity) && steps == halfSteps)
            return name;
    }
    return {};
}

void PCsqStaffPerform::UpdatePage()
{
    MCInspectorPage::UpdatePage();
    m_fields.Reset();
    m_OctavesEdit.SetIndeterminate(false);
    m_HalfStepsEdit.SetIndeterminate(false);
    MCEventList* events = GetEventList();
    if (events) {
        for (ECBase* element : *events) {
            DCsqTrack* data = TrackData(element);
            if (!data)
                continue;
            const int transposition = ShownTransposition(data->GetTrackTransposition());
            const int size = std::abs(transposition);
            const int direction = transposition < 0 ? 1 : 0;
            if (m_fields.Merge(fieldSize, m_nSize, size)) {
                // The edits keep 0 behind the empty display, so typing one of them alone
                // gives a size of its own.
                m_OctavesEdit.SetValue(0);
                m_HalfStepsEdit.SetValue(0);
                m_OctavesEdit.SetIndeterminate(true);
                m_HalfStepsEdit.SetIndeterminate(true);
                m_nSize = -1;
            }
            if (m_fields.Merge(fieldDirection, m_nDirection, direction))
                m_nDirection = -1;
            if (m_fields.AllMixed(fieldCount))
                break;
        }
    }
    // The list names the interval of the size shown, not one left from another selection
    // (the list is filled here when the page refreshes before it is first placed).
    if (m_IntervalBox.count() == 0)
        m_IntervalBox.RefreshChoices();
    m_strInterval = m_nSize >= 0 ? IntervalOfSize(m_nSize) : std::string();
}

void PCsqStaffPerform::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    // A mixed direction shows up; it is written only once the user clicks it.
    int direction = m_nDirection < 0 ? 0 : m_nDirection;
    DDX_MCButtonCheck(exchange, IDC_DIRECTION, direction);
    if (exchange.saving() && GetFieldState(fieldDirection) != stateMixed)
        m_nDirection = direction;
    int octaves = m_nSize >= 0 ? m_nSize / 12 : 0;
    int halfSteps = m_nSize >= 0 ? m_nSize % 12 : 0;
    DDX_MCSpinEdit(exchange, IDC_OCTAVES, octaves);
    DDX_MCSpinEdit(exchange, IDC_HALF_STEPS, halfSteps);
    if (!exchange.saving()) {
        // The first interval whose name begins with the stored one, without regard to case.
        int found = -1;
        if (!m_strInterval.empty()) {
            const QString name = QString::fromStdString(m_strInterval);
            for (int i = 0; i < m_IntervalBox.count() && found < 0; ++i)
                if (m_IntervalBox.itemText(i).startsWith(name, Qt::CaseInsensitive))
                    found = i;
        }
        m_IntervalBox.setCurrentIndex(found);
        return;
    }
    if (GetFieldState(fieldSize) == stateMixed)
        return;
    const int chosen = m_IntervalBox.currentIndex();
    int steps = 0, octave = 0, quality = 0, quantity = 0;
    if (chosen >= 0 && MCIntervalBox::GetIntervalParams(m_IntervalBox.itemText(chosen).toStdString(), steps, octave,
                                                         quality, quantity)) {
        m_strInterval = m_IntervalBox.itemText(chosen).toStdString();
        m_nSize = steps;
    } else {
        m_strInterval.clear();
        m_nSize = octaves * 12 + halfSteps;
    }
}

void PCsqStaffPerform::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    if (!TrackData(event))
        return;
    MCInspectorPage::UpdateEvent(event, commands);
    const bool size = m_fields.IsChanged(fieldSize);
    const bool direction = m_fields.IsChanged(fieldDirection);
    if (!size && !direction)
        return;
    MCEventList* events = GetEventList();
    if (!events)
        return;
    auto* edit = PCsqPageCommand<CCEditData>(commands, CommandIds::CCEditData);
    for (ECBase* element : *events) {
        DCsqTrack* data = TrackData(element);
        if (!data)
            continue;
        // What the user left alone stays each staff's own: its size, or its direction.
        const float own = data->GetTrackTransposition();
        const float magnitude = size ? float(m_nSize) : std::fabs(own);
        const bool down = direction ? m_nDirection == 1 : own < 0.0f;
        if (auto* copy = PCsqEditedData<DCsqTrack>(*edit, data))
            copy->SetTrackTransposition(down ? -magnitude : magnitude);
    }
}

void PCsqStaffPerform::ShowSize()
{
    // An edit still empty from a mixed size shows the 0 it holds; the one being typed in
    // keeps its text.
    for (MCSpinEdit* edit : {&m_OctavesEdit, &m_HalfStepsEdit}) {
        if (edit->GetIndeterminate() && edit->text().isEmpty()) {
            edit->SetIndeterminate(false);
            edit->SetValue(edit->GetValue());
        }
    }
    m_fields.Set(fieldSize, stateChanged);
}

void PCsqStaffPerform::OnDirectionClicked()
{
    updateData(true);
    m_fields.Set(fieldDirection, stateChanged);
    m_nDirection = m_DirectionButton.GetButtonState();
    SetModifiedFlag(true);
}

void PCsqStaffPerform::OnIntervalChosen()
{
    ShowSize();
    updateData(true);
    updateData(false);
    SetModifiedFlag(true);
}

void PCsqStaffPerform::OnSizeTyped()
{
    ShowSize();
    m_nSize = m_OctavesEdit.GetValue() * 12 + m_HalfStepsEdit.GetValue();
    m_strInterval = IntervalOfSize(m_nSize);
    // Only the list follows: reloading the edits would replace the digits being typed.
    m_IntervalBox.setCurrentIndex(m_strInterval.empty() ? -1 : m_IntervalBox.findText(QString::fromStdString(m_strInterval)));
    SetModifiedFlag(true);
}

void PCsqStaffPerform::onNotice(int id, int code, QWidget*)
{
    if (id == IDC_DIRECTION && code == 0)
        OnDirectionClicked();
    else if ((id == IDC_OCTAVES || id == IDC_HALF_STEPS) && code == MCSpinEdit::kNotice)
        OnSizeTyped();
}
