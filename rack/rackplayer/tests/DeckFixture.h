#pragma once

#include "rack/outside/plinthstore/tests/StoreTestFiles.h"
#include "rack/plinthart/tests/RackTestEnvironment.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/RackStartup.h"
#include "rack/rackplayer/RackState.h"
#include "rack/rackplayer/tests/RackFixture.h"

#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/tests/support/LayoutCheck.h"
#include "platform/ui/rackwindow/WindowMessage.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace rack::test {

// A started rack and one of its decks, driven by its commands, with a scratch folder for the
// files a test makes when the test asks for one.
class DeckFixture : public RackFixture {
protected:
    void TearDown() override
    {
        stopRack();
        if (!m_folder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_folder, ignored);
        }
        RackFixture::TearDown();
    }

    // A fresh folder under the temporary folder, its name starting with prefix.
    void makeFolder(const std::string& prefix)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }

    // The file name in the scratch folder, written with bytes; its path.
    std::string writeFile(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        const std::string path = m_folder + "/" + name;
        test::writeFile(path, bytes);
        return path;
    }

    // Starts the rack and takes the deck the state holds in that member.
    void startRack(plat::ui::Window* RackState::*deck)
    {
        ASSERT_EQ(rack_Startup("", "/opt/rack/rackplayer"), 1);
        m_started = true;
        deliver();
        m_deck = rackState().*deck;
        ASSERT_NE(m_deck, nullptr);
    }

    // Closes the frame and shuts the rack down, once.
    void stopRack()
    {
        if (!m_started)
            return;
        m_started = false;
        if (plat::ui::Window::isWindow(rackState().frame))
            rackState().frame->send(plat::ui::kCloseMessage);
        deliver();
        rack_Shutdown();
    }

    void command(uint32_t id, intptr_t code = kNotifyClick)
    {
        m_deck->send(plat::ui::kCommandMessage, id, code);
        deliver();
    }

    // The deck as it shows now, saved as the screenshot name.
    QImage screenshot(const std::string& name)
    {
        m_deck->update();
        QImage image = m_deck->widget()->grab().toImage();
        saveScreenshot(image, name);
        EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(*m_deck->widget())) << name;
        return image;
    }

    // What a deck playing a piece shows, at any pixel ratio: the whole deck; the piece's name
    // in the name field, from its left, and its length beside it; a lit track number; and a time
    // that moved on from the one the deck showed before it played (idle).
    static void expectShowsPlaying(const QImage& image, const QImage& idle)
    {
        using plat::ui::test::LayoutCheck;
        EXPECT_EQ(image.deviceIndependentSize().toSize(), QSize(633, kDeckHeight));
        const QRgb black = qRgb(0, 0, 0);
        const QRect nameRoom(kDeckNameField.topLeft(), QSize(kDeckNameWidth, kDeckNameField.height()));
        const QRect name = LayoutCheck::inkBounds(image, nameRoom, black);
        EXPECT_FALSE(name.isEmpty()) << "no name";
        EXPECT_LE(name.left(), kDeckNameField.left() + 2);
        EXPECT_FALSE(LayoutCheck::inkBounds(image, QRect(kDeckLengthLeft, kDeckNameField.top(),
                                                         kDeckNameField.right() - kDeckLengthLeft, kDeckNameField.height()),
                                            black)
                         .isEmpty())
            << "no length";
        const qreal ratio = image.devicePixelRatio();
        auto lit = [&](const QRect& area) {
            int count = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    const QColor colour = image.pixelColor(QPoint(x, y) * ratio);
                    count += colour.green() > 150 && colour.blue() > 150 && colour.red() < 120;
                }
            return count;
        };
        const QRect index(kDeckIndexLeft, kDeckDigitsTop, kDeckTimeLeft - kDeckIndexLeft, 20);
        const QRect time(kDeckTimeLeft, kDeckDigitsTop, 633 - kDeckTimeLeft - 60, 20);
        EXPECT_GT(lit(index), 0) << "no track number";
        EXPECT_GT(lit(time), 0) << "no time";
        const QRect pixels(time.topLeft() * ratio, time.size() * ratio);
        EXPECT_NE(image.copy(pixels), idle.copy(pixels)) << "the time stood still";
    }

    std::string m_folder;
    plat::ui::Window* m_deck = nullptr;

private:
    bool m_started = false;
};

}  // namespace rack::test
