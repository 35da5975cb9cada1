#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCInspectorFormPage.h"

#include <memory>

class MCOpusDoc;
class MCTime;
class QMenu;
class QWidget;

// The page of tempo marks. A mark is a constant tempo, a gradual change or a pause, and the
// page shows the form of that kind; a selection that mixes kinds shows none.
class INSPECTOR_API PCsqTempo : public MCInspectorFormPage {
    PLAT_DECLARE_DYNCREATE(PCsqTempo)
public:
    enum : int { IDD = 4360, IDC_FORM_FRAME = 4361 };
    enum : int { formConst = 0, formChange = 1, formPause = 2 };
    // The command ids of the tempo words (word number id - 36898) and of the note values.
    enum : int { ID_FIRST_TEMPO_WORD = 36900, ID_LAST_TEMPO_WORD = 36918, ID_FIRST_DURATION = 36864, ID_LAST_DURATION = 36873 };

    explicit PCsqTempo(QWidget* parent = nullptr);
    ~PCsqTempo() override;

    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;

    // The form that shows a mark of the tempo type.
    static int FormOfType(unsigned char type);
    // The tempo words, fastest first, each giving its command id; owned by owner.
    static QMenu* MakeTempoWordsMenu(QWidget* owner);
    // The note values, longest first; owned by owner.
    static QMenu* MakeDurationsMenu(QWidget* owner);
    // The tempo of a tempo-word command, or 0 for another id.
    static int TempoOfWord(int commandId);
    // The length in beats of a note-value command, or 0 for another id.
    static float BeatsOfDuration(int commandId);
    // A time as typed (bar, beat and tick, or clock time) made a score time of document.
    static MCTime ScoreTime(MCOpusDoc* document, const MCTime& time);
};
