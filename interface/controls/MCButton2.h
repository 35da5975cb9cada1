#pragma once

#include "interface/InterfaceExport.h"

#include "interface/controls/MCBitmapButtonBase.h"

#include "platform/ui/draw/ColorRef.h"

#include <string>
#include <vector>

class MCBitmap;

// A button drawn as images of the shared image cache, one per state, recoloured by the key
// colours and stretched over the button as they are: no mask, frame or focus mark. The images
// belong to the cache.
class INTERFACE_API MCButton2 : public MCBitmapButtonBase {
public:
    explicit MCButton2(QWidget* parent = nullptr);

    // Takes the place of the item id of parent and loads the images named by its caption.
    virtual bool AutoLoad(int id, QWidget* parent, plat::ui::ColorRef face, plat::ui::ColorRef highlight,
                          plat::ui::ColorRef shadow);
    // Empties the list, then takes prefix0 ... prefix9 from the cache while the resource
    // module has them; then SizeToContent. Always true.
    virtual bool LoadBitmaps(const char* prefix, plat::ui::ColorRef face, plat::ui::ColorRef highlight,
                             plat::ui::ColorRef shadow);
    virtual void AddBitmap(MCBitmap* bitmap, int index = -1);
    virtual void ClearBitmaps();
    virtual void SizeToContent();
    int GetStateCount() const override { return int(m_bitmaps.size()); }
    MCBitmap* GetBitmap(int index) const;
    int GetColorDepth() const { return m_depth; }

    QSize sizeHint() const override;

protected:
    bool HoverWhileDisabled() const override { return true; }
    bool CommitSpaceWithNotifyOnPress() const override { return false; }
    void paintEvent(QPaintEvent* event) override;

private:
    // Takes the images again from the cache when the button's screen now has another pixel
    // ratio (the cache keeps each image per scale).
    void followScreenRatio();

    std::vector<MCBitmap*> m_bitmaps;
    // What LoadBitmaps took, and at which scale; 0: images added by the owner.
    std::string m_prefix;
    plat::ui::ColorRef m_colors[3] = {};
    int m_loadedScale = 0;
    int m_depth = 8;
    QSize m_size;
};
