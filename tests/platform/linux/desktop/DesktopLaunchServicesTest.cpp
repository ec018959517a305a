// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Launching through GIO. Which ids and addresses pass the checks is DesktopLaunchArgumentsTest's;
// these cases show what is started for them.

#include "platform/linux/desktop/DesktopLaunchServices.h"

#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <glib.h>

namespace kavora::test {
namespace {

using ::testing::ElementsAre;
using Launch = std::pair<std::string, std::vector<std::string>>;

namespace fs = std::filesystem;

// Installed applications of the test's own: every Exec is a script that records its arguments,
// one per line, in records/<name>.<pid>. The default browser is org.example.Browser; Chrome is
// installed under its Flatpak id, Safari is not installed at all.
class DesktopLaunchServicesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        auto& session = PrivateSession::instance();
        session.application();
        const fs::path recorder = session.root() / "record.sh";
        writeProgram(recorder,
                     "#!/bin/sh\n"
                     "dir=\"$(dirname \"$0\")/records\"; name=\"$1\"; shift\n"
                     "for argument in \"$@\"; do printf '%s\\n' \"$argument\"; done "
                     "> \"$dir/.$name.$$\"\n"
                     "mv \"$dir/.$name.$$\" \"$dir/$name.$$\"\n");
        const auto entry
            = [&](const std::string& id, const std::string& exec, const std::string& extra = "") {
                  writeDesktopEntry(session.dataHome() / "applications" / (id + ".desktop"), id,
                                    extra, recorder.string() + " " + exec);
              };
        entry("org.example.Browser", "browser %u",
              "MimeType=x-scheme-handler/http;x-scheme-handler/https;\n");
        entry("com.google.Chrome", "chrome %u", "MimeType=x-scheme-handler/https;\n");
        entry("org.example.Viewer", "viewer");
        entry("org.example.Hidden", "hidden", "Hidden=true\n");
        entry("org.example.FileManager", "files", "MimeType=inode/directory;\n");
        std::ofstream(session.configHome() / "mimeapps.list")
            << "[Default Applications]\n"
               "x-scheme-handler/http=org.example.Browser.desktop\n"
               "x-scheme-handler/https=org.example.Browser.desktop\n"
               "inode/directory=org.example.FileManager.desktop\n";
    }

    void SetUp() override
    {
        ASSERT_EQ(fs::path(g_get_user_data_dir()), PrivateSession::instance().dataHome())
            << "GLib read its folders before the session existed";
        clearRecords();
    }

    static void clearRecords()
    {
        std::error_code error;
        fs::remove_all(records(), error);
        fs::create_directories(records());
    }

    static fs::path records() { return PrivateSession::instance().root() / "records"; }

    // The launches recorded, once that many have come (GIO spawns without waiting).
    static std::vector<Launch> awaitLaunches(std::size_t count)
    {
        std::vector<Launch> launches;
        pollUntil([&] {
            launches.clear();
            for (const auto& file : fs::directory_iterator(records())) {
                const std::string name = file.path().filename().string();
                if (name.starts_with("."))
                    continue;
                std::ifstream in(file.path());
                std::vector<std::string> arguments;
                for (std::string line; std::getline(in, line);)
                    arguments.push_back(line);
                launches.emplace_back(name.substr(0, name.find('.')), arguments);
            }
            return launches.size() >= count;
        });
        return launches;
    }

    DesktopLaunchServices services_;
};

TEST_F(DesktopLaunchServicesTest, OpensWebAddressesInTheChosenOrTheDefaultBrowser)
{
    // What it shows; the address; the browser asked for; the program that opens it.
    // clang-format off
    const std::tuple<const char*, std::string, std::optional<std::string>, std::string> rows[] = {
        { "no browser: the default, the address as one argument", "https://例え.jp/検索?q=a b&x=1;$(id)", std::nullopt, "browser" },
        { "an empty browser id: the default", "http://example.org/", "", "browser" },
        { "Chrome: the installed Chrome", "https://example.org/chrome", "com.google.Chrome", "chrome" },
        { "Safari, not installed: the default", "https://example.org/safari", "com.apple.Safari", "browser" },
        { "an id that is an option: the default", "https://example.org/", "--browser=/bin/sh", "browser" },
        { "an installed entry that opens no web address: the default", "https://example.org/v", "org.example.Viewer", "browser" },
        { "a handler of other types only: the default", "http://example.org/f", "org.example.FileManager", "browser" },
    };
    // clang-format on
    for (const auto& [shows, url, browser, opener] : rows) {
        SCOPED_TRACE(shows);
        clearRecords();
        services_.openURL(url, browser);
        EXPECT_THAT(awaitLaunches(1), ElementsAre(Launch { opener, { url } }));
    }
}

TEST_F(DesktopLaunchServicesTest, OnlyWhatPassesTheChecksIsStarted)
{
    // Each refused one would be recorded before the launch made last.
    for (const auto* browser : { static_cast<const char*>(nullptr), "com.google.Chrome" })
        services_.openURL("file:///etc/passwd",
                          browser ? std::optional<std::string>(browser) : std::nullopt);
    for (const char* id : { "--help", "org.example.Hidden", "org.example.Missing" })
        services_.openApplication(id);
    services_.openApplication("org.example.Viewer.desktop");
    EXPECT_THAT(awaitLaunches(1), ElementsAre(Launch { "viewer", {} }));
}

TEST_F(DesktopLaunchServicesTest, FinderIsTheApplicationThatOpensFolders)
{
    services_.openApplication("com.apple.finder");
    EXPECT_THAT(awaitLaunches(1), ElementsAre(Launch { "files", {} }));
}

TEST_F(DesktopLaunchServicesTest, ARunningApplicationIsActivatedInsteadOfLaunched)
{
    std::vector<std::string> asked;
    DesktopLaunchServices services({}, [&](const std::string& id) {
        asked.push_back(id);
        return id == "org.example.Browser";
    });
    services.openApplication("org.example.Browser"); // running: brought forward
    services.openApplication("-x"); // fails the checks: not even asked
    services.openApplication("org.example.Viewer.desktop"); // not running: launched
    EXPECT_THAT(awaitLaunches(1), ElementsAre(Launch { "viewer", {} }));
    EXPECT_THAT(asked, ElementsAre("org.example.Browser", "org.example.Viewer"));
}

} // namespace
} // namespace kavora::test
