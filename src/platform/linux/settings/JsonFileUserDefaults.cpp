// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/settings/JsonFileUserDefaults.h"
#include "platform/linux/settings/UserFolders.h"

#include "core/Log.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavora {
namespace {

constexpr const char* kFileName = "settings.json";
constexpr std::string_view kTemporaryPrefix = "settings.json.tmp-";
constexpr mode_t kFileMode = 0600;
// What changes settings.json in the folder: a rename onto it or away from it, its removal, a
// write in place once the file is closed (not before, so that a half-written file is not taken
// for a damaged one), a new mode; and the folder itself going away.
constexpr std::uint32_t kWatchedEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE
    | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

std::string describeErrno(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

// Closes a file descriptor when it goes out of scope (which also releases a flock on it).
class Descriptor {
public:
    explicit Descriptor(int fd)
        : fd_(fd)
    {
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

std::string utcStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts {};
    gmtime_r(&now, &parts);
    std::array<char, 32> text {};
    const std::size_t length = std::strftime(text.data(), text.size(), "%Y%m%dT%H%M%SZ", &parts);
    return { text.data(), length };
}

bool exists(const std::filesystem::path& path)
{
    struct stat status { };
    return ::lstat(path.c_str(), &status) == 0;
}

// Reads the whole file, refusing more than limit bytes; an errno value on failure.
int readAll(int fd, std::size_t limit, std::string& text)
{
    std::array<char, 65536> buffer;
    for (;;) {
        const ssize_t count = ::read(fd, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        if (count == 0)
            return 0;
        text.append(buffer.data(), static_cast<std::size_t>(count));
        if (text.size() > limit)
            return EFBIG;
    }
}

int writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t count = ::write(fd, text.data(), text.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        text.remove_prefix(static_cast<std::size_t>(count));
    }
    return 0;
}

void lockExclusive(int fd)
{
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) { }
}

// Removes the temporary files of writers that died before their rename. Only called while the
// folder lock is held, so no live writer owns one.
void removeStaleTemporaries(const std::filesystem::path& folder)
{
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const auto name = it->path().filename().string();
        if (name.starts_with(kTemporaryPrefix))
            ::unlink(it->path().c_str());
    }
}

} // namespace

JsonFileUserDefaults::JsonFileUserDefaults(std::filesystem::path folder, Log& log)
    : JsonFileUserDefaults(std::move(folder), log, nullptr)
{
}

JsonFileUserDefaults::JsonFileUserDefaults(std::filesystem::path folder, Log& log,
                                           Scheduler& scheduler)
    : JsonFileUserDefaults(std::move(folder), log, &scheduler)
{
}

JsonFileUserDefaults::JsonFileUserDefaults(std::filesystem::path folder, Log& log,
                                           Scheduler* scheduler)
    : folder_(std::move(folder))
    , file_(folder_ / kFileName)
    , log_(log)
    , scheduler_(scheduler)
    , notifier_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
}

JsonFileUserDefaults::~JsonFileUserDefaults()
{
    try {
        writeTimer_.cancel();
        std::lock_guard lock(mutex_);
        writePending();
    } catch (...) {
        // Write failures are reported by writePending(); this is only what it could not report.
        (void)std::fputs("Kavora: the last settings change could not be saved\n", stderr);
    }
    if (notifier_ >= 0)
        ::close(notifier_);
}

std::optional<nlohmann::json> JsonFileUserDefaults::object(std::string_view key) const
{
    std::lock_guard lock(mutex_);
    refreshIfNotified();
    auto found = values_.find(key);
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

void JsonFileUserDefaults::setObject(std::string_view key, nlohmann::json value)
{
    if (value.is_null()) {
        removeObject(key);
        return;
    }
    change(key, std::move(value));
}

void JsonFileUserDefaults::removeObject(std::string_view key)
{
    change(key, std::nullopt);
}

SettingsValues JsonFileUserDefaults::dictionaryRepresentation() const
{
    std::lock_guard lock(mutex_);
    refreshIfNotified();
    return values_;
}

std::optional<std::string> JsonFileUserDefaults::lastWriteError() const
{
    std::lock_guard lock(mutex_);
    return lastWriteError_;
}

JsonFileUserDefaults::FileIdentity JsonFileUserDefaults::identityOf(const struct stat& status)
{
    constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
    return { status.st_dev, status.st_ino, status.st_size,
             status.st_mtim.tv_sec * kNanosecondsPerSecond + status.st_mtim.tv_nsec,
             status.st_ctim.tv_sec * kNanosecondsPerSecond + status.st_ctim.tv_nsec };
}

void JsonFileUserDefaults::takeChangeNotifications()
{
    std::lock_guard lock(mutex_);
    if (notifier_ < 0)
        return;
    alignas(inotify_event) std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t count = ::read(notifier_, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return; // all taken
        for (ssize_t offset = 0; offset < count;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                notified_ = true; // some were lost: look
                continue;
            }
            if (event->wd != watch_)
                continue; // a watch given up earlier
            if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
                // The folder went away: reads look at the file until it can be watched again.
                ::inotify_rm_watch(notifier_, watch_);
                watch_ = -1;
                notified_ = true;
            } else if (event->len > 0 && std::string_view(event->name) == kFileName) {
                notified_ = true;
            }
        }
    }
}

