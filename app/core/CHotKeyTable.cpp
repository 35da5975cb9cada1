#include "app/core/CHotKeyTable.h"

#include "app/core/AppCommandTable.h"

#include "interface/document/MCHotKey.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTreeView>

CHotKeyTable::~CHotKeyTable() = default;

void CHotKeyTable::AddDefaults()
{
    // The letters send the commands whose rows name them; the space bar and the arrows go to
    // the active document as hot-key states.
    for (const AppCommandTable::Command& command : AppCommandTable::Commands()) {
        if (command.hotKey)
            AddHotKey(unsigned(command.hotKey), 0, 0, 0, command.id)->SetAllowRepeat(command.hotKeyRepeats ? 1 : 0);
    }
    AddHotKey(VK_SPACE, 0, 0, 0, 0);
    for (const unsigned arrow : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN})
        AddHotKey(arrow, 0, 0, 0, 0)->SetAllowRepeat(1);
}

MCHotKey* CHotKeyTable::AddHotKey(unsigned key, int control, int alt, int shift, unsigned command)
{
    auto entry = std::make_unique<MCHotKey>();
    entry->SetInput(key, control, alt, shift);
    entry->SetOutput(command);
    m_entries.push_back(std::move(entry));
    return m_entries.back().get();
}

MCHotKey* CHotKeyTable::Find(unsigned key, int control, int alt, int shift) const
{
    for (const auto& entry : m_entries) {
        if (entry->CompareInput(key, control, alt, shift))
            return entry.get();
    }
    return nullptr;
}

int CHotKeyTable::Translate(unsigned key, int control, int alt, int shift, bool repeat)
{
    if (!IsEnabled())
        return 0;
    MCHotKey* entry = Find(key, control, alt, shift);
    if (!entry)
        return 0;
    if (repeat && !entry->GetAllowRepeat())
        return 1;
    entry->Apply();
    return 1;
}

unsigned CHotKeyTable::VirtualKey(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<unsigned>(qtKey);
    switch (qtKey) {
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    default: return 0;
    }
}

bool CHotKeyTable::KeepsKeys(const QWidget* focus)
{
    return qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QTextEdit*>(focus) ||
           qobject_cast<const QPlainTextEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus) ||
           qobject_cast<const QComboBox*>(focus) || qobject_cast<const QListView*>(focus) ||
           qobject_cast<const QTreeView*>(focus);
}
