#pragma once

#include "notabase/values/MCTime.h"
#include "platform/ui/draw/ColorRef.h"

#include <QFont>
#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

// The large read-out of the Time toolbar: the active document's position in big digits in one
// of the time edit's formats, with optional unit labels below. The picture is drawn once into
// an off-screen image and only copied while nothing changed. Colours, format, units and fonts
// live in "Settings\Time".
class CTimeDisplay : public QWidget {
public:
    static constexpr int kControlId = 1029;
    static constexpr const char* kSection = "Settings\\Time";

    explicit CTimeDisplay(QWidget* parent = nullptr);
    ~CTimeDisplay() override;

    // Fits the time text (and the units line) for the format and fonts; the window takes
    // their size, its position stays.
    virtual void CalcLayout();

    // Draws the time again (at once with redraw, else with the window's next painting) unless
    // its text is the one shown.
    void SetTime(const MCTime& time, bool redraw);
    const MCTime& GetTime() const { return m_time; }
    void SetFormat(int format);
    int GetFormat() const { return m_format; }
    void SetUnitsVisible(bool visible);
    bool UnitsVisible() const { return (m_flags & 2) != 0; }
    void SetBackgroundColor(plat::ui::ColorRef color);
    void SetTimeColor(plat::ui::ColorRef color);
    void SetUnitsColor(plat::ui::ColorRef color);
    plat::ui::ColorRef BackgroundColor() const { return m_background; }
    plat::ui::ColorRef TimeColor() const { return m_timeColor; }
    plat::ui::ColorRef UnitsColor() const { return m_unitsColor; }
    void SetTimeFont(std::optional<QFont> font);
    void SetUnitsFont(std::optional<QFont> font);
    const std::optional<QFont>& TimeFont() const { return m_timeFont; }
    const std::optional<QFont>& UnitsFont() const { return m_unitsFont; }

    // The text shown for the time in the display's format.
    QString TimeText() const;
    // Whether the picture waits to be drawn again.
    bool NeedsDrawing() const { return (m_flags & 1) != 0; }
    QRect TimeRect() const { return m_timeRect; }
    QRect UnitsRect() const { return m_unitsRect; }

    // A left click asks for the go-to command; the bar installs it.
    void SetClickHandler(std::function<void()> handler) { m_onClick = std::move(handler); }

    // The sample text the layout measures, and the unit labels (left, centre, right), by format.
    static const char* SampleText(int format);
    static std::array<const char*, 3> UnitLabels(int format);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Invalidate();
    void DrawPicture();

    uint8_t m_flags = 1;
    plat::ui::ColorRef m_background = 0;
    plat::ui::ColorRef m_timeColor = 255;
    plat::ui::ColorRef m_unitsColor = 0xFFFF;
    int m_format = 1;
    MCTime m_time;
    // The time's text as the picture holds it: the same time can read differently once a
    // document's time source is active.
    QString m_drawnText;
    // The text SetTime found for the time, until the picture is drawn or something else changes.
    std::optional<QString> m_textToDraw;
    QImage m_picture;
    std::optional<QFont> m_timeFont;
    std::optional<QFont> m_unitsFont;
    QRect m_timeRect;
    QRect m_unitsRect;
    std::function<void()> m_onClick;
};