void JsonFileUserDefaults::refreshIfNotified() const
{
    if (watch_ < 0) {
        // Watch first, then look: a change made in between is both seen and notified.
        watchFolder();
        notified_ = false;
        refresh();
        return;
    }
    if (!notified_)
        return;
    notified_ = false;
    refresh();
}

void JsonFileUserDefaults::watchFolder() const
{
    if (notifier_ >= 0)
        watch_ = ::inotify_add_watch(notifier_, folder_.c_str(), kWatchedEvents);
}

void JsonFileUserDefaults::refresh() const
{
    struct stat status { };
    if (::stat(file_.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            // Gone since it was read: another process removed it, so its values went with it.
            // Values never written (a failed write, a file set aside) stay.
            if (seen_) {
                values_.clear();
                forget();
                keepPending();
            }
            protectedFile_.reset();
        }
        return;
    }
    if (seen_ == identityOf(status) && !seenRecently_)
        return;
    load();
}

void JsonFileUserDefaults::load() const
{
    // Non-blocking, so that a named pipe in the file's place cannot stall the reader.
    Descriptor fd(::open(file_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status { };
    if (!fd.valid() && errno == ENOENT)
        return; // replaced by nothing between the stat and the open; the next read sees it
    if (!fd.valid() || ::fstat(fd.get(), &status) != 0) {
        const int error = errno;
        struct stat now { };
        ::stat(file_.c_str(), &now);
        protect(identityOf(now), describeErrno(error));
        return;
    }
    const auto identity = identityOf(status);
    if (!S_ISREG(status.st_mode)) {
        protect(identity, "it is not a regular file");
        return;
    }
    std::string text;
    if (static_cast<std::uint64_t>(status.st_size) > kMaxSettingsDocumentSize) {
        setAside(identity, "larger than " + std::to_string(kMaxSettingsDocumentSize) + " bytes");
        return;
    }
    if (const int error = readAll(fd.get(), kMaxSettingsDocumentSize, text); error != 0) {
        if (error == EFBIG)
            setAside(identity,
                     "larger than " + std::to_string(kMaxSettingsDocumentSize) + " bytes");
        else
            protect(identity, describeErrno(error));
        return;
    }
    if (seen_ && !protectedFile_ && text == seenText_) {
        // Looked at again only because it was new: unchanged, so unsaved values stay.
        remember(identity, std::move(text));
        return;
    }
    auto parsed = parseSettingsDocument(text);
    if (!parsed) {
        setAside(identity, parsed.error());
        return;
    }
    values_ = std::move(parsed).value();
    remember(identity, std::move(text));
    protectedFile_.reset();
    keepPending();
}

void JsonFileUserDefaults::keepPending() const
{
    bool changes = false;
    for (const auto& [key, value] : pending_) {
        auto found = values_.find(key);
        if (value && (found == values_.end() || found->second != *value)) {
            values_.insert_or_assign(key, *value);
            changes = true;
        } else if (!value && found != values_.end()) {
            values_.erase(found);
            changes = true;
        }
    }
    // What the file already says needs no write.
    if (!changes)
        pending_.clear();
    unsaved_ = changes;
}

void JsonFileUserDefaults::remember(const FileIdentity& identity, std::string text) const
{
    // File times come from a coarse clock, and a replaced file's inode number may be reused at
    // once: two versions written within one tick can have the same identity. Trust an identity
    // only once the file is older than a few ticks; until then every read compares the text.
    constexpr std::int64_t kClockTickMarginNs = 50'000'000;
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t nowNs = now.tv_sec * 1'000'000'000LL + now.tv_nsec;
    seen_ = identity;
    seenText_ = std::move(text);
    seenRecently_ = nowNs - identity.changedNs < kClockTickMarginNs;
}

void JsonFileUserDefaults::forget() const
{
    seen_.reset();
    seenText_.clear();
    seenRecently_ = false;
}

void JsonFileUserDefaults::protect(const FileIdentity& identity, const std::string& reason) const
{
    if (seen_ == identity && protectedFile_)
        return;
    forget();
    seen_ = identity;
    protectedFile_ = "cannot read " + file_.string() + ": " + reason;
    log_.line("Kavora: " + *protectedFile_ + "; settings will not be saved over it");
}

void JsonFileUserDefaults::setAside(const FileIdentity& identity, const std::string& reason) const
{
    // Under the folder lock no cooperating writer can replace the file between the check that it
    // is still the damaged one and the rename.
    // A second flock from this process would wait for the first, so reuse a lock already held.
    Descriptor folder(
        lockedFolder_ >= 0 ? -1 : ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        lockExclusive(folder.get());
    struct stat status { };
    if (::stat(file_.c_str(), &status) != 0 || status.st_dev != identity.device
        || status.st_ino != identity.inode) {
        return; // already replaced or removed; the next read looks again
    }

    const std::string base = file_.string() + ".corrupt-" + utcStamp();
    std::string aside = base;
    for (int n = 2; exists(aside); ++n)
        aside = base + "-" + std::to_string(n);
    if (::rename(file_.c_str(), aside.c_str()) == 0) {
        log_.line("Kavora: settings file " + file_.string() + " is damaged (" + reason
                  + "); it was kept as " + aside + " and settings start afresh");
        forget();
        protectedFile_.reset();
        unsaved_ = !values_.empty();
        return;
    }
    const std::string error = describeErrno(errno);
    forget();
    seen_ = identity;
    protectedFile_ = "settings file " + file_.string() + " is damaged (" + reason
        + ") and could not be moved aside (" + error + ")";
    log_.line("Kavora: " + *protectedFile_ + "; settings will not be saved over it");
}

void JsonFileUserDefaults::change(std::string_view key, std::optional<nlohmann::json> value)
{
    std::lock_guard lock(mutex_);
    if (value && !isStorableSettingsValue(*value)) {
        lastWriteError_ = "the value for \"" + std::string(key)
            + "\" cannot be stored (not a finite number, or nested too deeply)";
        log_.line("Kavora: " + *lastWriteError_);
        return;
    }
    // Nothing to do: no folder is made and no file rewritten.
    refresh();
    auto found = values_.find(key);
    const bool alreadySo
        = value ? found != values_.end() && found->second == *value : found == values_.end();
    if (alreadySo && !unsaved_) {
        lastWriteError_.reset();
        return;
    }
    if (value)
        values_.insert_or_assign(std::string(key), *value);
    else if (found != values_.end())
        values_.erase(found);
    pending_.insert_or_assign(std::string(key), std::move(value));
    unsaved_ = true; // also when already so here: an earlier write failed
    if (scheduler_ == nullptr) {
        writePending();
        return;
    }
    if (writeTimer_.isActive())
        return; // goes out with the write already waiting
    const Seconds now = scheduler_->now();
    if (!lastWrite_ || now - *lastWrite_ >= kWriteInterval) {
        writePending();
        return;
    }
    writeTimer_ = scheduler_->after(*lastWrite_ + kWriteInterval - now, [this] {
        std::lock_guard timerLock(mutex_);
        writePending();
    });
}

void JsonFileUserDefaults::writePending()
{
    if (!unsaved_)
        return;
    if (scheduler_ != nullptr)
        lastWrite_ = scheduler_->now();
    if (auto error = preparePrivateFolder(folder_)) {
        reportWriteFailure(*error);
        return;
    }
    Descriptor folder(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) {
        const int error = errno;
        reportWriteFailure("cannot open the folder " + folder_.string() + ": "
                           + describeErrno(error));
        return;
    }
    // Read again under the lock, so that a change made meanwhile by another process is kept.
    lockExclusive(folder.get());
    lockedFolder_ = folder.get();
    struct Unlocked {
        int& fd;
        ~Unlocked() { fd = -1; }
    } unlocked { lockedFolder_ };
    refresh();
    if (!unsaved_) {
        lastWriteError_.reset();
        return;
    }
    if (protectedFile_) {
        reportWriteFailure(*protectedFile_);
        return;
    }
    if (auto error = replaceFile(folder.get())) {
        reportWriteFailure(*error);
        return;
    }
    pending_.clear();
    unsaved_ = false;
    lastWriteError_.reset();
}

std::optional<std::string> JsonFileUserDefaults::replaceFile(int folderFd)
{
    removeStaleTemporaries(folder_);
    const std::string text = serializeSettingsDocument(values_);
    if (text.size() > kMaxSettingsDocumentSize)
        return "the settings would be larger than " + std::to_string(kMaxSettingsDocumentSize)
            + " bytes";

    std::string temporary = (folder_ / kTemporaryPrefix).string() + "XXXXXX";
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid())
        return "cannot create a file in " + folder_.string() + ": " + describeErrno(errno);
    auto fail = [&temporary](const char* step, int error) {
        ::unlink(temporary.c_str());
        return std::string(step) + ": " + describeErrno(error);
    };
    if (::fchmod(fd.get(), kFileMode) != 0)
        return fail("cannot set the file mode", errno);
    if (const int error = writeAll(fd.get(), text); error != 0)
        return fail("cannot write", error);
    if (::fsync(fd.get()) != 0)
        return fail("cannot sync", errno);
    if (::rename(temporary.c_str(), file_.c_str()) != 0)
        return fail("cannot replace the file", errno);

    // The rename changed the inode's change time, so take the identity only now.
    struct stat status { };
    if (::fstat(fd.get(), &status) == 0)
        remember(identityOf(status), text);
    else
        forget();
    // Make the rename itself durable; a file system that cannot sync folders loses nothing here.
    ::fsync(folderFd);
    return std::nullopt;
}

void JsonFileUserDefaults::reportWriteFailure(const std::string& reason)
{
    // A slider dragged over a read-only folder fails many times in a row: say it once.
    const bool repeated = lastWriteError_ == reason;
    lastWriteError_ = reason;
    if (!repeated)
        log_.line("Kavora: could not save settings to " + file_.string() + ": " + reason
                  + "; the file on disk is unchanged");
}

} // namespace kavora
