// Private profile reading: sections and keys in any letter case, the default
// for whatever is missing, the size limit, and bare names found in the
// "SystemRoot" folder.
#include <gtest/gtest.h>

#include <string>

#include "platform/environment.h"
#include "platform/private_profile.h"
#include "support/temp_file.h"

namespace {

std::string read(const char* section, const char* key, const char* file, size_t size = 256) {
    std::string buffer(size, 'x');
    if (!plat::read_profile_string(section, key, "fallback", buffer.data(), size, file)) {
        return "<too long>";
    }
    return buffer.c_str();
}

TEST(PrivateProfile, FindsValuesAndFallsBackToTheDefault) {
    temp_file ini("profile.ini");
    ini.write_text(
        "; comment\r\n[First]\r\nModule = one.dll \r\nEmpty=\r\n[AcqDevice1]\n"
        "  MODULE=two.dll\nmodule=three.dll\nnot a pair\n[Other]\nModule=four.dll");
    EXPECT_EQ(read("first", "MODULE", ini.c_str()), "one.dll");
    EXPECT_EQ(read("ACQDEVICE1", "module", ini.c_str()), "two.dll");
    EXPECT_EQ(read("Other", "Module", ini.c_str()), "four.dll");
    EXPECT_EQ(read("First", "Empty", ini.c_str()), "");
    EXPECT_EQ(read("First", "Missing", ini.c_str()), "fallback");
    EXPECT_EQ(read("Missing", "Module", ini.c_str()), "fallback");
    const std::string missing = ini.str() + ".none";
    EXPECT_EQ(read("First", "Module", missing.c_str()), "fallback");
}

TEST(PrivateProfile, RefusesValuesThatDoNotFit) {
    temp_file ini("limits.ini");
    ini.write_text("[S]\nKey=12345\n");
    EXPECT_EQ(read("S", "Key", ini.c_str(), 6), "12345");
    EXPECT_EQ(read("S", "Key", ini.c_str(), 5), "<too long>");
    EXPECT_EQ(read("S", "Missing", ini.c_str(), 8), "<too long>");  // the default too
    char buffer[4] = "abc";
    EXPECT_FALSE(plat::read_profile_string("S", "Key", "", buffer, 0, ini.c_str()));
    EXPECT_FALSE(plat::read_profile_string("S", "Key", "", nullptr, 4, ini.c_str()));
}

TEST(PrivateProfile, BareNamesAreLookedUpInTheSystemFolder) {
    temp_file ini("bare.ini");
    ini.write_text("[S]\nKey=found\n");
    const std::string folder = ini.path.parent_path().string();
    const char* saved = plat::get_environment("SystemRoot");
    const std::string kept = saved != nullptr ? saved : "";
    plat::set_environment("SystemRoot", folder.c_str());
    EXPECT_EQ(read("S", "Key", "bare.ini"), "found");
    plat::set_environment("SystemRoot", nullptr);
    EXPECT_EQ(read("S", "Key", "bare.ini"), "fallback");
    plat::set_environment("SystemRoot", saved != nullptr ? kept.c_str() : nullptr);
}

}  // namespace
