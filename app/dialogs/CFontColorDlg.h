#pragma once

#include "platform/ui/draw/ColorRef.h"

#include <QDialog>
#include <QFont>

class QFontDialog;
class QPushButton;

// The font dialog of the Time toolbar: a font (family, style, size and underline) and the
// colour it is drawn in. The colour button shows the colour and opens the colour chooser.
class CFontColorDlg : public QDialog {
public:
    CFontColorDlg(const QFont& font, plat::ui::ColorRef color, QWidget* parent = nullptr);

    QFont SelectedFont() const;
    plat::ui::ColorRef SelectedColor() const { return m_color; }

    // The parts a user works with.
    QFontDialog* FontChooser() const { return m_fonts; }
    QPushButton* ColorButton() const { return m_colorButton; }

private:
    void ChooseColor();
    void ShowColor();

    QFontDialog* m_fonts;
    QPushButton* m_colorButton;
    plat::ui::ColorRef m_color;
};
