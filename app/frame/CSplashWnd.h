#pragma once

#include <QFont>
#include <QWidget>

#include <memory>
#include <string>

class MCBitmap;
class MCMarquee;

// The splash window: the splash picture with the version line and a line of loading
// messages during start-up; the About command shows it again with scrolling credits. Any
// click or key press on it hides it.
class CSplashWnd : public QWidget {
public:
    static constexpr QRect kMessageRect{QPoint(10, 435), QPoint(519, 454)};
    static constexpr int kReferenceWidth = 530;
    // 0x00FFFF00 as the classic colour value: blue and green.
    static constexpr QRgb kTextColor = qRgb(0x00, 0xFF, 0xFF);

    // The one splash window of the program, made by Create.
    static CSplashWnd* Instance();
    // Makes the window when there is none, then shows it.
    static CSplashWnd* Create();
    // Destroys the window (at the program's end).
    static void Destroy();

    ~CSplashWnd() override;

    // The text of string id becomes the message; painted at once when the window shows.
    void SetMessage(unsigned id);
    const std::string& Message() const { return m_message; }
    // Hides the window, stops the credits and empties the message.
    void Hide();
    // The About box: the text of string id scrolls over the picture's bottom strip.
    void ShowCredits(unsigned id);
    MCMarquee* Marquee() const { return m_marquee; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CSplashWnd();

    std::unique_ptr<MCBitmap> m_bitmap;
    std::string m_version;
    std::string m_message;
    QFont m_versionFont;
    QFont m_messageFont;
    MCMarquee* m_marquee;
};
