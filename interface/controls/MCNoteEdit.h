#pragma once

#include "interface/InterfaceExport.h"

#include "interface/controls/MCDrumsBox.h"
#include "interface/controls/MCSpinEdit.h"

#include <QPointer>

#include <optional>
#include <string>

// The spin edit for a MIDI note 0 to 127, shown as a number, a name with flats or sharps, or,
// for drum parts, a drum name picked from a list that takes the edit's place. The display and
// whether a name shows its number are the user's choices from the context menu, remembered as
// the defaults of every note edit made afterwards. The parent hears 0x30E0 after every change.
class INTERFACE_API MCNoteEdit : public MCSpinEdit {
public:
    static constexpr int kNotice = 0x30E0;
    enum Format { numbers = 0, flats = 1, sharps = 2, drums = 3 };
    static constexpr int kMenuId = 11610;
    static constexpr int kShowNumberId = 11615;

    explicit MCNoteEdit(QWidget* parent = nullptr);
    ~MCNoteEdit() override;

    // The text of note: "%d", a name with flats or sharps and the octave (60 is C4), or the
    // drum name. Format -1 is the user's choice. 0 (text untouched) for a format outside 0 to
    // 3.
    static int FormatNoteString(std::string& text, int note, int format);
    // Always 0 to 127, reading as leniently as the classic reader (a text it cannot read is 0).
    static int GetNoteFromString(const std::string& text);
    // The strict reading of what a user typed: a number or a name with its octave (optionally
    // followed by the number in parentheses, as shown); nothing for anything else or a note
    // outside 0 to 127.
    static std::optional<int> ParseNoteString(const std::string& text);

    bool SubclassNoteEdit(int id, QWidget* parent, int options);
    int GetNoteFormat() const { return m_format; }
    void SetNoteFormat(int format);
    bool GetShowNoteNumber() const { return m_showNumber; }
    void SetShowNoteNumber(bool show);
    bool IsContextMenuEnabled() const { return m_contextMenu; }
    void EnableContextMenu(bool enable) { m_contextMenu = enable; }
    // Enables the edit, its spin and its drum list together; answers whether the edit was
    // enabled.
    bool EnableWindow(bool enable);
    MCDrumsBox& DrumList() { return *m_drums; }

    void SetIndeterminate(bool indeterminate) override;
    void SetValue(int note) override;
    void OnSpin(int note) override;
    void OnChange() override;
    void InitWindow(int options) override;
    bool IsTextValid() const override;
    void onNotice(int id, int code, QWidget* control) override;

    // A choice of the context menu, as the menu gives it.
    void OnMenuCommand(int id);

protected:
    bool AcceptsCharacter(QChar character) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeDrums();

    bool m_contextMenu = true;
    bool m_showNumber;
    int m_format;
    // Beside the edit in its parent, and gone with the edit.
    QPointer<MCDrumsBox> m_drums;
};
