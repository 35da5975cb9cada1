#include "app/dialogs/CFontColorDlg.h"

#include "platform/ui/dialog/ModalHooks.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

CFontColorDlg::CFontColorDlg(const QFont& font, plat::ui::ColorRef color, QWidget* parent)
    : QDialog(parent), m_fonts(new QFontDialog(font, this)), m_colorButton(new QPushButton(tr("&Color..."), this)),
      m_color(color)
{
    // The font chooser lives inside this dialog, whose buttons end it.
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setOptions(QFontDialog::NoButtons);
    m_fonts->setCurrentFont(font);
    // The font is kept as a setting that has room for underline but not for strikeout: a
    // choice the next start would lose is not offered.
    for (QCheckBox* box : m_fonts->findChildren<QCheckBox*>()) {
        if (box->text() == QFontDialog::tr("Stri&keout"))
            box->hide();
    }
    m_colorButton->setObjectName("Color");
    connect(m_colorButton, &QPushButton::clicked, this, [this] { ChooseColor(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(tr("Colour:"), this));
    colorRow->addWidget(m_colorButton);
    colorRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fonts);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
    ShowColor();
}

QFont CFontColorDlg::SelectedFont() const
{
    return m_fonts->currentFont();
}

void CFontColorDlg::ChooseColor()
{
    if (const auto chosen = plat::ui::ModalHooks::chooseColor(m_color, this)) {
        m_color = *chosen;
        ShowColor();
    }
}

void CFontColorDlg::ShowColor()
{
    // A swatch of the colour on the button.
    QPixmap swatch(24, 14);
    swatch.fill(plat::ui::toQColor(m_color));
    QPainter painter(&swatch);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    m_colorButton->setIcon(QIcon(swatch));
    m_colorButton->setIconSize(swatch.size());
}
