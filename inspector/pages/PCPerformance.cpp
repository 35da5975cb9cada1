#include "inspector/pages/PCPerformance.h"

#include "interface/core/MCPaths.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusHeader.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>
#include <ctime>

PLAT_IMPLEMENT_DYNCREATE(PCPerformance, MCInspectorPage)

namespace {

QLabel* addValue(QGridLayout* grid, int row, const char* caption, int id, QWidget* parent)
{
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    auto* value = new QLabel(parent);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setWordWrap(true);
    plat::ui::setItemId(value, id);
    grid->addWidget(label, row, 0, Qt::AlignTop);
    grid->addWidget(value, row, 1);
    return value;
}

void setLabel(QWidget* page, int id, const std::string& text)
{
    if (auto* label = plat::ui::item<QLabel>(page, id))
        label->setText(QString::fromStdString(text));
}

}  // namespace

PCPerformance::PCPerformance()
{
    setWindowTitle("Info");
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_icon = new QLabel(this);
    plat::ui::setItemId(m_icon, kIcon);
    m_icon->setFixedSize(40, 40);
    auto* name = new QLabel(this);
    plat::ui::setItemId(name, kFileName);
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    name->setWordWrap(true);
    top->addWidget(m_icon);
    top->addWidget(name, 1);
    layout->addLayout(top);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    addValue(grid, 0, "Path:", kPath, this);
    addValue(grid, 1, "Created:", kCreated, this);
    addValue(grid, 2, "Modified:", kModified, this);
    addValue(grid, 3, "Accessed:", kAccessed, this);
    layout->addLayout(grid);
    layout->addStretch(1);
}

PCPerformance::~PCPerformance() = default;

bool PCPerformance::InitPage()
{
    if (!MCInspectorPage::InitPage())
        return false;
    if (!m_largeFont) {
        const plat::FontDescription description =
            LoadFontPreference("Settings\\Font", "Large Font", "Arial", -24, 0, 0, 0, 0);
        m_largeFont = std::make_unique<QFont>(QString::fromStdString(description.faceName));
        // A negative height is the character height in pixels.
        m_largeFont->setPixelSize(std::max(1, std::abs(description.height)));
        m_largeFont->setBold(description.isBold());
        m_largeFont->setItalic(description.italic);
        m_largeFont->setUnderline(description.underline);
        if (QWidget* name = plat::ui::itemWidget(this, kFileName))
            name->setFont(*m_largeFont);
    }
    return true;
}

void PCPerformance::SetDocument(MCOpusDoc* document)
{
    if (document != GetDocument())
        m_nameConnection = document ? document->AddNameListener([this] { OnDocumentRenamed(); }) : plat::Connection();
    MCInspectorPage::SetDocument(document);
}

QSize PCPerformance::GetSize()
{
    QLayout* column = layout();
    // Texts set a moment ago have not reached the layouts yet: they are laid out again, down to
    // the innermost.
    if (column) {
        column->invalidate();
        column->activate();
    }
    QSize size = MCInspectorPage::GetSize().expandedTo(QSize(minimumSizeHint().width(), 0));
    // Shown, the texts wrap to the width the page has, which the sheet's frame may make a little
    // narrower than the width asked.
    const int wrapWidth = isVisible() ? std::min(size.width(), width()) : size.width();
    if (column && column->hasHeightForWidth())
        size.setHeight(std::max(size.height(), column->totalHeightForWidth(wrapWidth)));
    return size;
}

void PCPerformance::OnDocumentRenamed()
{
    UpdatePage();
    if (!IsInitialized())
        return;
    updateData(false);
    // The new texts may need more room: the sheet sizes itself to the page shown.
    if (isVisible())
        plat::ui::notifyParent(this, kPageActivated);
}

