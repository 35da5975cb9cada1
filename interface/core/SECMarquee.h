#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QFont>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QPainter;

// Text that scrolls from right to left across the window, one tick of its timer at a time,
// with a blank gap of a fraction of the width after each pass of the text. It tells when a
// pass of the text starts and when the gap after it has run out.
class INTERFACE_API SECMarquee : public QWidget {
public:
    explicit SECMarquee(QWidget* parent = nullptr);
    ~SECMarquee() override;

    // Starts (true) or stops the timer; a start begins the text anew at the right edge.
    void StartScrolling(bool start);
    bool IsScrolling() const { return m_running; }
    void SetText(const std::string& text);
    const std::string& GetText() const { return m_sourceText; }
    void SetColors(plat::ui::ColorRef text, plat::ui::ColorRef background);
    void SetFont(const QFont& font, bool redraw = true);
    // The part of the width left blank after each pass (0 to 1).
    void SetGapFraction(double fraction);
    void SetInterval(int milliseconds);
    int GetInterval() const { return m_interval; }

    // One tick: the text moves on; answers TRUE.
    virtual int OnScrollMarquee();

    void SetTextStartHandler(std::function<void()> handler) { m_onTextStart = std::move(handler); }
    void SetGapEndedHandler(std::function<void()> handler) { m_onGapEnded = std::move(handler); }

    // What is on screen: the characters shown and their left and right x.
    const std::string& ShownText() const { return m_shownText; }
    int ShownLeft() const { return m_shownLeft; }
    int ShownRight() const { return m_shownRight; }
    int GapRemaining() const { return m_gapRemaining; }

protected:
    // Moves the text step pixels left and brings in the next character when there is room.
    void ScrollBy(int step);
    virtual void OnTextStart();
    virtual void OnGapEnded();
    virtual void DoPaint(QPainter& painter);
    int TextWidth(const std::string& text) const;

    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    QSize sizeHint() const override;

    QRect m_rectMarquee;
    plat::ui::ColorRef m_textColor = 0;
    plat::ui::ColorRef m_backgroundColor = 0xFFFFFF;
    std::optional<QFont> m_font;
    bool m_running = false;
    std::string m_sourceText;
    // The characters on screen, one UTF-8 sequence each.
    std::string m_shownText;
    size_t m_nextIndex = 0;
    int m_gapRemaining = 0;
    double m_gapFraction = 0.5;
    bool m_gapEnded = false;
    int m_shownLeft = 0;
    int m_shownRight = 0;

private:
    int m_interval = 30;
    int m_timer = 0;
    std::function<void()> m_onTextStart;
    std::function<void()> m_onGapEnded;
};
