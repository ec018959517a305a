// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/linux/settings/SettingsDocument.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

struct stat;

namespace kavora {

class Log;

// The settings domain as one JSON file, settings.json, in a folder of its own (see
// SettingsDocument.h for the text form and docs/settings.md for the keys).
//
// Reads are served from memory. The store watches its folder (inotify) and looks at the file again
// at the first read after a notification about settings.json has been taken (changeNotifier and
// takeChangeNotifications below): a change written by another process, by rename or in place,
// applies to the next read after that. Looking at the file means comparing its identity (device,
// inode, size, change times) with the one last read, and reading it again when it differs. While
// there is no watch (no inotify, or no folder yet) every read looks at the file.
//
// Every write re-reads under an exclusive lock on the folder, applies the changes made here, and
// replaces the file atomically: a temporary file in the same folder is written and synced, renamed
// over settings.json, and the folder is synced; the file has mode 0600, the folder 0700. A writer
// that dies half-way leaves only a temporary file behind, which the next write removes.
//
// Without a scheduler every change is written before setObject returns (the command-line tools).
// With one, a change is written at once when the last write is kWriteInterval old, else when it
// is; changes made meanwhile go out together. So a slider dragged across its range writes four
// times a second, not at every step, while the file is never more than kWriteInterval behind
// (another process, or a kill -9, sees at most that much less). Reads here see a change at once.
// What is still waiting is written when the store is destroyed.
//
// A file that does not parse is renamed to settings.json.corrupt-<UTC time> and reported once;
// the domain then starts empty (or keeps the values last read in this process). A write that
// fails leaves the previous file as it was and is reported; the value still holds in this
// process. Safe to use from any thread, except that with a scheduler changes are made on its
// thread.
class JsonFileUserDefaults final : public UserDefaults {
public:
    static constexpr Seconds kWriteInterval { 0.25 };

    JsonFileUserDefaults(std::filesystem::path folder, Log& log);
    // Coalesces writes on the scheduler's clock; the scheduler must outlive the store.
    JsonFileUserDefaults(std::filesystem::path folder, Log& log, Scheduler& scheduler);
    ~JsonFileUserDefaults() override;
    JsonFileUserDefaults(const JsonFileUserDefaults&) = delete;
    JsonFileUserDefaults& operator=(const JsonFileUserDefaults&) = delete;

    std::optional<nlohmann::json> object(std::string_view key) const override;
    // A null value removes the key; a value that cannot be stored (see isStorableSettingsValue)
    // is refused and reported.
    void setObject(std::string_view key, nlohmann::json value) override;
    void removeObject(std::string_view key) override;

    // Every key and value of the domain.
    SettingsValues dictionaryRepresentation() const;
    std::filesystem::path filePath() const { return file_; }
    // Why the most recent change did not reach the disk; nothing after one that did.
    std::optional<std::string> lastWriteError() const;

    // A descriptor that becomes readable when the settings folder changes, for the event loop to
    // watch (it never blocks); -1 when the system offers no notifications.
    int changeNotifier() const { return notifier_; }
    // Takes the pending notifications. When one concerns settings.json (or the watch was lost),
    // the next read looks at the file again.
    void takeChangeNotifications();

private:
    JsonFileUserDefaults(std::filesystem::path folder, Log& log, Scheduler* scheduler);

    // What tells one version of settings.json from another without reading it.
    struct FileIdentity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0;
        std::int64_t changedNs = 0;
        bool operator==(const FileIdentity&) const = default;
    };

    void refreshIfNotified() const;
    void watchFolder() const;
    void refresh() const;
    void load() const;
    void remember(const FileIdentity& identity, std::string text) const;
    void forget() const;
    void setAside(const FileIdentity& identity, const std::string& reason) const;
    void protect(const FileIdentity& identity, const std::string& reason) const;
    void keepPending() const;
    void change(std::string_view key, std::optional<nlohmann::json> value);
    void writePending();
    std::optional<std::string> replaceFile(int folderFd);
    void reportWriteFailure(const std::string& reason);
    static FileIdentity identityOf(const struct stat& status);

    std::filesystem::path folder_;
    std::filesystem::path file_;
    Log& log_;

    mutable std::mutex mutex_;
    mutable SettingsValues values_;
    // The file the values came from (nothing while there is none), its text, and whether it was
    // so new that its identity alone cannot tell a later version from it.
    mutable std::optional<FileIdentity> seen_;
    mutable std::string seenText_;
    mutable bool seenRecently_ = false;
    // Set while settings.json is a file that could not be read or moved aside: replacing it
    // would lose it, so writes are refused until it changes.
    mutable std::optional<std::string> protectedFile_;
    // Whether values_ holds a change that is not on disk, and the changes made here that are not
    // (a null value removes the key): applied again to whatever the file holds when it is read.
    mutable bool unsaved_ = false;
    mutable std::map<std::string, std::optional<nlohmann::json>, std::less<>> pending_;
    // Only with a scheduler: when the last write was made, and the one waiting for its turn.
    Scheduler* scheduler_ = nullptr;
    std::optional<Seconds> lastWrite_;
    TimerHandle writeTimer_;
    // The inotify instance and its watch of the folder (-1: none), and whether a notification
    // about settings.json has come since the file was last looked at.
    int notifier_ = -1;
    mutable int watch_ = -1;
    mutable bool notified_ = true;
    // The folder descriptor whose flock change() holds, or -1.
    int lockedFolder_ = -1;
    std::optional<std::string> lastWriteError_;
};

} // namespace kavora
