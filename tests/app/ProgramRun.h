#pragma once

#include <QProcess>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kavora::test {

struct ProgramRun {
    int status = -1; // -1: it did not exit normally
    std::string out;
    std::string err;
};

// A command run in this process: run(out, err) returns its exit status.
template <class Run> ProgramRun captured(Run run)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = run(out, err);
    return { status, out.str(), err.str() };
}

// Runs one of the built programs (src/app/NAME) with input on its standard input and the
// variables set in its environment, and collects what it prints.
inline ProgramRun runProgram(const std::string& name, const std::vector<std::string>& args,
                             const std::string& input = {},
                             const std::vector<std::pair<std::string, std::string>>& variables = {})
{
    QProcess process;
    auto environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [variable, value] : variables)
        environment.insert(QString::fromStdString(variable), QString::fromStdString(value));
    process.setProcessEnvironment(environment);
    QStringList arguments;
    for (const auto& arg : args)
        arguments << QString::fromStdString(arg);
    process.start(QStringLiteral(KAVORA_BINARY_DIR "/src/app/") + QString::fromStdString(name),
                  arguments);
    process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    process.waitForFinished(-1);
    const bool exited = process.exitStatus() == QProcess::NormalExit
        && process.error() != QProcess::FailedToStart;
    return { exited ? process.exitCode() : -1, process.readAllStandardOutput().toStdString(),
             process.readAllStandardError().toStdString() };
}

} // namespace kavora::test
