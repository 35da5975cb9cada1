#include "interface/core/TipDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A small lamp drawn beside the tip, at the screen's resolution.
class TipLamp : public QWidget {
public:
    explicit TipLamp(QWidget* parent) : QWidget(parent) { setFixedSize(40, 48); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(120, 96, 20), 1.5));
        painter.setBrush(QColor(255, 214, 64));
        painter.drawEllipse(QRectF(6, 2, 28, 28));
        painter.setBrush(QColor(150, 150, 160));
        painter.setPen(QPen(QColor(90, 90, 100), 1));
        painter.drawRect(QRectF(13, 30, 14, 10));
        painter.drawLine(QPointF(13, 34), QPointF(27, 34));
        painter.drawLine(QPointF(13, 37), QPointF(27, 37));
        painter.setPen(QPen(QColor(255, 250, 220), 2));
        painter.drawArc(QRectF(12, 8, 14, 14), 90 * 16, 90 * 16);
    }
};

}  // namespace

TipDialog::TipDialog(const std::string& tipFile, int tipNumber, bool showAtStartUp, QWidget* parent)
    : QDialog(parent), m_text(new QLabel(this)), m_show(new QCheckBox("&Show tips at start-up", this))
{
    setWindowTitle("Tip of the Day");
    m_tips.Load(tipFile);
    m_number = m_tips.Normalize(tipNumber);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setBackgroundRole(QPalette::Base);
    panel->setAutoFillBackground(true);
    auto* heading = new QLabel("<b>Did you know...</b>", panel);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setMinimumSize(320, 110);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(new TipLamp(panel), 0, Qt::AlignTop);
    auto* textLayout = new QVBoxLayout;
    textLayout->addWidget(heading);
    textLayout->addWidget(m_text, 1);
    panelLayout->addLayout(textLayout, 1);

    m_show->setChecked(showAtStartUp);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* next = buttons->addButton("&Next Tip", QDialogButtonBox::ActionRole);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setDefault(true);
    next->setEnabled(m_tips.Count() > 1);
    connect(next, &QPushButton::clicked, this, [this] { NextTip(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_show);
    bottom->addStretch();
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    showTip();
}

bool TipDialog::GetShowAtStartUp() const
{
    return m_show->isChecked();
}

void TipDialog::NextTip()
{
    m_number = m_tips.Normalize(m_number + 1);
    showTip();
}

void TipDialog::showTip()
{
    m_text->setText(m_tips.Count() ? QString::fromStdString(m_tips.Tip(m_number))
                                   : QString::fromStdString(m_tips.Error()));
}
