#include "platform/core/UserPrompt.h"

#include "platform/core/Trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace plat {
namespace {

using Answer = UserPrompt::Answer;
using Buttons = UserPrompt::Buttons;

UserPrompt::Message message(Buttons buttons, std::optional<Answer> defaultAnswer)
{
    return {"Quavix", "Save changes?", buttons, UserPrompt::Icon::question, defaultAnswer};
}

TEST(UserPromptTest, DefaultAnswerIsAlwaysOneOfTheButtons)
{
    struct Case {
        Buttons buttons;
        std::optional<Answer> asked;
        Answer given;
    };
    const Case cases[] = {
        {Buttons::ok, std::nullopt, Answer::ok},
        {Buttons::okCancel, Answer::cancel, Answer::cancel},
        {Buttons::yesNoCancel, std::nullopt, Answer::yes},
        {Buttons::yesNoCancel, Answer::no, Answer::no},
        {Buttons::yesNo, Answer::ok, Answer::yes},
        {Buttons::abortRetryIgnore, Answer::ignore, Answer::ignore},
        {Buttons::retryCancel, Answer::yes, Answer::retry},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.buttons) << " "
                                        << (c.asked ? static_cast<int>(*c.asked) : 0));
        EXPECT_EQ(UserPrompt::defaultAnswer(message(c.buttons, c.asked)), c.given);
        EXPECT_EQ(UserPrompt::ask(message(c.buttons, c.asked)), c.given);
    }
}

TEST(UserPromptTest, WithoutHookTheMessageIsTraced)
{
    std::vector<std::string> lines;
    const TraceSink previous = setTraceSink([&lines](std::string_view line) { lines.emplace_back(line); });
    const Answer answer = UserPrompt::ask(message(Buttons::yesNo, Answer::no));
    setTraceSink(previous);
    EXPECT_EQ(answer, Answer::no);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Quavix"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("Save changes?"), std::string::npos) << lines[0];
}

TEST(UserPromptTest, ScriptedHooksNestAndRestore)
{
    std::vector<UserPrompt::Message> shown;
    {
        const UserPrompt::ScopedHook outer([&shown](const UserPrompt::Message& m) {
            shown.push_back(m);
            return Answer::cancel;
        });
        EXPECT_EQ(UserPrompt::ask(message(Buttons::yesNoCancel, Answer::yes)), Answer::cancel);
        {
            const UserPrompt::ScopedHook inner([](const UserPrompt::Message&) { return Answer::retry; });
            EXPECT_EQ(UserPrompt::ask(message(Buttons::retryCancel, std::nullopt)), Answer::retry);
        }
        // An answer the message did not offer becomes its default.
        EXPECT_EQ(UserPrompt::ask(message(Buttons::yesNo, Answer::no)), Answer::no);
    }
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, "Quavix");
    EXPECT_EQ(shown[0].text, "Save changes?");
    EXPECT_EQ(shown[0].buttons, Buttons::yesNoCancel);
    EXPECT_EQ(shown[0].icon, UserPrompt::Icon::question);
    EXPECT_EQ(shown[0].defaultAnswer, Answer::yes);

    // With every guard gone, no hook is left.
    EXPECT_EQ(UserPrompt::ask(message(Buttons::okCancel, Answer::cancel)), Answer::cancel);
    EXPECT_FALSE(UserPrompt::setHook({}));
}

}  // namespace
}  // namespace plat
