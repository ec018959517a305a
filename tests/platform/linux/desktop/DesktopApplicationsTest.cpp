// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/DesktopApplications.h"

#include "platform/linux/desktop/DesktopDataFolders.h"
#include "support/DesktopEntry.h"
#include "support/TemporaryFolder.h"
#include "support/linux/Polling.h"
#include "support/linux/PrivateSession.h"
#include "support/linux/ScopedVariable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace kavora {
namespace {

using test::PrivateSession;
using test::ScopedVariable;
using test::writeDesktopEntry;
using test::writeProgram;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace fs = std::filesystem;

std::vector<std::string> idsOf(const std::vector<DesktopApplication>& applications)
{
    std::vector<std::string> ids;
    ids.reserve(applications.size());
    for (const auto& application : applications)
        ids.push_back(application.id);
    return ids;
}

// A user folder and a system folder, as XDG_DATA_HOME and XDG_DATA_DIRS would give them, with
// entries of every kind the desktop shows or hides.
class DesktopApplicationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PrivateSession::instance(); // before GLib reads the environment
        // GIO skips entries whose program is missing.
        writeProgram(program());
        writeDesktopEntry(user() / "org.example.Viewer.desktop", "User Viewer");
        writeDesktopEntry(user() / "org.example.Editor.desktop", "Editor",
                          "Name[ja]=エディタ\nStartupWMClass=EditorMain\n",
                          program().string() + " --new %F");
        writeDesktopEntry(user() / "kde/konsole.desktop", "Konsole");
        writeDesktopEntry(user() / "org.example.Removed.desktop", "Removed", "Hidden=true\n");
        writeDesktopEntry(user() / "org.example.Helper.desktop", "Helper", "NoDisplay=true\n");
        writeDesktopEntry(user() / "org.example.Elsewhere.desktop", "Elsewhere",
                          "OnlyShowIn=KavoraNoSuchDesktop;\n");
        writeDesktopEntry(user() / "org.example.Uninstalled.desktop", "Uninstalled",
                          "TryExec=/nonexistent/kavora-program\n");
        writeDesktopEntry(user() / ".cache/org.example.Stale.desktop", "Stale");
        writeDesktopEntry(user() / "notes.txt", "Not an entry");
        std::ofstream(user() / "org.example.Link.desktop")
            << "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org/\n";
        std::ofstream(user() / "org.example.Broken.desktop") << "Name=No group\n";

        writeDesktopEntry(system() / "org.example.Viewer.desktop", "System Viewer");
        writeDesktopEntry(system() / "org.example.Player.desktop", "Player");
        writeDesktopEntry(system() / "org.example.Removed.desktop", "Removed");
    }

    fs::path program() const { return folder_.path() / "editor/bin/editor-bin"; }
    fs::path user() const { return folder_.path() / "user/applications"; }
    fs::path system() const { return folder_.path() / "system/applications"; }

    test::TemporaryFolder folder_;
    DesktopApplications applications_ { { user(), folder_.path() / "missing/applications",
                                          system() } };
};

TEST_F(DesktopApplicationsTest, ScanListsShownEntriesFolderByFolderUserFirst)
{
    const auto found = idsOf(applications_.scan());

    ASSERT_EQ(found.size(), 5U);
    // Each folder in its own listing order, which the file system chooses.
    EXPECT_THAT(std::vector(found.begin(), found.begin() + 3),
                UnorderedElementsAre("org.example.Viewer", "org.example.Editor", "kde-konsole"));
    EXPECT_THAT(std::vector(found.begin() + 3, found.end()),
                UnorderedElementsAre("org.example.Viewer", "org.example.Player"));
}

