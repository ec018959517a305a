// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/settings/JsonFileUserDefaults.h"

#include "support/CapturingLog.h"
#include "support/TemporaryFolder.h"
#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>

#include <poll.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kavora::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs body in a forked child; its return value becomes the exit status seen here, a signal a
// negative number. Checks inside the child are reported through that status.
int inChild(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

class JsonFileUserDefaultsTest : public testing::Test {
protected:
    fs::path folder() const { return temporary.path() / "kavora"; }

    // Root may write anywhere, so a child that tests a read-only folder as root first hands the
    // test's files to an ordinary user and becomes that user.
    bool becomeOrdinaryUser() const
    {
        constexpr uid_t kNobody = 65534;
        if (::geteuid() != 0)
            return true;
        for (const auto& path : { temporary.path(), folder(), file() }) {
            if (::chown(path.c_str(), kNobody, kNobody) != 0)
                return false;
        }
        return ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
    }
    fs::path file() const { return folder() / "settings.json"; }

    TemporaryFolder temporary;
    CapturingLog log;
    JsonFileUserDefaults defaults { folder(), log };
};

TEST_F(JsonFileUserDefaultsTest, ReadingCreatesNothingAndRemovingOrNullTakeTheKeyAway)
{
    EXPECT_FALSE(defaults.object("missing"));
    defaults.removeObject("missing");
    EXPECT_FALSE(fs::exists(folder()));
    EXPECT_FALSE(defaults.lastWriteError());

    defaults.setString("a", "1");
    defaults.setString("b", "2");
    defaults.removeObject("a");
    defaults.setObject("b", nullptr);
    EXPECT_FALSE(defaults.object("a"));
    EXPECT_FALSE(defaults.object("b"));
    EXPECT_EQ(json::parse(readFile(file())), json::object());
}

TEST_F(JsonFileUserDefaultsTest, FileAndFolderArePrivateWhateverTheUmask)
{
    const mode_t previous = ::umask(0);
    defaults.setBool("flag", true);
    ::umask(previous);
    EXPECT_EQ(modeOf(folder()), 0700U);
    EXPECT_EQ(modeOf(file()), 0600U);

    // A folder opened to others meanwhile is closed again by the next write.
    ::chmod(folder().c_str(), 0755);
    defaults.setBool("flag", false);
    EXPECT_EQ(modeOf(folder()), 0700U);
    EXPECT_EQ(modeOf(file()), 0600U);
}

// Whether the change notifier has something to take, as the event loop would see it.
bool notifierReady(const JsonFileUserDefaults& store)
{
    pollfd watched { store.changeNotifier(), POLLIN, 0 };
    return ::poll(&watched, 1, 0) == 1;
}

TEST_F(JsonFileUserDefaultsTest, ChangesByAnotherWriterAreSeenOnceTheirNotificationIsTaken)
{
    CapturingLog otherLog;
    JsonFileUserDefaults other(folder(), otherLog);
    defaults.setString("k", "1");
    EXPECT_EQ(other.string("k"), "1");
    EXPECT_EQ(defaults.string("k"), "1");
    ASSERT_GE(defaults.changeNotifier(), 0) << "no inotify here";
    defaults.takeChangeNotifications(); // its own write

    // Replaced by rename, same size, twice at once: until the notification is taken the values
    // come from memory; then the next read has the last version.
    other.setString("k", "2");
    other.setString("k", "3");
    EXPECT_TRUE(notifierReady(defaults));
    EXPECT_EQ(defaults.string("k"), "1");
    defaults.takeChangeNotifications();
    EXPECT_FALSE(notifierReady(defaults));
    EXPECT_EQ(defaults.string("k"), "3");

    // A hand edit in place, then the file removed behind the store's back.
    writeFile(file(), R"({"k":"edited","speed":1.5})");
    defaults.takeChangeNotifications();
    EXPECT_EQ(defaults.string("k"), "edited");
    EXPECT_EQ(defaults.doubleValue("speed"), 1.5);
    fs::remove(file());
    EXPECT_EQ(defaults.string("k"), "edited");
    defaults.takeChangeNotifications();
    EXPECT_FALSE(defaults.object("k"));

    // Only news of settings.json makes a read look at the file: here it changes through a second
    // name outside the folder, which the folder's watch does not hear of, while another file of
    // the folder changes. The reads still come from memory.
    writeFile(file(), R"({"k":"watched"})");
    defaults.takeChangeNotifications();
    EXPECT_EQ(defaults.string("k"), "watched");
    const auto alias = temporary.path() / "alias.json";
    fs::create_hard_link(file(), alias);
    writeFile(alias, R"({"k":"unheard"})");
    writeFile(folder() / "notes.txt", "x");
    defaults.takeChangeNotifications();
    EXPECT_EQ(defaults.string("k"), "watched");
    EXPECT_EQ(JsonFileUserDefaults(folder(), otherLog).string("k"), "unheard"); // it did change
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(JsonFileUserDefaultsTest, AFolderRemovedAndMadeAgainIsWatchedAgain)
{
    defaults.setString("k", "1");
    EXPECT_EQ(defaults.string("k"), "1");
    fs::remove_all(folder());
    defaults.takeChangeNotifications();
    EXPECT_FALSE(defaults.object("k"));

    // Without a folder every read looks for the file, and watches the folder once it is back.
    CapturingLog otherLog;
    JsonFileUserDefaults other(folder(), otherLog);
    other.setString("k", "2");
    EXPECT_EQ(defaults.string("k"), "2");
    other.setString("k", "3");
    EXPECT_EQ(defaults.string("k"), "2");
    defaults.takeChangeNotifications();
    EXPECT_EQ(defaults.string("k"), "3");
}

TEST_F(JsonFileUserDefaultsTest, WritersInOtherProcessesKeepEachOthersKeys)
{
    constexpr int kWriters = 4;
    constexpr int kRounds = 15;
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = ::fork();
        if (child == 0) {
            CapturingLog childLog;
            JsonFileUserDefaults store(folder(), childLog);
            for (int round = 0; round < kRounds; ++round)
                store.setObject("writer" + std::to_string(writer), round);
            ::_exit(childLog.lines.empty() ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int writer = 0; writer < kWriters; ++writer)
        EXPECT_EQ(defaults.object("writer" + std::to_string(writer)), json(kRounds - 1));
    EXPECT_EQ(namesIn(folder()), std::vector<std::string> { "settings.json" });
}

TEST(JsonFileUserDefaultsCorrupt, IsKeptAsideAndReportedOnce)
{
    // What counts as damaged is the document's rule (SettingsDocumentTest); these rows take the
    // two roads there: a parse failure, and a file over the size cap that is never read whole.
    const std::pair<const char*, std::string> rows[] = {
        { "not JSON", "{\"k\": tru" },
        { "too large", std::string(kMaxSettingsDocumentSize + 1, ' ') + "{}" },
    };
    for (const auto& [shows, text] : rows) {
        TemporaryFolder temporary;
        const auto folder = temporary.path();
        std::ofstream(folder / "settings.json", std::ios::binary) << text;
        CapturingLog log;
        JsonFileUserDefaults defaults(folder, log);

        EXPECT_FALSE(defaults.object("k")) << shows;
        EXPECT_FALSE(defaults.object("k")) << shows;
        ASSERT_EQ(log.lines.size(), 1U) << shows;
        EXPECT_NE(log.lines[0].find("is damaged"), std::string::npos) << log.lines[0];
        const auto names = namesIn(folder);
        ASSERT_EQ(names.size(), 1U) << shows;
        EXPECT_TRUE(names[0].starts_with("settings.json.corrupt-")) << names[0];
        EXPECT_NE(log.lines[0].find(names[0]), std::string::npos) << log.lines[0];
        EXPECT_EQ(readFile(folder / names[0]), text) << shows;

        // Settings start afresh; the damaged file stays where it was put.
        defaults.setString("k", "new");
        EXPECT_EQ(namesIn(folder).size(), 2U) << shows;
        EXPECT_EQ(readFile(folder / names[0]), text) << shows;
        EXPECT_EQ(log.lines.size(), 1U) << shows;
    }
}

TEST_F(JsonFileUserDefaultsTest, DamageWhileRunningKeepsTheValuesAlreadyRead)
{
    defaults.setString("k", "kept");
    EXPECT_EQ(defaults.string("k"), "kept");
    writeFile(file(), "garbage");
    defaults.takeChangeNotifications();
    EXPECT_EQ(defaults.string("k"), "kept");
    EXPECT_EQ(log.lines.size(), 1U);
    defaults.setString("other", "x");
    const auto onDisk = json::parse(readFile(file()));
    EXPECT_EQ(onDisk, (json { { "k", "kept" }, { "other", "x" } }));
}

TEST(JsonFileUserDefaultsNoFile, APathThatIsNoRegularFileIsReadAsNothingAndNeverReplaced)
{
    using Check = bool (*)(const fs::path&);
    // What it shows, how it is made, how it is recognised. A named pipe must not stall the reader.
    // clang-format off
    const std::tuple<const char*, Check, Check> rows[] = {
        { "a folder", [](const fs::path& path) { return fs::create_directories(path); }, [](const fs::path& path) { return fs::is_directory(path); } },
        { "a named pipe", [](const fs::path& path) { return ::mkfifo(path.c_str(), 0600) == 0; }, [](const fs::path& path) { return fs::is_fifo(path); } },
    };
    // clang-format on
    for (const auto& [shows, make, stillThere] : rows) {
        TemporaryFolder temporary;
        const auto file = temporary.path() / "settings.json";
        ASSERT_TRUE(make(file)) << shows;
        CapturingLog log;
        JsonFileUserDefaults defaults(temporary.path(), log);
        EXPECT_FALSE(defaults.object("k")) << shows;
        EXPECT_FALSE(defaults.object("k")) << shows;
        EXPECT_EQ(log.lines.size(), 1U) << shows << ": cannot read it, said once";
        defaults.setString("k", "v");
        defaults.setString("k", "w");
        EXPECT_TRUE(stillThere(file)) << shows;
        EXPECT_TRUE(defaults.lastWriteError()) << shows;
        EXPECT_EQ(defaults.string("k"), "w") << shows << ": still holds for this process";
        EXPECT_EQ(log.lines.size(), 2U) << shows << ": cannot save over it, said once";
    }
}

TEST_F(JsonFileUserDefaultsTest, AValueThatCannotBeStoredIsRefused)
{
    defaults.setDouble("speed", 1.0);
    const auto before = readFile(file());
    defaults.setDouble("speed", std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(defaults.doubleValue("speed"), 1.0);
    EXPECT_EQ(readFile(file()), before);
    ASSERT_TRUE(defaults.lastWriteError());
    EXPECT_EQ(log.lines.size(), 1U);
}

TEST_F(JsonFileUserDefaultsTest, AFailedWriteLeavesThePreviousFileAndTheNextWriteSavesIt)
{
    defaults.setString("k", "old");
    const auto before = readFile(file());

    // A file-size limit makes every write fail as a full disk would, even for root.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit unlimited {};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    rlimit limit { 16, unlimited.rlim_max };
    ::setrlimit(RLIMIT_FSIZE, &limit);
    defaults.setString("k", std::string(100, 'n'));
    defaults.setString("k", std::string(101, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    ::signal(SIGXFSZ, SIG_DFL);

    EXPECT_TRUE(defaults.lastWriteError());
    ASSERT_EQ(log.lines.size(), 1U);
    EXPECT_NE(log.lines[0].find("could not save settings"), std::string::npos) << log.lines[0];
    EXPECT_EQ(readFile(file()), before);
    EXPECT_EQ(namesIn(folder()), std::vector<std::string> { "settings.json" });
    EXPECT_EQ(defaults.string("k"), std::string(101, 'n')); // still holds for this process

    // The same value again is written: the disk does not have it yet.
    defaults.setString("k", std::string(101, 'n'));
    EXPECT_FALSE(defaults.lastWriteError());
    EXPECT_EQ(json::parse(readFile(file())).at("k"), std::string(101, 'n'));
}

TEST_F(JsonFileUserDefaultsTest, AReadOnlyFolderLeavesTheOldFile)
{
    defaults.setString("k", "old");
    writeFile(folder() / "settings.json.corrupt-keep", "x");
    const auto before = readFile(file());
    const int status = inChild([this] {
        if (!becomeOrdinaryUser())
            return 2;
        ::chmod(folder().c_str(), 0500);
        CapturingLog childLog;
        JsonFileUserDefaults store(folder(), childLog);
        store.setString("k", "new");
        const bool ok = store.lastWriteError().has_value() && childLog.lines.size() == 1
            && store.string("k") == "new";
        return ok ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(file()), before);
    EXPECT_EQ(namesIn(folder()),
              (std::vector<std::string> { "settings.json", "settings.json.corrupt-keep" }));
}

TEST_F(JsonFileUserDefaultsTest, DamagedFileThatCannotBeMovedAsideIsNotOverwritten)
{
    fs::create_directories(folder());
    writeFile(file(), "garbage");
    const int status = inChild([this] {
        if (!becomeOrdinaryUser())
            return 2;
        ::chmod(folder().c_str(), 0500);
        CapturingLog childLog;
        JsonFileUserDefaults store(folder(), childLog);
        store.object("k");
        store.object("k");
        const bool reportedOnce = childLog.lines.size() == 1
            && childLog.lines[0].find("could not be moved aside") != std::string::npos;
        // Even once the folder is writable again, the damaged file is not written over.
        ::chmod(folder().c_str(), 0700);
        store.setString("k", "v");
        return reportedOnce && store.lastWriteError() ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(file()), "garbage");
}

TEST(JsonFileUserDefaultsCoalescing, WritesAtOnceThenAtMostFourTimesASecondAndTheLastAlways)
{
    // What it shows; when "speed" is set to 1, 2 ...; when the store is destroyed; the writes.
    // clang-format off
    const std::tuple<const char*, std::vector<double>, double, std::vector<double>> rows[] = {
        { "one change: at once", { 0 }, 2, { 0 } },
        { "another a quarter second after a write: at once too", { 0, 0.25 }, 2, { 0, 0.25 } },
        { "a slider dragged for a second", { 0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1 }, 2, { 0, 0.25, 0.5, 0.75, 1, 1.25 } },
        { "quitting with a change waiting writes it", { 0, 0.1 }, 0.2, { 0, 0.2 } },
    };
    // clang-format on
    for (const auto& [shows, changes, quit, expected] : rows) {
        TemporaryFolder temporary;
        CapturingLog log;
        VirtualScheduler scheduler;
        auto store = std::make_unique<JsonFileUserDefaults>(temporary.path(), log, scheduler);
        std::vector<double> writes;
        std::string onDisk;
        std::size_t changed = 0;
        for (int step = 0; step <= 200; ++step) { // hundredths of a second
            const double now = step / 100.0;
            scheduler.advance(Seconds(now) - scheduler.now());
            for (; changed < changes.size() && changes[changed] <= now; ++changed) {
                store->setDouble("speed", static_cast<double>(changed + 1));
                EXPECT_EQ(store->doubleValue("speed"), changed + 1.0) << shows;
            }
            if (now >= quit)
                store.reset();
            if (auto text = readFile(temporary.path() / "settings.json"); text != onDisk) {
                writes.push_back(std::round(now * 20) / 20); // timers fire on the hundredth after
                onDisk = text;
            }
        }
        EXPECT_EQ(writes, expected) << shows;
        EXPECT_EQ(json::parse(onDisk).at("speed"), changes.size()) << shows;
    }
}

enum class Writer { Finished, Killed, NotTraceable };

// Forks a writer that stores value under "document" once, and kills it at its n-th stop on the
// way into or out of a system call: so n = 0, 1, 2 ... kills it before and after every single
// system call of a write, wherever it happens to be.
Writer killWriterAtStop(int n, const fs::path& folder, const json& value)
{
    const pid_t child = ::fork();
    if (child == 0) {
        CapturingLog childLog;
        JsonFileUserDefaults store(folder, childLog);
        store.object("document");
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            ::_exit(99);
        ::raise(SIGSTOP);
        store.setObject("document", value);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFSTOPPED(status))
        return Writer::NotTraceable;
    ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    long signal = 0;
    for (int stop = 0;; ++stop) {
        if (stop == n) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return Writer::Killed;
        }
        ::ptrace(PTRACE_SYSCALL, child, nullptr, reinterpret_cast<void*>(signal));
        ::waitpid(child, &status, 0);
        if (WIFEXITED(status) || WIFSIGNALED(status))
            return Writer::Finished;
        // A signal meant for the writer is passed on; a system-call stop carries none.
        signal = WSTOPSIG(status) == (SIGTRAP | 0x80) ? 0 : WSTOPSIG(status);
    }
}

TEST_F(JsonFileUserDefaultsTest, AWriterKilledAtAnySystemCallLeavesTheOldOrTheNewFile)
{
    const json before { { "payload", std::string(4096, 'o') } };
    const json after { { "payload", std::string(4096, 'n') } };
    bool sawLeftover = false;
    bool sawNew = false;
    int n = 0;
    for (;; ++n) {
        defaults.setObject("document", before);
        const auto outcome = killWriterAtStop(n, folder(), after);
        if (outcome == Writer::NotTraceable)
            GTEST_SKIP() << "system calls cannot be traced here";

        CapturingLog readerLog;
        JsonFileUserDefaults reader(folder(), readerLog);
        const auto document = reader.object("document");
        ASSERT_TRUE(document) << "killed at stop " << n;
        EXPECT_TRUE(*document == before || *document == after) << "killed at stop " << n;
        EXPECT_TRUE(readerLog.lines.empty()) << "killed at stop " << n;
        sawNew = sawNew || *document == after;
        sawLeftover = sawLeftover || namesIn(folder()).size() > 1;
        if (outcome == Writer::Finished)
            break;
    }
    // The kills did land in the middle of writes, and the last writer got through; what a
    // killed writer left behind was ignored by every reader and is cleaned up by the next write.
    EXPECT_GT(n, 10);
    EXPECT_TRUE(sawLeftover);
    EXPECT_TRUE(sawNew);
    defaults.setString("after", "kills");
    EXPECT_EQ(namesIn(folder()), std::vector<std::string> { "settings.json" });
}

} // namespace
} // namespace kavora::test
