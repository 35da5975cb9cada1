#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QIcon>
#include <QImage>

#include <vector>

namespace plat::ui {

// A row of equally wide images side by side, one per state (a toolbar's buttons, a check
// box's boxes). Frames keep the strip's device pixel ratio, so a strip drawn at ratio 2
// gives frames that are crisp at ratio 2.
class PLATUI_API ImageStrip {
public:
    ImageStrip(QImage strip, int frameCount);

    int frameCount() const { return m_frameCount; }
    // The frame's logical size.
    QSize frameSize() const;
    // Frame index, or a null image when index is outside the strip.
    QImage frame(int index) const;

    // An icon whose normal, pressed ("on") and disabled looks are three frames of the strip;
    // -1 leaves a look to the style.
    QIcon stateIcon(int normal, int on = -1, int disabled = -1) const;

private:
    QImage m_strip;
    int m_frameCount;
};

}  // namespace plat::ui
