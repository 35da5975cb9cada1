#include "app/tests/AppTestSupport.h"

#include "app/frame/CMainStatusBar.h"
#include "interface/core/MCProgress.h"
#include "interface/midifile/MCMidiFormats.h"

#include <QProgressBar>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

class StatusProgressTest : public apptest::FrameTest {
protected:
    QProgressBar* Progress() { return m_frame->StatusBar()->Progress(); }
};

// A position set by the senders' own call moves the bar to that position, within the range.
TEST_F(StatusProgressTest, ASetPositionMovesTheBar)
{
    MCProgressBegin("Reading", 100, 200);
    EXPECT_EQ(Progress()->value(), 100);
    MCProgressSet(150);
    EXPECT_EQ(Progress()->value(), 150);
    MCProgressSet(180);
    EXPECT_EQ(Progress()->value(), 180);
    MCProgressSet(500);
    EXPECT_EQ(Progress()->value(), 200) << "a position past the end shows the end";
    MCProgressSet(20);
    EXPECT_EQ(Progress()->value(), 100) << "a position before the start shows the start";
    MCProgressEnd();
    EXPECT_TRUE(Progress()->isHidden());
}

// Reading a MIDI file of several tracks shows its progress moving through the file.
TEST_F(StatusProgressTest, AMidiImportMovesTheBar)
{
    MCMidiFormats::Install();
    const std::vector<uint8_t> track = {0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 4, 0x01, 0xE0};
    for (int i = 0; i < 4; ++i) {
        const std::vector<uint8_t> chunk = {'M', 'T', 'r', 'k', 0, 0, 0, static_cast<uint8_t>(track.size())};
        file.insert(file.end(), chunk.begin(), chunk.end());
        file.insert(file.end(), track.begin(), track.end());
    }
    const std::string path = File("four tracks.mid");
    documenttest::writeFile(path, file);

    QSignalSpy values(Progress(), &QProgressBar::valueChanged);
    MCOpusDoc* doc = m_template->OpenDocumentFile(path);
    ASSERT_NE(doc, nullptr) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts()[0]);
    std::vector<int> shown;
    for (const QList<QVariant>& change : values)
        shown.push_back(change.at(0).toInt());
    ASSERT_FALSE(shown.empty());
    int moves = 0;
    for (size_t i = 1; i < shown.size(); ++i) {
        EXPECT_GE(shown[i], shown[i - 1]) << "the bar never goes back during one import";
        moves += shown[i] > shown[i - 1] ? 1 : 0;
    }
    EXPECT_GE(moves, 3) << "the bar moves with every track read";
    EXPECT_GT(shown.back(), 0);
}

}  // namespace
