#pragma once

#include <memory>
#include <vector>

class MCHotKey;
class QWidget;

// Single keys that drive the transport and a few dialogs while the user works in a music
// view. The table starts disabled; the user switches it.
class CHotKeyTable {
public:
    // The virtual key codes of the table (letters and digits are their capitals' codes).
    enum : unsigned { VK_SPACE = 32, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40 };

    CHotKeyTable() = default;
    ~CHotKeyTable();
    CHotKeyTable(const CHotKeyTable&) = delete;
    CHotKeyTable& operator=(const CHotKeyTable&) = delete;

    // The program's table: the hot keys of the command table (O, X, G, and P, S, R, T, W, F
    // of the transport), then the space bar and the arrows.
    void AddDefaults();
    MCHotKey* AddHotKey(unsigned key, int control, int alt, int shift, unsigned command);
    MCHotKey* Find(unsigned key, int control, int alt, int shift) const;
    // 1 when the stroke was taken (acted on, or swallowed as a repeat its entry ignores).
    int Translate(unsigned key, int control, int alt, int shift, bool repeat);
    int IsEnabled() const { return m_flags & 1; }
    void Enable(int on) { m_flags = on ? (m_flags | 1) : (m_flags & ~1); }
    const std::vector<std::unique_ptr<MCHotKey>>& Entries() const { return m_entries; }

    // The virtual key of a Qt key, or 0 for a key the table cannot hold.
    static unsigned VirtualKey(int qtKey);
    // Whether the widget with the focus keeps every key for itself: the widgets in which the
    // user types or picks from a list by letter (line and text edits, spin boxes, combo
    // boxes, list and tree views).
    static bool KeepsKeys(const QWidget* focus);

private:
    int m_flags = 0;
    std::vector<std::unique_ptr<MCHotKey>> m_entries;
};
