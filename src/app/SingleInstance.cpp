// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/SingleInstance.h"

#include "platform/linux/settings/UserFolders.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kavora {
namespace {

constexpr const char* kLockName = "kavora.lock";
constexpr const char* kSocketName = "kavora.socket";
constexpr const char* kShowRequest = "show\n";
constexpr const char* kShowAnswer = "ok";
constexpr const char* kWebRequest = "web\n";
constexpr auto kRetryPause = std::chrono::milliseconds(50);

// A connected socket to path, or -1.
int connectTo(const std::filesystem::path& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof(address.sun_path))
        return -1;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends the request and waits for one line of answer until the deadline.
std::optional<std::string> exchange(int fd, const std::string& request,
                                    std::chrono::steady_clock::time_point deadline)
{
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL)
        != static_cast<ssize_t>(request.size()))
        return std::nullopt;
    std::string answer;
    while (answer.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable { fd, POLLIN, 0 };
        if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        std::array<char, 256> buffer {};
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got <= 0)
            return std::nullopt;
        answer.append(buffer.data(), static_cast<std::size_t>(got));
    }
    answer.erase(answer.find('\n'));
    return answer;
}

} // namespace

std::filesystem::path SingleInstance::sessionFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && std::filesystem::path(runtime).is_absolute())
        return std::filesystem::path(runtime) / KAVORA_APP_ID;
    return std::filesystem::temp_directory_path()
        / (std::string(KAVORA_APP_ID) + "-" + std::to_string(::getuid()));
}

SingleInstance::SingleInstance(std::filesystem::path folder)
    : folder_(std::move(folder))
{
}

SingleInstance::~SingleInstance()
{
    if (server_) {
        server_->close();
        server_.reset();
    }
    // The socket file goes while the lock is still held, so it never removes a successor's.
    if (lockFd_ >= 0) {
        std::error_code ignored;
        std::filesystem::remove(folder_ / kSocketName, ignored);
        ::close(lockFd_);
    }
}

bool SingleInstance::acquire()
{
    if (lockFd_ >= 0)
        return true;
    // A folder that cannot be made private still works; the lock is what matters.
    preparePrivateFolder(folder_);
    // Close-on-exec: the applications the receiver launches must not inherit the lock.
    const int fd = ::open((folder_ / kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true; // no folder to lock in: run rather than refuse to start
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    return true;
}

bool SingleInstance::requestShow(std::chrono::milliseconds timeout) const
{
    return request(kShowRequest, timeout) == kShowAnswer;
}

std::optional<std::string>
SingleInstance::requestWebAddress(std::chrono::milliseconds timeout) const
{
    return request(kWebRequest, timeout);
}

std::optional<std::string> SingleInstance::request(const std::string& line,
                                                   std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const int fd = connectTo(folder_ / kSocketName);
        if (fd >= 0) {
            auto answer = exchange(fd, line, deadline);
            ::close(fd);
            if (answer)
                return answer;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
    return std::nullopt;
}

void SingleInstance::listen(std::function<void()> onShow, std::function<std::string()> onWebAddress)
{
    if (lockFd_ < 0)
        return;
    const QString path = QString::fromStdString((folder_ / kSocketName).string());
    // Holding the lock, any socket file left here belongs to a copy that is gone.
    QLocalServer::removeServer(path);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path))
        return;
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(),
                     [server = server_.get(), onShow = std::move(onShow),
                      onWebAddress = std::move(onWebAddress)] {
                         while (QLocalSocket* socket = server->nextPendingConnection()) {
                             QObject::connect(socket, &QLocalSocket::disconnected, socket,
                                              &QObject::deleteLater);
                             QObject::connect(
                                 socket, &QLocalSocket::readyRead, socket,
                                 [socket, onShow, onWebAddress] {
                                     if (!socket->canReadLine())
                                         return;
                                     const auto line = socket->readLine();
                                     if (line == kShowRequest) {
                                         socket->write(kShowAnswer);
                                         socket->write("\n");
                                         socket->flush();
                                         onShow();
                                     } else if (line == kWebRequest) {
                                         socket->write(QByteArray::fromStdString(onWebAddress()));
                                         socket->write("\n");
                                         socket->flush();
                                     }
                                 });
                         }
                     });
}

} // namespace kavora
