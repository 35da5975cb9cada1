#include "interface/pickers/MCSysExList.h"

#include "interface/controls/MCTimeEdit.h"
#include "interface/document/MCOpusDoc.h"

#include "notabase/actions/ACFindTime.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/performance/ECPerformance.h"
#include "platform/ui/dialog/ItemId.h"

namespace {

constexpr int kSystemMessageType = 56;

}  // namespace

MCSysExList::MCSysExList(QWidget* parent) : MCMessageList(parent)
{
}

bool MCSysExList::SubclassSysExList(int id, QWidget* parent)
{
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    Initialize();
    return true;
}

bool MCSysExList::Create(QWidget* parent, int id)
{
    if (!parent)
        return false;
    setParent(parent);
    plat::ui::setItemId(this, id);
    Initialize();
    return true;
}

void MCSysExList::Initialize()
{
    SetIconType(kSystemMessageType);
    setColumnCount(2);
    setHeaderLabels({"Message", "Time"});
    headerItem()->setTextAlignment(1, Qt::AlignCenter);
    setColumnWidth(1, 80);
    SetFixedColumnsWidth(80);
}

void MCSysExList::RefreshMessages()
{
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    if (!performance)
        return;
    ACFindTime find(m_prestart ? MCTime::TimeNull() : MCTime::TimeZero(),
                    m_prestart ? MCTime::TimeZero() : MCTime::TimeMax(),
                    m_prestart ? ACFindTime::openEnd : ACFindTime::closed);
    find.AddEvtType(kSystemMessageType);
    find.Apply(performance);
    clear();
    for (ECBase* element : find.GetEvents()) {
        auto* message = dynamic_cast<ECSystemMessage*>(element);
        std::string name = message ? message->GetMessageName() : std::string();
        if (name.empty())
            name = "SysEx Message";
        std::string time;
        const MCTime* at = element->GetTime();
        if (at && !(*at < MCTime::TimeZero()))
            MCTimeEdit::FormatTimeString(time, *at, 1, 0, 0);
        AddRow(element, {QString::fromStdString(name), QString::fromStdString(time)});
    }
}
