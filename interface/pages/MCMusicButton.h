#pragma once

#include "interface/InterfaceExport.h"

#include "interface/controls/MCButton.h"
#include "platform/core/Object.h"

class ECBase;

// A palette button standing for one music symbol: it holds the element it inserts (one counted
// reference) and a code. Its face comes from the palette's symbol drawing hook when one is
// installed, else from its bitmaps; pressed, it is sunk into the palette by a 2-pixel bevel.
class INTERFACE_API MCMusicButton : public MCButton, public plat::Object {
    PLAT_DECLARE_SERIAL(MCMusicButton)
public:
    static constexpr plat::ui::ColorRef kTransparentRed = 0x000000FF;
    static constexpr int kBevel = 2;

    explicit MCMusicButton(QWidget* parent = nullptr);
    ~MCMusicButton() override;

    // The hook through which the palette draws every music button's symbol (class-wide, so
    // named apart from a single button's own image factory).
    static void SetSymbolDrawItemFunc(MCDrawItemFunc function);
    static MCDrawItemFunc GetSymbolDrawItemFunc();

    // Takes the place of the dialog item id of parent and holds event; false when there is no
    // such item.
    virtual bool SubclassMusicButton(int id, QWidget* parent, ECBase* event);
    virtual ECBase* GetEvent() const { return m_pEvent; }
    virtual int GetEventCode() const { return m_nEventCode; }
    // Holds event (may be null) with code, releasing the element held before.
    virtual void SetEvent(ECBase* event, int code);
    // Three empty image slots.
    virtual void InitWindow();

    // Takes the item's place and loads the bitmap of id for both states; the user is told when
    // the images cannot be had.
    bool AutoLoad(int id, QWidget* parent) override;
    // The bitmap of id, once per state (pressed and released share one picture).
    bool LoadBitmaps(uint32_t id) override;
    using MCButton::LoadBitmaps;
    std::optional<QImage> CreateImage(const MCDrawItem& item) override;
    // The button's place and visibility, its state words, then its element (or none).
    void Serialize(plat::Archive& archive) override;

private:
    ECBase* m_pEvent = nullptr;
    int m_nEventCode = 0;
};
