#pragma once

#include "app/frame/CTransportBar.h"

#include <QStatusBar>

#include <functional>
#include <optional>
#include <utility>
#include <string>

class MCButton2;
class MCStaticEdit;
class QLabel;
class QProgressBar;
class SCBase;

// The main frame's status bar: the framework's message (or a progress bar during a long
// operation), the active document's transport, the edit mode and the last status message,
// and the latching QUANTIZE and METRO buttons. It learns everything from the states the frame
// forwards.
class CMainStatusBar : public QStatusBar {
public:
    static constexpr const char* kMetronomeSection = "Sequencer\\Midi\\Metronome";
    static constexpr const char* kRecordSection = "Sequencer\\Midi\\Record";

    // stateWord gives the active document's transport state word; preferencesChanged applies
    // a preferences state without a performance, so that every window rereads its settings.
    CMainStatusBar(CTransportBar::StateWord stateWord, std::function<void()> preferencesChanged,
                   QWidget* parent = nullptr);
    ~CMainStatusBar() override;

    void OnUpdate(int code, SCBase* state);

    void SetMessageText(const QString& text);
    void SetTransportText(const QString& text);
    void SetModeText(const QString& text);

    void ProgressBegin(int low, int high, int step, const QString& text);
    void ProgressSet(int position);
    void ProgressStep();
    void ProgressEnd();

    // 505: the quantization dialog; 506: the metronome cycle.
    void OnQuantize();
    void OnMetronome();

    MCStaticEdit* TransportField() const { return m_transport; }
    MCStaticEdit* ModeField() const { return m_mode; }
    MCStaticEdit* MessageField() const { return m_message; }
    MCButton2* QuantizeButton() const { return m_quantize; }
    MCButton2* MetroButton() const { return m_metro; }
    QProgressBar* Progress() const { return m_progress; }

    // The transport text of a state word and its colours (text, background; none: the
    // system's button colours).
    struct TransportLook {
        QString text;
        std::optional<std::pair<uint32_t, uint32_t>> colors;
    };
    static TransportLook TransportLookOf(uint32_t word);

private:
    void UpdateTransport();
    void UpdateLatches(bool repaint);
    MCStaticEdit* makeField(uint32_t text, std::optional<uint32_t> background, int width, bool stretch);

    CTransportBar::StateWord m_stateWord;
    std::function<void()> m_preferencesChanged;
    QProgressBar* m_progress = nullptr;
    QLabel* m_idle = nullptr;
    MCStaticEdit* m_transport = nullptr;
    MCStaticEdit* m_mode = nullptr;
    MCStaticEdit* m_message = nullptr;
    MCButton2* m_quantize = nullptr;
    MCButton2* m_metro = nullptr;
    QFont m_statusFont;
    int m_progressStep = 1;
    // The metronome enables switched off by METRO, brought back when it is pressed again.
    int m_rememberedPlay = 0;
    int m_rememberedRecord = 0;
};
