// The faces of the instrument page's patch buttons, drawn in code: state 0 up, 1 pressed,
// 2 disabled, each on the blue that the buttons treat as transparent.

#include "interface/core/InterfaceImages.h"
#include "platform/ui/resource/ImageResources.h"

#include <QPainter>
#include <QPainterPath>

#include <vector>

namespace {

using plat::ui::ImageResources;

constexpr int kSize = 18;
const QColor kKey(0, 0, 255);

QImage face(int scale, int state, bool remove)
{
    return InterfaceImages::Paint(kSize, kSize, scale, true, [state, remove](QPainter& p) {
        p.fillRect(QRect(0, 0, kSize, kSize), kKey);
        const QColor ink = state == 2 ? QColor(150, 150, 150) : remove ? QColor(170, 30, 30) : QColor(20, 110, 40);
        const int shift = state == 1 ? 1 : 0;
        p.translate(shift, shift);
        // A small sheet with a quaver: a patch change.
        p.setPen(QColor(80, 80, 80));
        p.setBrush(state == 2 ? QColor(225, 225, 225) : QColor(255, 255, 240));
        p.drawRect(QRect(2, 2, 10, 12));
        p.setPen(Qt::NoPen);
        p.setBrush(state == 2 ? QColor(160, 160, 160) : QColor(40, 40, 90));
        p.drawEllipse(QRect(4, 9, 4, 3));
        p.fillRect(QRect(7, 4, 1, 7), p.brush());
        p.fillRect(QRect(8, 4, 2, 1), p.brush());
        // A plus to add one, a cross to delete one.
        p.setBrush(ink);
        if (remove) {
            p.setPen(QPen(ink, 2));
            p.drawLine(QPoint(10, 10), QPoint(15, 15));
            p.drawLine(QPoint(15, 10), QPoint(10, 15));
        } else {
            p.fillRect(QRect(12, 9, 2, 7), ink);
            p.fillRect(QRect(9, 11, 8, 2), ink);
        }
    });
}

std::vector<ImageResources::Entry> entries()
{
    std::vector<ImageResources::Entry> list;
    for (int state = 0; state < 3; ++state) {
        list.push_back({"PATCHNEW" + std::to_string(state), [state](int scale) { return face(scale, state, false); }});
        list.push_back({"PATCHDELETE" + std::to_string(state), [state](int scale) { return face(scale, state, true); }});
    }
    return list;
}

const ImageResources::Registration registration("InspectorStaffInstrument", entries());

}  // namespace
