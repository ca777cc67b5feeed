// Absolute names follow the C locale whatever locale the host has set: a
// drive letter is one of the 26 ASCII letters, not any letter of the host's
// code page.
#include <gtest/gtest.h>

#include "platform/directories.h"
#include "support/host_locale.h"

namespace {

TEST(AbsolutePath, HostLocaleChangesNothing) {
    const host_locale locale;
    REQUIRE_HOST_LOCALE(locale);
#if defined(_WIN32)
    EXPECT_TRUE(plat::is_absolute_path("c:cal.1"));
    EXPECT_TRUE(plat::is_absolute_path("Z:\\cfg"));
    EXPECT_TRUE(plat::is_absolute_path("\\cfg"));
#else
    EXPECT_TRUE(plat::is_absolute_path("/cfg"));
    EXPECT_TRUE(plat::is_absolute_path("./cfg"));
#endif
    EXPECT_FALSE(plat::is_absolute_path("\xE9:cal.1"));  // a letter in Latin code pages only
    EXPECT_FALSE(plat::is_absolute_path("1:cal.1"));
    EXPECT_FALSE(plat::is_absolute_path("cal.1"));
}

}  // namespace
