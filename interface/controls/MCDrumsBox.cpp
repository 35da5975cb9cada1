#include "interface/controls/MCDrumsBox.h"

#include "interface/core/InterfaceModule.h"

#include "notabase/prefs/Preferences.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>

#include <algorithm>

MCDrumsBox::MCDrumsBox(QWidget* parent)
    : QComboBox(parent), m_showNumber(LoadIntPreference("Settings\\Interface\\NoteEdit", "ShowNoteNumber", 0) != 0)
{
    connect(this, &QComboBox::activated, this, [this] {
        // A buddy hears the choice itself; without one the listening window above hears it.
        QWidget* to = target();
        if (auto* listener = dynamic_cast<plat::ui::NoticeListener*>(to))
            listener->onNotice(plat::ui::itemId(this), kNotice, this);
        else if (to && !m_buddy)
            plat::ui::notifyParent(this, kNotice);
    });
}

std::string MCDrumsBox::DrumName(int note)
{
    if (note >= 27 && note <= 87)
        return InterfaceModule::String(uint32_t(38473 + note));
    return plat::format(InterfaceModule::String(11617).c_str(), note);
}

bool MCDrumsBox::Create(const QRect& rect, QWidget* parent, int id)
{
    if (!parent)
        return false;
    setParent(parent);
    plat::ui::setItemId(this, id);
    hide();
    setGeometry(rect);
    setFont(parent->font());
    view()->setMinimumWidth(160);
    view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view()->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    LoadDrumNames();
    setMaxVisibleItems(std::max(1, 100 / std::max(1, view()->sizeHintForRow(0))));
    return true;
}

void MCDrumsBox::LoadDrumNames()
{
    const QSignalBlocker quiet(this);
    clear();
    for (int note = 0; note < 128; ++note) {
        std::string name = DrumName(note);
        if (m_showNumber)
            name += plat::format(" (%d)", note);
        addItem(QString::fromStdString(name), note);
    }
    setCurrentIndex(-1);
}

int MCDrumsBox::GetValue() const
{
    return currentIndex() < 0 ? -1 : currentData().toInt();
}

void MCDrumsBox::SetValue(int note)
{
    const QSignalBlocker quiet(this);
    setCurrentIndex(note >= 0 && note < count() ? note : -1);
}

void MCDrumsBox::reload()
{
    const int selected = GetValue();
    LoadDrumNames();
    SetValue(selected);
}

void MCDrumsBox::SetShowNoteNumber(bool show)
{
    m_showNumber = show;
    reload();
}

void MCDrumsBox::SetDrumMapPath(const std::string& path)
{
    m_drumMapPath = path;
    reload();
}

QWidget* MCDrumsBox::target() const
{
    return m_buddy ? m_buddy : parentWidget();
}

void MCDrumsBox::contextMenuEvent(QContextMenuEvent* event)
{
    QWidget* to = target();
    if (!to) {
        QComboBox::contextMenuEvent(event);
        return;
    }
    QContextMenuEvent forwarded(event->reason(), to->mapFromGlobal(event->globalPos()), event->globalPos(),
                                event->modifiers());
    QApplication::sendEvent(to, &forwarded);
}
