#pragma once

#include "interface/InterfaceExport.h"

#include "interface/controls/MCBitmapButtonBase.h"
#include "interface/core/MCDrawing.h"

#include "platform/ui/draw/ColorRef.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MCBitmap;

// A button drawn as one of its own bitmaps per state, loaded from the resource module by
// name ("PLAY0", "PLAY1", ...) or by number. Each state's face is composed once: the bitmap
// centred on the button colour (or stretched when it is larger than the button), its
// transparent colour showing the face, with a 3-D edge when Framed; an image factory may give
// faces instead. The faces are composed at the screen's resolution, the bitmaps loaded at it.
class INTERFACE_API MCButton : public MCBitmapButtonBase {
public:
    static constexpr plat::ui::ColorRef kNoColor = 0xFFFFFFFF;

    explicit MCButton(QWidget* parent = nullptr);
    ~MCButton() override;

    // Takes the place of the item id of parent and loads the bitmaps named by the item's
    // caption; false when there is no such item or its caption is empty, or the images could
    // not be loaded (which the user is told).
    virtual bool AutoLoad(int id, QWidget* parent);
    // Replaces the held bitmaps by prefix0, prefix1, ... up to prefix9, ending at the first
    // name missing; then SizeToContent. False when loading failed.
    virtual bool LoadBitmaps(const char* prefix);
    virtual bool LoadBitmaps(uint32_t firstId);
    virtual MCBitmap* GetBitmap(int index) const;
    // The logical size of bitmap index; false past the end or for an empty slot.
    virtual bool GetBitmapInfo(int index, QSize& size) const;
    virtual void SizeToContent();
    // index -1 appends.
    virtual void AddBitmap(std::unique_ptr<MCBitmap> bitmap, int index = -1);
    // Removes the bitmap and its face; with destroy false the bitmap is handed back. Index -1
    // removes them all.
    virtual std::unique_ptr<MCBitmap> DeleteBitmap(int index, bool destroy);
    virtual void DeleteBitmaps(bool destroy);
    int GetStateCount() const override { return int(m_bitmaps.size()); }

    virtual plat::ui::ColorRef GetTransparentColor() const { return m_transparent; }
    virtual plat::ui::ColorRef SetTransparentColor(plat::ui::ColorRef color);
    virtual void SetDrawItemFunc(MCDrawItemFunc function) { m_factory = function; }
    virtual MCDrawItemFunc GetDrawItemFunc() const { return m_factory; }

    // The face of the state item.itemState: the factory's image, or one composed here.
    virtual std::optional<QImage> CreateImage(const MCDrawItem& item);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    virtual void DrawItem(QPainter& painter, const MCDrawItem& item);
    int LoadScale() const;

private:
    std::optional<QImage> composeImage(int index) const;
    void dropFaces();
    // Loads the bitmaps again when the button's screen now has another pixel ratio.
    void followScreenRatio();

    plat::ui::ColorRef m_transparent = kNoColor;
    std::vector<std::unique_ptr<MCBitmap>> m_bitmaps;
    std::vector<std::optional<QImage>> m_images;
    MCDrawItemFunc m_factory;
    // The factory's image size, drawn over the button (empty: drawn as it is).
    QSize m_factoryExtent;
    // Where the bitmaps came from (a name prefix or a first id) and the scale they were
    // loaded at; 0: added by the owner, kept as they are.
    std::string m_loadedPrefix;
    uint32_t m_loadedFirstId = 0;
    int m_loadedScale = 0;
};
