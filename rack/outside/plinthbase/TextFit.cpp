#include "rack/outside/plinthbase/TextFit.h"

#include "platform/ui/draw/DrawContext.h"

#include <QFontMetrics>
#include <QPainter>
#include <QString>

namespace rack {

namespace {

void elide(plat::ui::DrawContext& dc, int width, std::string& text, Qt::TextElideMode mode)
{
    if (dc.textExtent(text).width() <= width)
        return;
    const QFontMetrics metrics(dc.painter().font());
    text = metrics.elidedText(QString::fromStdString(text), mode, std::max(0, width)).toStdString();
}

}  // namespace

void Pool_GetNameThatFits(plat::ui::DrawContext& dc, int width, std::string& text)
{
    elide(dc, width, text, Qt::ElideRight);
}

void Pool_GetPathThatFits(plat::ui::DrawContext& dc, int width, std::string& text)
{
    elide(dc, width, text, Qt::ElideMiddle);
}

std::string GetFilenameName(std::string_view path)
{
    const size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace rack
