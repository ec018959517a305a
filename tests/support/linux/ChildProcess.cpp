// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/linux/ChildProcess.h"

#include "support/linux/Polling.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

namespace kavora::test {

namespace {

constexpr std::chrono::milliseconds kStopGrace { 3000 };

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

// One step of waiting: the event loop's when there is one (which QProcess then follows by
// itself), else a look at the process's pipes.
constexpr std::chrono::milliseconds kStep { 5 };

} // namespace

ChildProcess::ChildProcess() = default;

ChildProcess::ChildProcess(Options options)
{
    const std::string program = options.argv.empty() ? "" : findProgram(options.argv.front());
    if (program.empty())
        return;
    auto process = std::make_unique<QProcess>();
    auto environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : options.environment)
        environment.insert(text(name), text(value));
    process->setProcessEnvironment(environment);
    process->setChildProcessModifier([parent = getpid()] {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) // this process died before the call
            _exit(127);
    });
    if (!options.feedInput)
        process->setInputChannelMode(QProcess::ForwardedInputChannel);
    const bool forwardOutput = !options.captureOutput && options.log.empty();
    const bool forwardErrors = !options.captureErrors && options.log.empty();
    process->setProcessChannelMode(
        forwardOutput
            ? (forwardErrors ? QProcess::ForwardedChannels : QProcess::ForwardedOutputChannel)
            : (forwardErrors ? QProcess::ForwardedErrorChannel : QProcess::SeparateChannels));
    if (!options.log.empty() && !options.captureErrors)
        process->setStandardErrorFile(text(options.log), QIODevice::Append);
    if (!options.log.empty() && !options.captureOutput)
        process->setStandardOutputFile(text(options.log), QIODevice::Append);
    QStringList arguments;
    for (std::size_t i = 1; i < options.argv.size(); ++i)
        arguments.append(text(options.argv[i]));
    process->start(text(program), arguments);
    if (process->waitForStarted()) {
        process_ = std::move(process);
        readsOutput_ = options.captureOutput;
        readsErrors_ = options.captureErrors;
    }
}

ChildProcess::~ChildProcess()
{
    stop();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
{
    *this = std::move(other);
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept
{
    if (this != &other) {
        stop();
        process_ = std::move(other.process_);
        buffer_ = std::move(other.buffer_);
        errors_ = std::move(other.errors_);
        readsOutput_ = other.readsOutput_;
        readsErrors_ = other.readsErrors_;
        status_ = std::exchange(other.status_, std::nullopt);
    }
    return *this;
}

pid_t ChildProcess::pid() const
{
    return process_ ? static_cast<pid_t>(process_->processId()) : -1;
}

bool ChildProcess::collect(std::chrono::milliseconds wait)
{
    if (!process_ || status_)
        return true;
    if (!QCoreApplication::instance() && process_->state() != QProcess::NotRunning)
        process_->waitForReadyRead(static_cast<int>(wait.count()));
    const bool ended = process_->state() == QProcess::NotRunning || process_->waitForFinished(0);
    if (readsOutput_)
        buffer_ += process_->readAllStandardOutput().toStdString();
    if (readsErrors_)
        errors_ += process_->readAllStandardError().toStdString();
    if (ended) {
        const int code = process_->exitCode();
        status_ = process_->exitStatus() == QProcess::CrashExit ? 128 + code : code;
    }
    return ended;
}

bool ChildProcess::running()
{
    return process_ && !collect(std::chrono::milliseconds(0));
}

bool ChildProcess::writeInput(std::string_view text)
{
    if (!process_ || collect(std::chrono::milliseconds(0)))
        return false;
    process_->write(text.data(), static_cast<qint64>(text.size()));
    while (process_->bytesToWrite() > 0) {
        if (!process_->waitForBytesWritten(static_cast<int>(kStopGrace.count())))
            return false;
    }
    return true;
}

void ChildProcess::closeInput()
{
    if (process_)
        process_->closeWriteChannel();
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout)
{
    pollUntil([this] { return collect(kStep) || buffer_.find('\n') != std::string::npos; },
              timeout);
    const auto newline = buffer_.find('\n');
    if (newline == std::string::npos)
        return std::nullopt;
    std::string line = buffer_.substr(0, newline);
    buffer_.erase(0, newline + 1);
    return line;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    pollUntil([this] { return collect(kStep); }, timeout);
    return status_;
}

void ChildProcess::stop()
{
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(static_cast<int>(kStopGrace.count()))) {
            process_->kill();
            process_->waitForFinished(-1);
        }
    }
    process_.reset();
}

std::string findProgram(const std::string& name)
{
    return QStandardPaths::findExecutable(text(name)).toStdString();
}

std::string missingPrograms(std::initializer_list<std::string> names)
{
    std::string missing;
    for (const auto& name : names) {
        if (findProgram(name).empty())
            missing += (missing.empty() ? "not installed: " : " ") + name;
    }
    return missing;
}

RunResult run(std::vector<std::string> argv, EnvironmentChanges environment,
              std::chrono::milliseconds timeout, const std::string& input)
{
    ChildProcess child({ std::move(argv), std::move(environment), true, {}, true, true });
    RunResult result;
    if (child.started()) {
        child.writeInput(input);
        child.closeInput();
        result.exitStatus = child.waitForExit(timeout);
        result.output = child.unreadOutput();
        result.errors = child.unreadErrors();
    }
    return result;
}

} // namespace kavora::test
