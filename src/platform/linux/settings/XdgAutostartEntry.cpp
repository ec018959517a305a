// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/settings/XdgAutostartEntry.h"

#include "platform/linux/settings/UserFolders.h"

#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace kavora {
namespace {

constexpr std::string_view kExecReserved = " \t\n\"'\\><~|&;$*?#()`";

std::string quotedArgument(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(kExecReserved) == std::string::npos)
        return argument;
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// True when the entry's [Desktop Entry] group switches it off, as session settings do instead of
// removing the file.
bool saysDisabled(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    bool inMainGroup = false;
    while (std::getline(lines, line)) {
        if (line.starts_with('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inMainGroup || equals == std::string::npos)
            continue;
        const auto trim = [](std::string_view part) {
            const auto first = part.find_first_not_of(" \t");
            const auto last = part.find_last_not_of(" \t\r");
            return first == std::string_view::npos ? std::string_view()
                                                   : part.substr(first, last - first + 1);
        };
        const std::string_view key = trim(std::string_view(line).substr(0, equals));
        const std::string_view value = trim(std::string_view(line).substr(equals + 1));
        if ((key == "Hidden" && value == "true")
            || (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return true;
    }
    return false;
}

std::string entryText(const std::filesystem::path& program)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Kavora\n"
           "Name[ja]=Kavora\n"
           "Comment=Use a handheld touch device as this computer's mouse, keyboard and launcher\n"
           "Comment[ja]="
           "手元のタッチ端末をこのコンピュータのマウス・キーボード・ランチャーにします\n"
           "Exec="
        + desktopExecValue({ program.string(), "--autostart" })
        + "\n"
          "Icon=" KAVORA_APP_ID "\n"
          "Terminal=false\n"
          "X-GNOME-Autostart-enabled=true\n";
}

} // namespace

std::string desktopExecValue(const std::vector<std::string>& arguments)
{
    std::string command;
    for (const auto& argument : arguments) {
        if (!command.empty())
            command += ' ';
        command += quotedArgument(argument);
    }
    std::string value;
    for (const char c : command) {
        if (c == '%')
            value += "%%";
        else if (c == '\\')
            value += "\\\\";
        else if (c == '\n')
            value += "\\n";
        else if (c == '\t')
            value += "\\t";
        else
            value += c;
    }
    return value;
}

XdgAutostartEntry::XdgAutostartEntry(std::filesystem::path file, std::filesystem::path program)
    : file_(std::move(file))
    , program_(std::move(program))
{
}

std::filesystem::path XdgAutostartEntry::userFile()
{
    // The settings folder is <config home>/kavora; autostart entries live beside it.
    return settingsFolder().parent_path() / "autostart" / (std::string(KAVORA_APP_ID) + ".desktop");
}

bool XdgAutostartEntry::isEnabled() const
{
    std::ifstream in(file_, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    return !saysDisabled(text.str());
}

std::optional<std::string> XdgAutostartEntry::setEnabled(bool enabled)
{
    std::error_code error;
    if (!enabled) {
        std::filesystem::remove(file_, error);
        if (error)
            return "cannot remove " + file_.string() + ": " + error.message();
        return std::nullopt;
    }
    std::filesystem::create_directories(file_.parent_path(), error);
    if (error)
        return "cannot create " + file_.parent_path().string() + ": " + error.message();
    // Written beside the entry and renamed over it, so that the session never reads half of one.
    auto temporary = file_;
    temporary += ".tmp-" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << entryText(program_);
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, error);
            return "cannot write " + file_.string();
        }
    }
    std::filesystem::rename(temporary, file_, error);
    if (error) {
        const std::string problem = "cannot write " + file_.string() + ": " + error.message();
        std::filesystem::remove(temporary, error);
        return problem;
    }
    return std::nullopt;
}

} // namespace kavora