// Which ids are well-formed at all is DesktopLaunchArgumentsTest's.
TEST_F(DesktopApplicationsTest, LocatesTheFirstFolderEntryWhenItIsShown)
{
    // What it shows; the id; where its entry is found (none: it is not).
    // clang-format off
    const std::tuple<const char*, std::string, std::optional<fs::path>> rows[] = {
        { "the user's entry hides the system one", "org.example.Viewer", user() / "org.example.Viewer.desktop" },
        { "an entry only the system has", "org.example.Player", system() / "org.example.Player.desktop" },
        { "a subfolder entry by its dashed id", "kde-konsole", user() / "kde/konsole.desktop" },
        { "Hidden in the user's folder removes the system entry", "org.example.Removed", {} },
        { "NoDisplay", "org.example.Helper", {} },
        { "shown only in another desktop", "org.example.Elsewhere", {} },
        { "TryExec program missing", "org.example.Uninstalled", {} },
        { "not an application", "org.example.Link", {} },
        { "no group", "org.example.Broken", {} },
        { "not installed", "org.example.Absent", {} },
        { "hidden subfolder", ".cache-org.example.Stale", {} },
        { "a parent path", "../system/applications/org.example.Player", {} },
        { "dots", "..", {} },
        { "dots between subfolders", "kde-..-org.example.Viewer", {} },
        { "the file name", "org.example.Viewer.desktop", {} },
        { "a file that is no entry", "notes", {} },
    };
    // clang-format on
    for (const auto& [shows, id, location] : rows) {
        SCOPED_TRACE(shows);
        const auto found = applications_.locate(id);
        ASSERT_EQ(found.has_value(), location.has_value());
        if (found) {
            EXPECT_EQ(found->id, id);
            EXPECT_EQ(found->location, location->string());
        }
    }
}

TEST_F(DesktopApplicationsTest, ReadsNameWindowClassAndProgram)
{
    std::optional<ScopedVariable> language(std::in_place, "LANGUAGE", "en");
    const auto editor = applications_.locate("org.example.Editor");
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->name, "Editor");
    EXPECT_EQ(editor->startupWMClass, "EditorMain");
    EXPECT_EQ(editor->executable, "editor-bin");

    const auto viewer = applications_.locate("org.example.Viewer");
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->name, "User Viewer");
    EXPECT_EQ(viewer->startupWMClass, std::nullopt);
    EXPECT_EQ(viewer->executable, "true");

    // GLib reads the language anew whenever LANGUAGE changes.
    language.emplace("LANGUAGE", "ja");
    EXPECT_EQ(applications_.locate("org.example.Editor")->name, "エディタ");
    EXPECT_EQ(applications_.locate("org.example.Viewer")->name, "User Viewer");
}

TEST(DesktopDataFoldersTest, AddsTheExportFoldersOnceAfterTheSessionFolders)
{
    EXPECT_THAT(desktopDataFolders("/home/u/.local/share/",
                                   { "/usr/share/", "relative/share", "/var/lib/snapd/desktop",
                                     "/usr/share", "/usr//local/share" }),
                ElementsAre("/home/u/.local/share", "/usr/share", "/var/lib/snapd/desktop",
                            "/usr/local/share", "/home/u/.local/share/flatpak/exports/share",
                            "/var/lib/flatpak/exports/share"));

    auto& session = PrivateSession::instance();
    EXPECT_THAT(DesktopApplications().applicationFolders(),
                ElementsAre(session.dataHome() / "applications",
                            session.root() / "system-data/applications",
                            session.dataHome() / "flatpak/exports/share/applications",
                            "/var/lib/flatpak/exports/share/applications",
                            "/var/lib/snapd/desktop/applications"));
}

// Finder, pinned by the controller device, is the application that opens folders.
TEST(DesktopApplicationsFinderTest, LocatesTheFileManagerUnderFindersId)
{
    auto& session = PrivateSession::instance();
    const fs::path folder = session.dataHome() / "applications";
    const fs::path entry = folder / "org.example.Files.desktop";
    // GIO learns which applications open a type from mimeinfo.cache, not from the entries.
    const fs::path mimeCache = folder / "mimeinfo.cache";
    writeDesktopEntry(entry, "Files", "MimeType=inode/directory;\n");
    std::ofstream(mimeCache) << "[MIME Cache]\ninode/directory=org.example.Files.desktop;\n";
    const DesktopApplications applications;

    std::optional<DesktopApplication> finder;
    test::pollUntil([&] { return (finder = applications.locate("com.apple.finder")).has_value(); });
    fs::remove(entry);
    fs::remove(mimeCache);

    ASSERT_TRUE(finder);
    EXPECT_EQ(finder->id, "com.apple.finder");
    EXPECT_EQ(finder->name, "Files");
    EXPECT_EQ(finder->location, entry.string());
    EXPECT_FALSE(applications.locate("com.apple.Safari"));
}

} // namespace
} // namespace kavora
