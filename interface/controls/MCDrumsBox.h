#pragma once

#include "interface/InterfaceExport.h"

#include <QComboBox>

#include <string>

// The 128 MIDI notes by drum name, in note order (entry index and item data = the note): the
// General MIDI names for notes 27 to 87, "Drum:  n" for the others, each followed by its
// number when that is asked for. A confirmed choice tells the buddy (or the parent without
// one) 0x30D0; a context-menu request goes to the same window.
class INTERFACE_API MCDrumsBox : public QComboBox {
public:
    static constexpr int kNotice = 0x30D0;

    explicit MCDrumsBox(QWidget* parent = nullptr);

    // The name of a note, without its number.
    static std::string DrumName(int note);

    // Placed at rect, hidden, in the parent's font; its list drops about 100 pixels below it
    // and is 160 pixels wide.
    bool Create(const QRect& rect, QWidget* parent, int id);
    void LoadDrumNames();
    // The selected note; -1 when none.
    int GetValue() const;
    // Selects note's entry, or nothing for a note outside 0 to 127.
    void SetValue(int note);
    bool GetShowNoteNumber() const { return m_showNumber; }
    void SetShowNoteNumber(bool show);
    const std::string& GetDrumMapPath() const { return m_drumMapPath; }
    void SetDrumMapPath(const std::string& path);
    void SetBuddy(QWidget* buddy) { m_buddy = buddy; }
    QWidget* GetBuddy() const { return m_buddy; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QWidget* target() const;
    void reload();

    bool m_showNumber;
    std::string m_drumMapPath;
    QWidget* m_buddy = nullptr;
};
