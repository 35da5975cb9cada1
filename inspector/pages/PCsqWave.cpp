#include "inspector/pages/PCsqWave.h"

#include "inspector/pages/PCsqPageCommand.h"
#include "interface/controls/MCButton.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/core/MCBitmap.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECWave.h"
#include "notabase/model/MCEventList.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/DataExchange.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWGDevice.h"
#include "wavegate/CWaveFile.h"
#include "wavegate/CWavegate.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPolygonF>
#include <QVBoxLayout>

PLAT_IMPLEMENT_DYNCREATE(PCsqWave, MCInspectorPage)

namespace {

constexpr int kPlaySize = 28;

// The play button's faces, drawn here: a triangle to start, a square while playing.
std::optional<QImage> PlayFace(QWidget* button, const MCDrawItem& item)
{
    const qreal ratio = item.devicePixelRatio > 0 ? item.devicePixelRatio : 1.0;
    QImage image(QSize(kPlaySize, kPlaySize) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(button->palette().button().color());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(item.disabled ? button->palette().mid().color() : QColor(0, 128, 0));
    if (item.itemState == 0) {
        painter.drawPolygon(QPolygonF({QPointF(10, 7), QPointF(21, 14), QPointF(10, 21)}));
    } else {
        painter.setBrush(item.disabled ? button->palette().mid().color() : QColor(160, 0, 0));
        painter.drawRect(QRectF(9, 9, 10, 10));
    }
    painter.setPen(button->palette().shadow().color());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0.5, 0.5, kPlaySize - 1, kPlaySize - 1));
    return image;
}

struct PlayToken {
    std::shared_ptr<void> link;
    int serial = 0;
};

}  // namespace

PCsqWave::PCsqWave(QWidget* parent) : MCInspectorPage(parent), m_link(std::make_shared<PlayLink>())
{
    setWindowTitle("&Performance");
    m_link->page = this;
    auto* layout = new QVBoxLayout(this);
    auto* times = new QFormLayout;
    auto makeTime = [this](int id) {
        auto* edit = new MCTimeEdit(this);
        edit->Create(this, id, MCSpinEdit::kVisibleSpin);
        return edit;
    };
    m_editStart = makeTime(IDC_START);
    m_editDuration = makeTime(IDC_DURATION);
    m_editDuration->setReadOnly(true);
    m_editStop = makeTime(IDC_STOP);
    times->addRow("Start", m_editStart);
    times->addRow("Duration", m_editDuration);
    times->addRow("Stop", m_editStop);
    auto* top = new QHBoxLayout;
    top->addLayout(times, 1);
    auto* play = new QVBoxLayout;
    m_buttonPlay = new MCButton(this);
    plat::ui::setItemId(m_buttonPlay, IDC_PLAY);
    m_buttonPlay->setToolTip("Play");
    play->addWidget(m_buttonPlay, 0, Qt::AlignHCenter);
    play->addWidget(new QLabel("Play", this), 0, Qt::AlignHCenter);
    play->addStretch(1);
    top->addLayout(play);
    layout->addLayout(top);

    auto* info = new QGroupBox("Wave Info", this);
    auto* rows = new QFormLayout(info);
    m_editPath = new QLineEdit(info);
    plat::ui::setItemId(m_editPath, IDC_PATH);
    m_editPath->setReadOnly(true);
    m_labelFormat = new QLabel(info);
    plat::ui::setItemId(m_labelFormat, IDC_FORMAT);
    rows->addRow("Path", m_editPath);
    rows->addRow("Format:", m_labelFormat);
    layout->addWidget(info);
    layout->addStretch(1);

    connect(m_buttonPlay, &QAbstractButton::clicked, this, [this] { OnPlay(); });
}

PCsqWave::~PCsqWave()
{
    {
        // From here on an end that comes reaches nothing.
        const std::lock_guard lock(m_link->lock);
        m_link->page = nullptr;
    }
    StopPlaying();
}

bool PCsqWave::InitPage()
{
    if (!MCInspectorPage::InitPage())
        return false;
    m_nDisplayMode = LoadIntPreference("\\PlugIns\\Views\\Wave View", "DisplayMode", 1) == 0 ? 0 : 1;
    SetFormats();
    if (m_buttonPlay->GetStateCount() == 0) {
        for (int state = 0; state < 2; ++state) {
            auto bitmap = std::make_unique<MCBitmap>();
            bitmap->Create(QSize(kPlaySize, kPlaySize), 24);
            m_buttonPlay->AddBitmap(std::move(bitmap));
        }
        m_buttonPlay->SetDrawItemFunc(&PlayFace);
        m_buttonPlay->SetTransparentColor(0xFF0000);
        m_buttonPlay->SetButtonStyle(MCButton::Toggle);
        m_buttonPlay->SetButtonMode(MCButton::Framed);
        m_buttonPlay->setFixedSize(kPlaySize, kPlaySize);
    }
    return true;
}

