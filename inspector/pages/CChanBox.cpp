#include "inspector/pages/CChanBox.h"

#include "notabase/score/ECConductor.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/transport/CSequence.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStylePainter>

namespace {

constexpr int kStaffKind = 1;
constexpr int kAllVoices = 14;

// Draws each channel of the list in its colour.
class ChannelDelegate : public QStyledItemDelegate {
public:
    explicit ChannelDelegate(CChanBox* box) : QStyledItemDelegate(box), m_box(box) {}
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const bool selected = option->state & QStyle::State_Selected;
        const QColor background = option->palette.color(selected ? QPalette::Highlight : QPalette::Base);
        const QColor text = m_box->TextColor(index.row(), background, selected);
        option->palette.setColor(QPalette::Text, text);
        option->palette.setColor(QPalette::HighlightedText, text);
    }

private:
    CChanBox* m_box;
};

}  // namespace

CChanBox::CChanBox(QWidget* parent) : QComboBox(parent)
{
    for (int channel = 1; channel <= 16; ++channel)
        addItem(QString::number(channel));
    setItemDelegate(new ChannelDelegate(this));
}

CChanBox::~CChanBox()
{
    m_voice = m_track = m_device = m_channel = -1;
    m_sequence = nullptr;
}

bool CChanBox::SubclassChanBox(int id, QWidget* parent)
{
    return plat::ui::attachToItem(parent, id, this);
}

void CChanBox::SetVoiceTrack(int voice, int track)
{
    m_voice = voice;
    m_track = track;
    update();
}

void CChanBox::SetDevChan(int device, int channel)
{
    m_device = device;
    m_channel = channel;
    update();
}

int CChanBox::GetDrawCode(int channel) const
{
    if (m_device < 0 || channel < 0 || !m_sequence)
        return codeFree;
    ECConductor* conductor = m_sequence->GetConductor();
    if (!conductor)
        return codeFree;
    int code = codeFree;
    const int tracks = conductor->GetMaxTrackNumber(kStaffKind);
    for (int track = 1; track <= tracks; ++track) {
        DCsqTrack* data = DCsqTrack::GetTrackData(static_cast<unsigned>(track), kStaffKind, m_sequence);
        if (!data)
            continue;
        for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice) {
            MCVoiceMap* map = data->GetVoiceMap(voice);
            if (!map || static_cast<int>(map->GetDevice()) != m_device || static_cast<int>(map->GetChannel()) != channel)
                continue;
            if (track != m_track)
                return codeOtherTrack;
            const bool own = m_voice == kAllVoices || voice == m_voice;
            code = std::max(code, own ? int(codeOwnVoice) : int(codeOwnTrack));
        }
    }
    return code;
}

QColor CChanBox::TextColor(int channel, const QColor& background, bool selected) const
{
    switch (GetDrawCode(channel)) {
    case codeFree: {
        // Light is a mean of red, green and blue above two thirds of full scale.
        const double mean = (background.red() + background.green() + background.blue()) / 3.0;
        return mean > 0.67 * 255 ? QColor(0, 127, 0) : QColor(0, 255, 0);
    }
    case codeOwnVoice: return QColor(0, 0, 255);
    case codeOwnTrack: return palette().color(selected ? QPalette::HighlightedText : QPalette::ButtonText);
    default: return QColor(255, 0, 0);
    }
}

void CChanBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() >= 0 && isEnabled()) {
        const QColor background = option.palette.color(QPalette::Button);
        option.palette.setColor(QPalette::ButtonText, TextColor(currentIndex(), background, false));
        option.palette.setColor(QPalette::Text, option.palette.color(QPalette::ButtonText));
    }
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
