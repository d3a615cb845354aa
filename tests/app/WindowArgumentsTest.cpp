// The window's command line: what "Open with" passes, and the options answered without a window.
#include <gtest/gtest.h>

#include "app/WindowArguments.h"

namespace {

using pv::WindowArguments;

TEST(WindowArguments, PathsOptionsAndTheirPrecedence) {
    using Action = WindowArguments::Action;
    const auto parse = [](const QStringList& list) { return pv::ParseWindowArguments(list); };

    EXPECT_EQ(parse({}).action, Action::Open);
    const WindowArguments open = parse({"/in/a.xlsx", "-", "--", "-odd.xlsx", "--help"});
    EXPECT_EQ(open.action, Action::Open);
    EXPECT_EQ(open.paths, (QStringList{"/in/a.xlsx", "-", "-odd.xlsx", "--help"}));

    EXPECT_EQ(parse({"a.xlsx", "-h"}).action, Action::Help);
    EXPECT_EQ(parse({"--bogus", "--version", "--help"}).action, Action::Help);
    EXPECT_EQ(parse({"--bogus", "--version"}).action, Action::Version);
    const WindowArguments bad = parse({"a.xlsx", "--bogus", "-x"});
    EXPECT_EQ(bad.action, Action::Usage);
    EXPECT_EQ(bad.error, "unknown option --bogus");
    EXPECT_TRUE(bad.paths.isEmpty());
}

}  // namespace