void PCPerformance::UpdatePage()
{
    MCInspectorPage::UpdatePage();
    MCOpusDoc* document = GetDocument();
    if (!document) {
        // The page lets go of a document that closed, and shows none.
        m_pHeader = nullptr;
        m_pPerformance = nullptr;
        m_fileName.clear();
        m_pathName.clear();
        m_createTime.clear();
        m_modifyTime.clear();
        m_accessTime.clear();
        return;
    }
    m_pHeader = document->GetHeader();
    m_pPerformance = document->GetBaseEvent();
    m_fileName = MCGetTitle(document->GetTitle());
    m_pathName = document->GetPathName();
    m_createTime = FormatFileTime(m_pHeader->GetCreateTime());
    m_modifyTime = FormatFileTime(m_pHeader->GetModificationTime());
    m_accessTime = FormatFileTime(m_pHeader->GetAccessTime());
}

void PCPerformance::UpdateEvent(ECBase*, MCCommandList&) {}

std::string PCPerformance::FormatFileTime(int64_t seconds)
{
    // A document that was never saved has no file times.
    if (seconds <= 0)
        return {};
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!::localtime_r(&time, &local))
        return {};
    char text[128];
    const size_t length = std::strftime(text, sizeof text, "%A, %B %d, %Y %I:%M:%S %p", &local);
    return std::string(text, length);
}

QPixmap PCPerformance::FormatIcon(int kind, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 32.0;
    painter.scale(s, s);
    // A sheet with its corner turned down.
    QPainterPath sheet;
    sheet.moveTo(6, 2);
    sheet.lineTo(20, 2);
    sheet.lineTo(27, 9);
    sheet.lineTo(27, 30);
    sheet.lineTo(6, 30);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(60, 60, 60), 1.2));
    painter.setBrush(Qt::white);
    painter.drawPath(sheet);
    painter.setBrush(QColor(220, 220, 220));
    painter.drawPolygon(QPolygonF({QPointF(20, 2), QPointF(20, 9), QPointF(27, 9)}));
    if (kind == kMidiIcon) {
        // A round five-pin socket.
        painter.setBrush(QColor(40, 40, 40));
        painter.drawEllipse(QPointF(16.5, 19), 8, 8);
        painter.setBrush(Qt::white);
        painter.setPen(Qt::NoPen);
        const QPointF pins[] = {{12, 18}, {21, 18}, {13.5, 22}, {19.5, 22}, {16.5, 23.5}};
        for (const QPointF& pin : pins)
            painter.drawEllipse(pin, 1.2, 1.2);
        painter.drawRect(QRectF(15.3, 12, 2.4, 2));
    } else {
        // A quaver on a short stave.
        painter.setPen(QPen(QColor(120, 120, 120), 0.8));
        for (int line = 0; line < 5; ++line)
            painter.drawLine(QPointF(8, 13 + line * 3), QPointF(25, 13 + line * 3));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(20, 40, 140));
        painter.save();
        painter.translate(14, 24);
        painter.rotate(-20);
        painter.drawEllipse(QPointF(0, 0), 3, 2.1);
        painter.restore();
        painter.setPen(QPen(QColor(20, 40, 140), 1.4));
        painter.drawLine(QPointF(16.6, 23), QPointF(16.6, 10));
        painter.drawLine(QPointF(16.6, 10), QPointF(21, 14));
    }
    return pixmap;
}

void PCPerformance::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    // The page only shows: nothing is read back.
    if (exchange.saving())
        return;
    setLabel(this, kFileName, m_fileName);
    setLabel(this, kPath, m_pathName);
    setLabel(this, kCreated, m_createTime);
    setLabel(this, kModified, m_modifyTime);
    setLabel(this, kAccessed, m_accessTime);
    if (!m_pHeader) {
        m_icon->clear();
        m_icon->setProperty("iconKind", QVariant());
        return;
    }
    const int format = m_pHeader->GetFormat();
    const bool midi = format == MCOpusHeader::formatMidi0 || format == MCOpusHeader::formatMidi1 ||
                      format == MCOpusHeader::formatMidi2;
    m_icon->setPixmap(FormatIcon(midi ? kMidiIcon : kNativeIcon, m_icon->width()));
    m_icon->setProperty("iconKind", midi ? int(kMidiIcon) : int(kNativeIcon));
}
