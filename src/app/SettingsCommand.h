// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace kavora {

class JsonFileUserDefaults;

// What kavora's commands on the settings file (`defaults`, `devices`, `web`) share: their exit
// statuses, the words that ask for help, their usage text on the right stream and their
// complaints, each line starting "kavora NAME: ".
class SettingsCommand {
public:
    static constexpr int kDone = 0;
    // Nothing to show, no such entry, or the change could not be saved.
    static constexpr int kFailed = 1;
    // Wrong words or a malformed value: nothing was changed.
    static constexpr int kUsageError = 2;

    using Usage = std::function<void(std::ostream&)>;

    SettingsCommand(std::string_view name, Usage usage, std::ostream& out, std::ostream& err);

    // --help, -h or help as the first word, or --help after it.
    static bool asksForHelp(const std::vector<std::string>& args);
    // The usage on the output: kDone.
    int help() const;
    // The usage on the error stream: kUsageError.
    int wrongUsage() const;
    // "kavora NAME: problem" on the error stream; returns status.
    int complain(std::string_view problem, int status) const;
    // After a change: kDone, or kFailed with the reason the file could not be written.
    int finishChange(const JsonFileUserDefaults& defaults) const;

    std::ostream& out() const { return out_; }

private:
    std::string name_;
    Usage usage_;
    std::ostream& out_;
    std::ostream& err_;
};

} // namespace kavora
