// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/linux/settings/JsonFileUserDefaults.h"
#include "support/CapturingLog.h"
#include "support/TemporaryFolder.h"
#include "support/linux/ChildProcess.h"

#include <functional>
#include <sstream>

namespace kavora::test {

// One of the built programs (src/app/NAME) run to its end, with input on its stdin and variables
// in its environment.
inline RunResult runProgram(const std::string& name, std::vector<std::string> args,
                            const std::string& input = {}, EnvironmentChanges variables = {})
{
    args.insert(args.begin(), std::string(KAVORA_BINARY_DIR) + "/src/app/" + name);
    return run(std::move(args), std::move(variables), std::chrono::seconds(60), input);
}

// A settings folder of the test's own, the commands on it in this process, and the kavora
// program with it as its settings.
class CommandRig {
public:
    using Command = std::function<int(const std::vector<std::string>&, JsonFileUserDefaults&,
                                      std::ostream&, std::ostream&)>;

    std::filesystem::path folder() const { return temporary.path() / "kavora"; }
    std::filesystem::path settingsFile() const { return folder() / "settings.json"; }

    RunResult inProcess(const Command& command, const std::vector<std::string>& args)
    {
        std::ostringstream out;
        std::ostringstream err;
        const int status = command(args, store, out, err);
        return { status, out.str(), err.str() };
    }
    RunResult kavora(std::vector<std::string> args) const
    {
        return runProgram("kavora", std::move(args), {},
                          { { "XDG_CONFIG_HOME", temporary.path().string() } });
    }
    // The settings as a receiver running beside the command reads them.
    JsonFileUserDefaults seenByAReceiver() const { return { folder(), otherLog }; }

    TemporaryFolder temporary;
    CapturingLog log;
    mutable CapturingLog otherLog;
    JsonFileUserDefaults store { folder(), log };
};

} // namespace kavora::test
