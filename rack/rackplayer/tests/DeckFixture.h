#pragma once

#include "rack/outside/plinthstore/tests/StoreTestFiles.h"
#include "rack/plinthart/tests/RackTestEnvironment.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/RackStartup.h"
#include "rack/rackplayer/RackState.h"
#include "rack/rackplayer/tests/RackFixture.h"

#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/tests/support/LayoutCheck.h"
#include "platform/ui/rackwindow/WindowMessage.h"

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

    std::string m_folder;
    plat::ui::Window* m_deck = nullptr;

private:
    bool m_started = false;
};

}  // namespace rack::test
