#include "preferences/wizard/CWizardPgWelcome.h"

#include <QLabel>
#include <QVBoxLayout>

PLAT_IMPLEMENT_DYNCREATE(CWizardPgWelcome, MCWizardForm)

CWizardPgWelcome::CWizardPgWelcome() : MCWizardForm(kTemplate)
{
    auto* layout = new QVBoxLayout(this);
    const char* paragraphs[] = {
        "Thank you for choosing Quavix. Before you start, this wizard helps you choose how your music is "
        "played and recorded on this computer.",
        "In the next steps you choose the MIDI device that plays your music, what happens to the notes you play "
        "on a MIDI keyboard, and the sound device that plays audio tracks. Each step lets you test your choice.",
        "Click Next to begin. You can run this wizard again at any time from the Tools menu, and change every "
        "setting later in the preferences.",
    };
    for (const char* text : paragraphs) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    layout->addStretch(1);
}
