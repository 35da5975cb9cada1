#pragma once

#include "mixer/MixerExport.h"

#include <QAbstractScrollArea>
#include <QSize>

#include <vector>

class CTrackStrip;
class MCOpusDoc;
class SCTrack;

// The window of the mixer that holds the strips side by side, strip n - 1 for track n, and
// scrolls them sideways. Its scroll bar counts 0 to 32767 over the whole width of the strips;
// it stays visible, and is disabled while everything shows. It passes the track states that
// come back from the sequence to the strips of their tracks; a click beside the strips clears
// the selection.
class MIXER_API CTrackList : public QAbstractScrollArea {
public:
    static constexpr int kScrollMax = 32767;
    static constexpr int kPageStrips = 5;

    // The bar's page and position for a scroll position x over the strips' width, with the
    // given client width.
    struct ScrollInfo {
        int page = 0;
        int position = 0;
    };
    static ScrollInfo ScrollInfoFor(int x, int extentWidth, int clientWidth);
    // The scroll position of a thumb position; 0 when the range is empty.
    static int ThumbToX(int position, int extentWidth);

    explicit CTrackList(QWidget* parent = nullptr);
    ~CTrackList() override;

    // The layout mode (0 mini, 1 normal, 2 full) of the strips made from now on; the mixer
    // sets its own.
    void SetStripMode(int mode) { m_stripMode = mode; }
    int GetStripMode() const { return m_stripMode; }
    // Scrolls to the origin, then appends strips of the layout mode, or destroys them from the
    // end, until there are n, and places them.
    void SetTrackCount(int n);
    void RemoveAllStrips();
    int GetStripCount() const { return int(m_strips.size()); }
    // The strip of index (track - 1), or null.
    CTrackStrip* GetStrip(int index) const;
    const std::vector<CTrackStrip*>& Strips() const { return m_strips; }

    // Each strip is selected exactly when its track is a staff of the document's selection.
    void UpdateSelection(MCOpusDoc* doc);
    void UpdateScrollRange();
    // Scrolls so that x of the strips is at the left edge, held to what can scroll.
    void ScrollTo(int x, int y);
    QPoint GetScrollPosition() const { return m_position; }
    QSize GetExtent() const { return m_extent; }
    int GetLineStep() const { return m_lineStep; }
    int GetPageStep() const { return m_pageStep; }

    // A track state (3400 to 3411) of a staff, shown on the strips it names.
    void OnTrackUpdate(long code, SCTrack* state);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // A scroll bar action: lines and pages of strips, the ends, the thumb.
    void OnHScroll(int action);
    void PlaceStrips();
    int ClientWidth() const;
    // The strip of a track number, or null when it is none of the list's.
    CTrackStrip* StripOfTrack(int track) const;

    std::vector<CTrackStrip*> m_strips;
    QPoint m_position;
    QSize m_extent;
    int m_lineStep = 0;
    int m_pageStep = 0;
    int m_stripMode = 1;
    bool m_settingBar = false;
};