void PCsqWave::SetFormats()
{
    const bool musical = m_nDisplayMode == 0;
    m_editStart->SetTimeFormat(musical ? 1 : 4);
    m_editStop->SetTimeFormat(musical ? 1 : 4);
    m_editDuration->SetTimeFormat(musical ? 5 : 4);
}

MCTime PCsqWave::ToDisplay(const MCTime& time) const
{
    MCTime shown = time;
    if (MCOpusDoc* document = GetDocument()) {
        if (m_nDisplayMode == 0)
            document->GetSequence()->NormalizeTime(shown);
        else
            document->GetSequence()->ClockTime(shown);
    }
    return shown;
}

MCTime PCsqWave::ToScore(const MCTime& time) const
{
    MCTime score = time;
    if (MCOpusDoc* document = GetDocument())
        document->GetSequence()->NormalizeTime(score);
    return score;
}

void PCsqWave::UpdatePage()
{
    MCInspectorPage::UpdatePage();
    m_editStart->SetIndeterminate(false);
    m_editDuration->SetIndeterminate(false);
    m_editStop->SetIndeterminate(false);
    m_fields.Reset();
    m_strPath.clear();
    m_strFormat.clear();
    m_start = m_duration = m_stop = MCTime::TimeZero();
    MCEventList* events = GetEventList();
    if (!events)
        return;
    auto mergeText = [this](int field, std::string& held, const std::string& value) {
        if (m_fields.Merge(field, held, value))
            held.clear();
    };
    auto mergeTime = [this](int field, MCTime& held, const MCTime& value, MCTimeEdit* edit) {
        if (m_fields.Merge(field, held, value))
            edit->SetIndeterminate(true);
    };
    for (ECBase* event : *events) {
        auto* wave = plat::dynamicDowncast<ECWave>(event);
        if (!wave)
            continue;
        const std::string& path = wave->GetFileName();
        std::string format;
        WG_DevFormat fileFormat{};
        if (CWaveFile::FileFormat(path.c_str(), fileFormat))
            CWGDevice::FillFormatString(&fileFormat, format);
        const MCTime start = ToDisplay(*wave->GetTime());
        MCTime stop = ToDisplay(*wave->GetTime() + *wave->GetDuration());
        stop.SetMode(start.GetMode());
        MCTime duration = m_nDisplayMode == 0 ? *wave->GetDuration() : stop - start;
        duration.SetMode(start.GetMode());
        mergeText(fieldPath, m_strPath, path);
        mergeText(fieldFormat, m_strFormat, format);
        mergeTime(fieldStart, m_start, start, m_editStart);
        mergeTime(fieldDuration, m_duration, duration, m_editDuration);
        mergeTime(fieldStop, m_stop, stop, m_editStop);
        if (m_fields.AllMixed(fieldCount))
            break;
    }
}

void PCsqWave::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    auto* wave = plat::dynamicDowncast<ECWave>(event);
    if (!wave)
        return;
    MCInspectorPage::UpdateEvent(event, commands);
    if (m_fields.IsChanged(fieldStart)) {
        const MCTime time = ToScore(m_start);
        auto* edit = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        edit->EditTime(wave, &time);
    } else if (m_fields.IsChanged(fieldStop)) {
        // A stop typed over clips of different lengths ends each there: each keeps its length.
        const MCTime stop = ToScore(m_stop);
        const MCTime time = stop < *wave->GetDuration() ? MCTime::TimeZero() : stop - *wave->GetDuration();
        auto* edit = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        edit->EditTime(wave, &time);
    }
}

void PCsqWave::OnUpdate(long hint, plat::Object* object)
{
    MCInspectorPage::OnUpdate(hint, object);
    if (!IsInitialized() || (hint != kHintClockDisplay && hint != kHintMusicalDisplay))
        return;
    m_nDisplayMode = hint == kHintClockDisplay ? 1 : 0;
    SetFormats();
    // The shown times, as they are in the other display.
    const MCTime start = ToScore(m_start);
    const MCTime stop = ToScore(m_stop);
    m_start = ToDisplay(start);
    m_stop = ToDisplay(stop);
    m_stop.SetMode(m_start.GetMode());
    m_duration = m_nDisplayMode == 0 ? stop - start : m_stop - m_start;
    m_duration.SetMode(m_start.GetMode());
    updateData(false);
}

