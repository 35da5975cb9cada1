#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QLineEdit>

// A name shown in place that looks like static text and turns into an edit field when
// clicked: Enter or leaving the field commits (telling the parent 0x30F0 when the text
// changed), Escape puts the old text back. The parent hears 0x30F1 when editing begins. With
// editing switched off, clicks go to the parent and typing is ignored.
class INTERFACE_API MCStaticEdit : public QLineEdit {
public:
    static constexpr int kCommitted = 0x30F0;
    static constexpr int kBegan = 0x30F1;
    static constexpr int kMaxLength = 100;

    explicit MCStaticEdit(QWidget* parent = nullptr);

    bool Create(QWidget* parent, int id);
    bool SubclassStaticEdit(int id, QWidget* parent);

    void SetEditing(bool editing);
    bool IsEditing() const { return m_editing; }
    void SetEditEnabled(bool enabled) { m_editEnabled = enabled; }
    bool IsEditEnabled() const { return m_editEnabled; }
    void SetHasFrame(bool frame);
    bool HasFrame() const { return m_hasFrame; }
    void SetTextColor(plat::ui::ColorRef color) { m_textColor = color; }
    plat::ui::ColorRef GetTextColor() const { return m_textColor; }
    void SetBkgndColor(plat::ui::ColorRef color) { m_backgroundColor = color; }
    plat::ui::ColorRef GetBkgndColor() const { return m_backgroundColor; }

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void initialize();
    void applyColours();
    // Hands a mouse event to the parent, in its coordinates.
    void passToParent(QMouseEvent* event);

    bool m_hasFrame = true;
    bool m_editEnabled = true;
    bool m_editing = false;
    plat::ui::ColorRef m_textColor;
    plat::ui::ColorRef m_backgroundColor;
    QString m_saved;
};
