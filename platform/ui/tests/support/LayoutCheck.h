#pragma once

// The layout check every window test runs on what it shows: no two visible sibling controls
// overlap, nothing lies outside its parent, and every text a user reads (labels, buttons, check
// boxes, group box titles, column headers, cells of fixed columns, the window's title) fits its
// room at the font in use. It lives under the platform's UI layer so that the tests of the program,
// of the Interface and of the rack (which share no code above the platform) all link it.

#include <QImage>
#include <QRect>
#include <QRgb>

#include <gtest/gtest.h>

#include <string>
#include <vector>

class QWidget;

namespace plat::ui::test {

class LayoutCheck {
public:
    // One line for each fault of the window of widget, the window laid out and shown first
    // (and hidden again when it was hidden); empty when the layout holds.
    static std::vector<std::string> faults(QWidget& widget);

    // faults() as a GoogleTest result: EXPECT_TRUE(LayoutCheck::fits(dialog)).
    static testing::AssertionResult fits(QWidget& widget);

    // How many pixels of area in image differ from background by more than a little: how much
    // was drawn there. area is in logical pixels; the image may have any device pixel ratio.
    static int inkIn(const QImage& image, const QRect& area, QRgb background);

    // The smallest rectangle (logical pixels) holding every pixel of area that differs from
    // background: where the drawing lies. Empty when nothing was drawn there.
    static QRect inkBounds(const QImage& image, const QRect& area, QRgb background);
};

}  // namespace plat::ui::test
