// A host program's locale unlike "C" in the ways the library must ignore: a
// decimal comma and Turkish letter case (toupper('i') is not 'I'), set with
// setlocale for the life of the object, as a host program would set it, and
// "C" again afterwards. A system without such a locale gets one built by
// localedef into a scratch folder that LOCPATH names; CI installs the locale
// sources it needs.
//
//   const host_locale locale;
//   REQUIRE_HOST_LOCALE(locale);
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "platform/platform.h"

class host_locale {
  public:
    host_locale() {
        if (try_set()) return;
#if !defined(_WIN32)
        build_and_set();
#endif
    }
    ~host_locale() {
        std::setlocale(LC_ALL, "C");
        if (!locale_path_.empty()) {
            plat::set_environment("LOCPATH", had_locpath_ ? saved_locpath_.c_str() : nullptr);
            std::error_code ignored;
            std::filesystem::remove_all(locale_path_, ignored);
        }
    }
    host_locale(const host_locale&) = delete;
    host_locale& operator=(const host_locale&) = delete;

    // Whether a locale with a decimal comma is in force.
    bool active() const {
        return active_;
    }
    // Whether it also upper-cases 'i' to something other than 'I'.
    bool turkish_case() const {
        return active_ && std::toupper('i') != 'I';
    }
    const std::string& problem() const {
        return problem_;
    }

    // POSIX systems can always build the locale (CI installs its sources),
    // so a failure there fails the test; a Windows system may lack it.
#if defined(_WIN32)
    static constexpr bool kRequired = false;
#else
    static constexpr bool kRequired = true;
#endif

  private:
#if defined(_WIN32)
    static constexpr const char* kNames[] = {"Turkish_Turkey.1254", "tr-TR", "German_Germany.1252"};
#else
    static constexpr const char* kNames[] = {"tr_TR.ISO-8859-9", "tr_TR.iso88599"};
#endif
    static constexpr const char* kBuiltName = "tr_TR.ISO-8859-9";

    bool try_set() {
        for (const char* name : kNames) {
            if (std::setlocale(LC_ALL, name) == nullptr) continue;
            if (std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
                active_ = true;
                return true;
            }
        }
        std::setlocale(LC_ALL, "C");
        problem_ = "no locale with a decimal comma is installed";
        return false;
    }

    void build_and_set() {
        const char* localedef = nullptr;
        for (const char* candidate :
             {"/usr/bin/localedef", "/usr/sbin/localedef", "/bin/localedef"}) {
            if (plat::is_regular_file(candidate)) localedef = candidate;
        }
        if (localedef == nullptr) {
            problem_ += ", and localedef is missing";
            return;
        }
        locale_path_ = std::filesystem::temp_directory_path() /
                       ("gridtext-locale-" + std::to_string(std::random_device{}()));
        std::error_code error;
        std::filesystem::create_directories(locale_path_, error);
        plat::process_result result;
        // -c: warnings about the locale's sources do not stop the build.
        const bool ran = plat::run_process({localedef, "-c", "-i", "tr_TR", "-f", "ISO-8859-9",
                                            (locale_path_ / kBuiltName).string()},
                                           &result);
        if (!ran || !std::filesystem::exists(locale_path_ / kBuiltName / "LC_NUMERIC")) {
            problem_ += ", and localedef could not build " + std::string(kBuiltName) +
                        " (the locales package holds its sources): " + result.err;
            return;
        }
        const char* locpath = plat::get_environment("LOCPATH");
        had_locpath_ = locpath != nullptr;
        if (had_locpath_) saved_locpath_ = locpath;
        plat::set_environment("LOCPATH", locale_path_.string().c_str());
        if (std::setlocale(LC_ALL, kBuiltName) == nullptr ||
            std::strcmp(std::localeconv()->decimal_point, ",") != 0) {
            std::setlocale(LC_ALL, "C");
            problem_ += ", and the locale built by localedef could not be set";
            return;
        }
        active_ = true;
    }

    bool active_ = false;
    std::string problem_;
    std::filesystem::path locale_path_;
    bool had_locpath_ = false;
    std::string saved_locpath_;
};

// Ends the test when the locale is not in force: a failure where it can
// always be had, a skip elsewhere.
#define REQUIRE_HOST_LOCALE(locale)                                   \
    do {                                                              \
        if (!(locale).active()) {                                     \
            if (host_locale::kRequired) FAIL() << (locale).problem(); \
            GTEST_SKIP() << (locale).problem();                       \
        }                                                             \
    } while (false)
