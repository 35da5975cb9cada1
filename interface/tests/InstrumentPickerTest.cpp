#include "interface/tests/WidgetTestSupport.h"

#include "interface/pickers/MCInstrumentBox.h"
#include "interface/pickers/MCInstrumentFiles.h"
#include "interface/pickers/MCInstrumentList.h"
#include "platform/core/UserPrompt.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class InstrumentPickerTest : public testing::Test {
protected:
    widgettest::ProfileFolder folder;
    std::string instruments = folder.path() + "/Instruments";
    std::vector<std::string> prompts;
    plat::UserPrompt::ScopedHook hook{[this](const plat::UserPrompt::Message& message) {
        prompts.push_back(message.text);
        return plat::UserPrompt::Answer::ok;
    }};

    void SetUp() override { std::filesystem::create_directory(instruments); }
    void write(const std::string& name, const std::string& text)
    {
        std::ofstream(instruments + "/" + name, std::ios::binary) << text;
    }
};

TEST_F(InstrumentPickerTest, BoxAndListShowTheNamedDefinitions)
{
    write("a.INI", "[Info]\nName=Synth Module\n");
    write("b.ini", "[Info]\nName=Synth\n");
    write("c.INI", "[Info]\nType=NoBank\n");
    write("d.INI", "[Info]\nName=Synth\n");
    write("notes.txt", "[Info]\nName=Not A Definition\n");
    std::filesystem::create_directory(instruments + "/folder.INI");
    MCInstrumentBox box;
    MCInstrumentList list;
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(box.LoadInstruments(instruments));
        EXPECT_TRUE(list.LoadInstruments(instruments));
    }
    ASSERT_EQ(box.count(), 3);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(box.itemText(0), "Synth Module");
    EXPECT_EQ(list.GetSelectedInstrument(), "");
    EXPECT_EQ(list.GetSelectedInstrumentFile(), "");
    // A whole name wins over a longer one that comes first; a prefix selects the first entry
    // that begins with it.
    box.SetSelectedInstrument("synth");
    EXPECT_EQ(box.GetSelectedInstrument(), "Synth");
    box.SetSelectedInstrument("synth m");
    EXPECT_EQ(box.GetSelectedInstrument(), "Synth Module");
    list.SetSelectedInstrument("SYNTH");
    EXPECT_EQ(list.GetSelectedInstrument(), "Synth");
    EXPECT_EQ(list.currentRow(), 1);
    list.SetSelectedInstrument("Syn");
    EXPECT_EQ(list.GetSelectedInstrument(), "Synth Module");
    box.SetSelectedInstrument("Organ");
    EXPECT_EQ(box.GetSelectedInstrument(), "Synth Module");
    list.SetSelectedInstrument("Synth");
    list.setCurrentRow(1);
    EXPECT_EQ(list.GetSelectedInstrumentFile(), instruments + "/b.ini");
    EXPECT_TRUE(prompts.empty());
}

TEST_F(InstrumentPickerTest, AnEmptyFolderIsToldAndADamagedFileNamesItsLine)
{
    MCInstrumentList list;
    EXPECT_FALSE(list.LoadInstruments(instruments));
    EXPECT_FALSE(list.LoadInstruments(instruments + "/missing"));
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0], "No instrument definition files were found!\n");

    write("unnamed.INI", "[Info]\n");
    prompts.clear();
    EXPECT_TRUE(list.LoadInstruments(instruments));
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(prompts.empty());

    write("broken.INI", "[Info]\nName=Broken\n[Groups\n1=Piano\n");
    write("binary.INI", std::string("[Info]\nName=Bin\n\x01\x02\0\x03", 20));
    write("good.INI", "; fine\n[Info]\r\nName = Good \r\n\n[Groups]\n1=Keys\n");
    EXPECT_TRUE(list.LoadInstruments(instruments));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.item(0)->text(), "Good");
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0], "The instrument definition \"binary.INI\", line 3: the line holds binary data. It is not listed.");
    EXPECT_EQ(prompts[1],
              "The instrument definition \"broken.INI\", line 3: a section name is not closed. It is not listed.");
    EXPECT_EQ(MCInstrumentFiles::Check(instruments + "/good.INI"), std::nullopt);
    EXPECT_EQ(MCInstrumentFiles::NameOf(instruments + "/good.INI"), "Good");
}

TEST_F(InstrumentPickerTest, OurOwnDefinitionsAreListed)
{
    MCInstrumentBox box;
    EXPECT_TRUE(box.LoadInstruments());
    EXPECT_GE(box.findText("General Midi"), 0);
    EXPECT_GE(box.findText("General Midi Drums"), 0);
    EXPECT_TRUE(prompts.empty());
}

}  // namespace
