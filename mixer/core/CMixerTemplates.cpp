#include "mixer/core/CMixerTemplates.h"

#include "platform/ui/dialog/ItemId.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {

// A placeholder of a given size for a control that sizes itself.
QWidget* item(QWidget* form, int id, QSize size = QSize())
{
    auto* placeholder = new QLabel(form);
    plat::ui::setItemId(placeholder, id);
    if (size.isValid())
        placeholder->setFixedSize(size);
    return placeholder;
}

QWidget* button(QWidget* form, int id, const char* images)
{
    auto* placeholder = new QPushButton(QString::fromLatin1(images), form);
    plat::ui::setItemId(placeholder, id);
    return placeholder;
}

QLabel* label(QWidget* form, const QString& text)
{
    auto* caption = new QLabel(text, form);
    caption->setAlignment(Qt::AlignCenter);
    QFont font = caption->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    caption->setFont(font);
    return caption;
}

constexpr QSize kMeterSize(12, 64);
constexpr int kStripInner = 68;
constexpr int kStateHeight = 20;

void strip(QWidget* form, int rows)
{
    auto* column = new QVBoxLayout(form);
    column->setContentsMargins(3, 3, 3, 3);
    column->setSpacing(2);
    column->addWidget(item(form, 5150, QSize(kStripInner, 18)));
    if (rows == 3) {
        auto* dials = new QGridLayout;
        dials->setSpacing(1);
        dials->addWidget(item(form, 5160), 0, 0, Qt::AlignCenter);
        dials->addWidget(item(form, 5158), 0, 1, Qt::AlignCenter);
        dials->addWidget(item(form, 5157), 1, 0, Qt::AlignCenter);
        dials->addWidget(item(form, 5159), 1, 1, Qt::AlignCenter);
        column->addLayout(dials);
    }
    if (rows >= 2) {
        auto* fader = new QHBoxLayout;
        fader->setSpacing(4);
        fader->addStretch();
        fader->addWidget(item(form, 5155));
        fader->addWidget(item(form, 5156, kMeterSize));
        fader->addStretch();
        column->addLayout(fader);
    }
    column->addWidget(item(form, 5151, QSize(kStripInner, kStateHeight)));
}

void master(QWidget* form, bool mini)
{
    if (mini) {
        auto* grid = new QGridLayout(form);
        grid->setContentsMargins(4, 3, 4, 3);
        grid->setHorizontalSpacing(4);
        grid->setVerticalSpacing(2);
        grid->addWidget(label(form, QObject::tr("Master Vol")), 0, 0, Qt::AlignRight);
        grid->addWidget(item(form, 5155), 0, 1, 1, 2, Qt::AlignLeft);
        grid->addWidget(label(form, QObject::tr("Tempo (bpm)")), 1, 0, Qt::AlignRight);
        grid->addWidget(item(form, 5180), 1, 1);
        grid->addWidget(item(form, 5181, QSize(46, 18)), 1, 2);
        return;
    }
    auto* row = new QHBoxLayout(form);
    row->setContentsMargins(4, 3, 4, 3);
    row->setSpacing(6);
    auto* volume = new QVBoxLayout;
    volume->setSpacing(2);
    volume->addWidget(label(form, QObject::tr("Master")));
    auto* fader = new QHBoxLayout;
    fader->setSpacing(4);
    fader->addWidget(item(form, 5155));
    fader->addWidget(item(form, 5156, kMeterSize));
    volume->addLayout(fader);
    volume->addStretch();
    row->addLayout(volume);

    auto* tempo = new QVBoxLayout;
    tempo->setSpacing(3);
    tempo->addWidget(label(form, QObject::tr("Tempo (bpm)")));
    auto* speed = new QHBoxLayout;
    speed->setSpacing(3);
    speed->addWidget(item(form, 5180));
    speed->addWidget(item(form, 5181, QSize(46, 18)));
    tempo->addLayout(speed);
    auto* presets = new QHBoxLayout;
    presets->setSpacing(1);
    const struct {
        int id;
        const char* images;
    } speeds[] = {{5185, "QUARTER"}, {5186, "HALF"}, {5187, "ONE"}, {5188, "DOUBLE"}, {5189, "QUAD"}};
    for (const auto& entry : speeds)
        presets->addWidget(button(form, entry.id, entry.images));
    presets->addStretch();
    tempo->addLayout(presets);
    auto* midi = new QHBoxLayout;
    midi->setSpacing(6);
    midi->addWidget(button(form, 5191, "THRU"));
    midi->addWidget(button(form, 5190, "LIGHT"));
    midi->addStretch();
    tempo->addLayout(midi);
    tempo->addStretch();
    row->addLayout(tempo);
}

}  // namespace

bool CMixerTemplates::Build(int templateId, QWidget* form)
{
    if (!form || form->layout())
        return false;
    switch (templateId) {
    case kMixer: {
        auto* row = new QHBoxLayout(form);
        row->setContentsMargins(5, 5, 5, 5);
        row->setSpacing(4);
        auto* buttons = new QVBoxLayout;
        buttons->setSpacing(1);
        buttons->addWidget(button(form, 37132, "FULL"));
        buttons->addWidget(button(form, 37131, "NORMAL"));
        buttons->addWidget(button(form, 37130, "MINI"));
        buttons->addStretch();
        row->addLayout(buttons);
        return true;
    }
    case kStripMini: strip(form, 1); return true;
    case kStripNormal: strip(form, 2); return true;
    case kStripFull: strip(form, 3); return true;
    case kMasterMini: master(form, true); return true;
    case kMasterNormal:
    case kMasterFull: master(form, false); return true;
    default: return false;
    }
}
