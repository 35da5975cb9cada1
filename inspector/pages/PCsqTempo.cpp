#include "inspector/pages/PCsqTempo.h"

#include "inspector/forms/PCsqTempoChangeForm.h"
#include "inspector/forms/PCsqTempoConstForm.h"
#include "inspector/forms/PCsqTempoPauseForm.h"

#include "interface/document/MCOpusDoc.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/MCEventList.h"
#include "notabase/names/DisplayNames.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/transport/CSequence.h"

#include <QFrame>
#include <QMenu>
#include <QVBoxLayout>

#include <array>

PLAT_IMPLEMENT_DYNCREATE(PCsqTempo, MCInspectorFormPage)

namespace {

struct Word {
    int id;
    const char* text;
};

// Fastest first, as the menu lists them; 0 is a separator.
constexpr std::array<Word, 21> kWords = {{
    {36918, "Prestissimo (Fastest)"}, {36917, "Vivacissimo"}, {36916, "Allegrissimo"}, {36915, "Presto"},
    {36914, "Vivo"}, {36913, "Vivace"}, {0, ""}, {36912, "Allegro"}, {36911, "Allegretto"},
    {36910, "Moderato"}, {36909, "Andantino"}, {36908, "Andante"}, {36907, "Adagietto"}, {0, ""},
    {36906, "Larghetto"}, {36905, "Lento"}, {36904, "Adagio"}, {36903, "Largo"}, {36902, "Lentissimo"},
    {36901, "Adagissimo"}, {36900, "Larghissimo (Slowest)"},
}};

struct NoteValue {
    const char* text;
    float beats;
};

constexpr std::array<NoteValue, 10> kDurations = {{
    {"Whole Note (&1)", 4.0f}, {"Dotted Half Note", 3.0f}, {"Half Note (&2)", 2.0f},
    {"Dotted Quarter Note", 1.5f}, {"Quarter Note (&4)", 1.0f}, {"Dotted Eighth Note", 0.75f},
    {"Eighth Note (&8)", 0.5f}, {"Sixteenth Note (1&6)", 0.25f}, {"32nd Note (&32)", 0.125f},
    {"64th Note", 0.0625f},
}};

}  // namespace

PCsqTempo::PCsqTempo(QWidget* parent) : MCInspectorFormPage(parent)
{
    setWindowTitle("&Performance");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* frame = new QFrame(this);
    plat::ui::setItemId(frame, IDC_FORM_FRAME);
    layout->addWidget(frame);
    m_nPlaceholderID = IDC_FORM_FRAME;
    SetForm(formConst, std::make_unique<PCsqTempoConstForm>(this));
    SetForm(formChange, std::make_unique<PCsqTempoChangeForm>(this));
    SetForm(formPause, std::make_unique<PCsqTempoPauseForm>(this));
}

PCsqTempo::~PCsqTempo() = default;

int PCsqTempo::FormOfType(unsigned char type)
{
    if (type >= 21 && type <= 23)
        return formChange;
    if ((type >= 24 && type <= 26) || type == 29)
        return formPause;
    return formConst;
}

void PCsqTempo::UpdatePage()
{
    int form = -1;
    if (MCEventList* events = GetEventList()) {
        bool first = true;
        for (ECBase* event : *events) {
            auto* tempo = plat::dynamicDowncast<ECTempo>(event);
            if (!tempo)
                continue;
            const int kind = FormOfType(tempo->GetTempoType());
            if (first) {
                form = kind;
                first = false;
            } else if (kind != form) {
                form = -1;
                break;
            }
        }
    }
    m_nCurForm = form;
    MCInspectorFormPage::UpdatePage();
}

void PCsqTempo::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    if (!plat::dynamicDowncast<ECTempo>(event))
        return;
    MCInspectorFormPage::UpdateEvent(event, commands);
}

QMenu* PCsqTempo::MakeTempoWordsMenu(QWidget* owner)
{
    auto* menu = new QMenu(owner);
    for (const Word& word : kWords) {
        if (word.id == 0)
            menu->addSeparator();
        else
            menu->addAction(word.text)->setData(word.id);
    }
    return menu;
}

QMenu* PCsqTempo::MakeDurationsMenu(QWidget* owner)
{
    auto* menu = new QMenu(owner);
    for (size_t i = 0; i < kDurations.size(); ++i)
        menu->addAction(kDurations[i].text)->setData(ID_FIRST_DURATION + int(i));
    return menu;
}

int PCsqTempo::TempoOfWord(int commandId)
{
    if (commandId < ID_FIRST_TEMPO_WORD || commandId > ID_LAST_TEMPO_WORD)
        return 0;
    return GetTempoValue(commandId - 36898);
}

float PCsqTempo::BeatsOfDuration(int commandId)
{
    if (commandId < ID_FIRST_DURATION || commandId > ID_LAST_DURATION)
        return 0.0f;
    return kDurations[size_t(commandId - ID_FIRST_DURATION)].beats;
}

MCTime PCsqTempo::ScoreTime(MCOpusDoc* document, const MCTime& time)
{
    MCTime score = time;
    if (document && score != MCTime::TimeNull())
        document->GetSequence()->NormalizeTime(score);
    return score;
}
