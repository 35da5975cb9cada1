#pragma once

#include <QMdiArea>

#include <memory>

class MCBitmap;
class QMenu;

// The area behind the document windows: tiled with a background picture from a resource
// library (Backdrape by default; library and picture are settings), with the Tools menu as
// its context menu.
class CClientWnd : public QMdiArea {
public:
    explicit CClientWnd(QWidget* parent = nullptr);
    ~CClientWnd() override;

    // (Re)loads the picture from the settings and repaints at once.
    void LoadBackground();
    // The picture, or null when there is none.
    const MCBitmap* Background() const { return m_bitmap.get(); }
    bool IsLoaded() const { return (m_flags & 1) != 0; }
    // The Tools popup of the main window's menu bar, or null.
    QMenu* ToolsMenu() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void LoadPicture();

    uint8_t m_flags = 0;
    int m_imageId = -1;
    std::unique_ptr<MCBitmap> m_bitmap;
};
