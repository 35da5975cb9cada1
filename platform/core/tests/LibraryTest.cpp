#include "platform/core/Library.h"

#include <gtest/gtest.h>

#include <utility>

namespace plat {
namespace {

// The C library's math part is on every system and already in the process.
constexpr const char* kMath = "libm.so.6";
// A system library that nothing in this program links, so loading it is observable.
constexpr const char* kUnlinked = "libanl.so.1";

TEST(LibraryTest, LoadsAndFindsSymbols)
{
    Library math(kMath);
    ASSERT_TRUE(math.isLoaded()) << math.error();
    EXPECT_EQ(math.error(), "");
    const auto cosine = math.function<double (*)(double)>("cos");
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);

    EXPECT_EQ(math.symbol("no_such_symbol_here"), nullptr);
    EXPECT_NE(math.error().find("no_such_symbol_here"), std::string::npos) << math.error();
    EXPECT_NE(math.symbol("sin"), nullptr);
    EXPECT_EQ(math.error(), "");
}

TEST(LibraryTest, FailuresTellWhy)
{
    Library missing("/nonexistent/folder/libplugin.so");
    EXPECT_FALSE(missing.isLoaded());
    EXPECT_NE(missing.error().find("/nonexistent/folder/libplugin.so"), std::string::npos)
        << missing.error();
    EXPECT_EQ(missing.symbol("anything"), nullptr);
    EXPECT_FALSE(missing.error().empty());

    Library empty;
    EXPECT_FALSE(empty.load(""));
    EXPECT_FALSE(empty.error().empty());

    // A file that is not a shared library.
    Library notElf("/proc/self/status");
    EXPECT_FALSE(notElf.isLoaded());
    EXPECT_FALSE(notElf.error().empty());
}

TEST(LibraryTest, OwnerUnloadsAndMovesOwnership)
{
    if (Library::isInProcess(kUnlinked))
        GTEST_SKIP() << kUnlinked << " is linked into this program";
    {
        Library first(kUnlinked);
        ASSERT_TRUE(first.isLoaded()) << first.error();
        EXPECT_TRUE(Library::isInProcess(kUnlinked));

        Library second(std::move(first));
        EXPECT_FALSE(first.isLoaded());
        EXPECT_TRUE(second.isLoaded());

        Library third;
        third = std::move(second);
        EXPECT_TRUE(third.isLoaded());
        EXPECT_TRUE(Library::isInProcess(kUnlinked));

        // Loading another library in its place gives the first one back.
        ASSERT_TRUE(third.load(kMath));
        EXPECT_FALSE(Library::isInProcess(kUnlinked));
        ASSERT_TRUE(third.load(kUnlinked));
    }
    EXPECT_FALSE(Library::isInProcess(kUnlinked));
}

}  // namespace
}  // namespace plat
