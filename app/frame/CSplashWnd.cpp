#include "app/frame/CSplashWnd.h"

#include "app/core/AppImages.h"
#include "app/core/AppStrings.h"
#include "interface/controls/MCMarquee.h"
#include "interface/core/MCBitmap.h"
#include "interface/core/MCPalette.h"
#include "notabase/prefs/Preferences.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace {

CSplashWnd*& instance()
{
    static CSplashWnd* splash = nullptr;
    return splash;
}

QFont fontFrom(const plat::FontDescription& description)
{
    QFont font(QString::fromStdString(description.faceName));
    // A negative height is the character height in pixels.
    font.setPixelSize(std::max(1, std::abs(description.height)));
    font.setBold(description.weight >= 700);
    font.setItalic(description.italic);
    return font;
}

}  // namespace

CSplashWnd* CSplashWnd::Instance()
{
    return instance();
}

CSplashWnd* CSplashWnd::Create()
{
    if (!instance())
        instance() = new CSplashWnd;
    CSplashWnd* splash = instance();
    if (MCPalette::GetSharedPalette()) {
        splash->m_bitmap->SetPalette(MCPalette::GetSharedPalette());
        splash->m_bitmap->SetAutoDelete(0);
    }
    splash->show();
    splash->raise();
    return splash;
}

void CSplashWnd::Destroy()
{
    delete instance();
    instance() = nullptr;
}

CSplashWnd::CSplashWnd()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_bitmap(std::make_unique<MCBitmap>()), m_marquee(new MCMarquee(this))
{
    setObjectName("Splash");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    const int scale = std::max(1, static_cast<int>(std::ceil(devicePixelRatioF())));
    m_bitmap->Create(AppImages::splash, scale);
    const QSize size = m_bitmap->IsEmpty() ? QSize(kReferenceWidth, 460) : m_bitmap->GetLogicalSize();
    setFixedSize(size);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
    m_versionFont = fontFrom(LoadFontPreference("Splash", "VersionFont", "Times New Roman", -18, 1, 0, 0, 0));
    m_messageFont = fontFrom(LoadFontPreference("Splash", "MessageFont", "Arial", -12, 0, 0, 0, 0));
    m_version = AppStrings::text(AppStrings::splashVersion);
    m_marquee->setGeometry(kMessageRect.left(), 460 - 455 + 430, 510, 20);
    m_marquee->SetBackground(m_bitmap.get(), QRect(10, 435, 510, 20));
    m_marquee->hide();
}

CSplashWnd::~CSplashWnd()
{
    if (instance() == this)
        instance() = nullptr;
}

void CSplashWnd::SetMessage(unsigned id)
{
    m_message = AppStrings::text(id);
    if (isVisible())
        repaint(kMessageRect);
}

void CSplashWnd::Hide()
{
    hide();
    m_marquee->StartScrolling(false);
    m_marquee->hide();
    m_message.clear();
}

void CSplashWnd::ShowCredits(unsigned id)
{
    m_marquee->SetText(AppStrings::text(id));
    m_marquee->SetColors(0x00FFFF00, 0);
    m_marquee->SetFont(m_messageFont);
    m_marquee->show();
    m_marquee->StartScrolling(true);
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QImage image = m_bitmap->ToImage();
    if (!image.isNull())
        painter.drawImage(rect(), image);
    else
        painter.fillRect(rect(), Qt::black);
    painter.setPen(QColor(kTextColor));
    painter.setFont(m_versionFont);
    painter.drawText(QRect(0, 10, kReferenceWidth - 10, 40), Qt::AlignRight | Qt::AlignTop,
                     QString::fromStdString(m_version));
    painter.setFont(m_messageFont);
    painter.drawText(kMessageRect, Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(m_message));
}

void CSplashWnd::mousePressEvent(QMouseEvent* event)
{
    Hide();
    event->accept();
}

void CSplashWnd::keyPressEvent(QKeyEvent* event)
{
    Hide();
    event->accept();
}
