#include "interface/pickers/MCTrackBox.h"

#include "interface/core/InterfaceModule.h"
#include "interface/pickers/MCTrackSource.h"

#include "interface/document/MCOpusDoc.h"
#include "notabase/model/ECBase.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <charconv>

namespace {

bool readNumber(std::string_view text, int& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 1;
}

}  // namespace

MCTrackBox::MCTrackBox(QWidget* parent) : QComboBox(parent)
{
}

void MCTrackBox::SetEditable(bool editable)
{
    m_editableFlag = editable;
    setEditable(editable);
    setInsertPolicy(QComboBox::NoInsert);
}

void MCTrackBox::SetDocument(MCOpusDoc* doc, bool refresh)
{
    m_doc = doc;
    if (refresh)
        RefreshTracks();
}

void MCTrackBox::RefreshTracks()
{
    clear();
    if (!m_doc)
        return;
    for (const MCTrackSource::Track& track : MCTrackSource::List(m_doc)) {
        const std::string text = m_displayNumbers
                                     ? plat::format(InterfaceModule::String(11540).c_str(), track.number, track.name.c_str())
                                     : track.name;
        addItem(QString::fromStdString(text), QVariant::fromValue(reinterpret_cast<quintptr>(track.staff)));
    }
}

int MCTrackBox::ParseStringForTracks(const std::string& text, std::vector<int>& out)
{
    out.clear();
    std::vector<int> found;
    const auto add = [&found](int number) {
        if (std::find(found.begin(), found.end(), number) == found.end())
            found.push_back(number);
    };
    size_t start = 0;
    while (start < text.size()) {
        const size_t begin = text.find_first_not_of(" ,:;\t", start);
        if (begin == std::string::npos)
            break;
        const size_t end = std::min(text.find_first_of(" ,:;\t", begin), text.size());
        const std::string_view token(text.data() + begin, end - begin);
        start = end;
        int low = 0, high = 0;
        if (const size_t hyphen = token.find('-'); hyphen != std::string_view::npos) {
            if (!readNumber(token.substr(0, hyphen), low) || !readNumber(token.substr(hyphen + 1), high))
                return 0;
            if (low > high)
                std::swap(low, high);
            // A range names every track of a piece at most; a huge one is not a track list.
            if (high - low > 4096)
                return 0;
            for (int number = low; number <= high; ++number)
                add(number);
        } else {
            if (!readNumber(token, low))
                return 0;
            add(low);
        }
    }
    out = std::move(found);
    return int(out.size());
}

int MCTrackBox::GetTracks(std::vector<int>& out) const
{
    const int index = currentIndex();
    if (index < 0)
        return 0;
    if (auto* staff = reinterpret_cast<ECBase*>(itemData(index).value<quintptr>())) {
        out.push_back(staff->GetTrack());
        return 1;
    }
    if (index == 0) {
        ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
        ECConductor* conductor = performance ? performance->GetConductor() : nullptr;
        const int count = conductor ? conductor->GetMaxTrackNumber(1) : 0;
        for (int number = 1; number <= count; ++number)
            out.push_back(number);
        return int(out.size());
    }
    std::vector<int> typed;
    ParseStringForTracks(itemText(index).toStdString(), typed);
    out.insert(out.end(), typed.begin(), typed.end());
    return int(typed.size());
}

bool MCTrackBox::ValidateSelection()
{
    const QString typed = currentText();
    const int exact = findText(typed, Qt::MatchFixedString);
    if (exact >= 0) {
        setCurrentIndex(exact);
        return true;
    }
    std::vector<int> numbers;
    if (ParseStringForTracks(typed.toStdString(), numbers) > 0) {
        addItem(typed);
        setCurrentIndex(count() - 1);
        return true;
    }
    const int prefix = findText(typed, Qt::MatchStartsWith);
    if (prefix >= 0) {
        setCurrentIndex(prefix);
        return true;
    }
    return false;
}

void MCTrackBox::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || !m_editableFlag || view()->isVisible()) {
        QComboBox::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!ValidateSelection()) {
        QApplication::beep();
        plat::UserPrompt::Message message;
        message.text = InterfaceModule::String(11505);
        message.icon = plat::UserPrompt::Icon::warning;
        plat::UserPrompt::ask(message);
        if (lineEdit())
            lineEdit()->selectAll();
        setFocus();
        return;
    }
    QPointer<MCTrackBox> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self)
            plat::ui::notifyParent(self, 0, kTracksChosen);
    });
}
