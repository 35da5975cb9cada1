#pragma once

#include "preferences/PreferencesExport.h"

#include <QWidget>

#include <memory>

class MCBitmap;

// A small picture in a sunken frame: the preview of a background image on the workspace page
// and the side picture of the device wizard. Without a picture the inside shows the colour of
// the document area. A picture smaller than the inside is tiled, as the document area tiles a
// background; a larger one is scaled down to fit, keeping its proportions.
class PREFERENCES_API CMiniImage : public QWidget {
public:
    explicit CMiniImage(QWidget* parent = nullptr);
    ~CMiniImage() override;

    // Takes the place of the item id of parent; false when there is none.
    bool Attach(int id, QWidget* parent);
    // The image of id from the current resource module (none for a negative id or one the
    // module does not have); the control is drawn again at once.
    void SetImage(int id);
    const MCBitmap* GetBitmap() const { return m_bitmap.get(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<MCBitmap> m_bitmap;
};
