// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "model/TPathText.h"

namespace {

TEST(TPathText, JoinsWithExactlyOneSeparator)
{
    struct Case {
        const char* Folder;
        const char* Name;
        const char* Path;
    };
    const Case cases[] = {
        {"/data", "a.txt", "/data/a.txt"},
        {"/data/", "a.txt", "/data/a.txt"},
        {"/", "a.txt", "/a.txt"},
        {"", "a.txt", "a.txt"},
        {"rel/dir", "x y.c", "rel/dir/x y.c"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TPathText::Join(c.Folder, c.Name), c.Path) << c.Folder << " + " << c.Name;
}

} // namespace