void PCsqWave::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    exchange.text(IDC_PATH, m_strPath);
    exchange.prepareControl(IDC_FORMAT);
    if (!exchange.saving())
        m_labelFormat->setText(QString::fromStdString(m_strFormat));
    DDX_MCTimeEdit(exchange, IDC_START, m_start);
    DDX_MCTimeEdit(exchange, IDC_DURATION, m_duration);
    DDX_MCTimeEdit(exchange, IDC_STOP, m_stop);
    // Only one file can play: the one every selected clip shares.
    if (!exchange.saving())
        m_buttonPlay->setEnabled(m_fields.Get(fieldPath) == stateCommon);
}

void PCsqWave::onNotice(int id, int code, QWidget*)
{
    if (code != MCTimeEdit::kNotice)
        return;
    if (id == IDC_START)
        OnChangeStart();
    else if (id == IDC_STOP)
        OnChangeStop();
}

void PCsqWave::OnChangeStart()
{
    // The stop follows only from a length the clips share.
    if (m_editDuration->GetIndeterminate()) {
        m_editStop->SetIndeterminate(true);
        m_fields.Set(fieldStop, stateMixed);
    } else {
        MCTime start = m_editStart->GetTimeValue();
        if (m_nDisplayMode == 0)
            start = ToScore(start);
        MCTime stop = start + m_duration;
        stop.SetMode(start.GetMode());
        m_editStop->SetIndeterminate(false);
        m_editStop->SetTimeValue(stop);
    }
    m_fields.Set(fieldStart, stateChanged);
    SetModifiedFlag(true);
}

void PCsqWave::OnChangeStop()
{
    m_fields.Set(fieldStop, stateChanged);
    // Over clips of different lengths each start is found from its own length on Apply.
    if (m_editDuration->GetIndeterminate()) {
        m_editStart->SetIndeterminate(true);
        m_fields.Set(fieldStart, stateMixed);
        SetModifiedFlag(true);
        return;
    }
    MCTime stop = m_editStop->GetTimeValue();
    if (m_nDisplayMode == 0)
        stop = ToScore(stop);
    MCTime start = stop - m_duration;
    if (start < MCTime::TimeZero())
        start = MCTime::TimeZero();
    start.SetMode(stop.GetMode());
    m_editStart->SetIndeterminate(false);
    m_editStart->SetTimeValue(start);
    m_start = start;
    m_fields.Set(fieldStart, stateChanged);
    SetModifiedFlag(true);
}

void PCsqWave::OnPlay()
{
    // The tag and the button change only here, on the interface thread; the stop runs with
    // no lock held, since the player's end callback may be waiting to be heard.
    if (m_nPlayingTag != 0) {
        StopPlaying();
        return;
    }
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!wavegate || m_fields.Get(fieldPath) != stateCommon) {
        m_buttonPlay->SetButtonState(0);
        return;
    }
    const int serial = ++m_nPlaySerial;
    auto* token = new PlayToken{m_link, serial};
    const int device = LoadIntPreference("Sequencer\\WaveAudio", "Default Output Device", 0);
    // The token is the callback's: it frees it when the play ends, also a play that failed.
    const int tag = wavegate->PlayWaveFile(m_strPath.c_str(), device, &PCsqWave::OnPlayDone,
                                           reinterpret_cast<uintptr_t>(token));
    m_nPlayingTag = tag;
    m_buttonPlay->SetButtonState(tag != 0 ? 1 : 0);
}

void PCsqWave::StopPlaying()
{
    const int tag = std::exchange(m_nPlayingTag, 0);
    if (m_buttonPlay)
        m_buttonPlay->SetButtonState(0);
    if (tag != 0)
        if (CWavegate* wavegate = CWavegate::GetWavegate())
            wavegate->StopPerformance(tag);
}

void PCsqWave::OnPlayDone(uintptr_t user, uintptr_t)
{
    std::unique_ptr<PlayToken> token(reinterpret_cast<PlayToken*>(user));
    if (!token)
        return;
    auto* link = static_cast<PlayLink*>(token->link.get());
    const std::lock_guard lock(link->lock);
    if (PCsqWave* page = link->page) {
        const int serial = token->serial;
        QMetaObject::invokeMethod(page, [page, serial] { page->OnPlayEnd(serial); }, Qt::QueuedConnection);
    }
}

void PCsqWave::OnPlayEnd(int serial)
{
    // An end of an earlier play (stopped, then played again) leaves the new one alone.
    if (serial != m_nPlaySerial || m_nPlayingTag == 0)
        return;
    m_nPlayingTag = 0;
    m_buttonPlay->SetButtonState(0);
}
