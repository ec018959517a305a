// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReceiverProcess.h"

#include <charconv>
#include <fstream>
#include <regex>

namespace kavora::test {

namespace {

constexpr std::string_view kListeningOn = " listening on port ";

// The port in "kavora: NAME listening on port N"; 0 when the line says something else.
std::uint16_t portIn(const std::string& banner)
{
    const auto at = banner.rfind(kListeningOn);
    if (at == std::string::npos)
        return 0;
    const char* first = banner.data() + at + kListeningOn.size();
    const char* last = banner.data() + banner.size();
    unsigned port = 0;
    const auto [end, error] = std::from_chars(first, last, port);
    return error == std::errc() && end == last && port <= 65535 ? static_cast<std::uint16_t>(port)
                                                                : 0;
}

// Switches the browser controller on in the settings the test prepared (or in new ones).
void switchBrowserOn(const std::filesystem::path& home)
{
    const auto path = home / ".config/kavora/settings.json";
    std::filesystem::create_directories(path.parent_path());
    auto settings = nlohmann::json::parse(readFile(path), nullptr, false);
    if (!settings.is_object())
        settings = nlohmann::json::object();
    settings["linuxBrowserControl"] = true;
    std::ofstream(path) << settings.dump();
}

} // namespace

ReceiverProcess::ReceiverProcess(const PrepareHome& prepareHome, bool trustControllers,
                                 Browser browser, const EnvironmentChanges& desktop)
{
    if (!xvfb_.running() || folder_.path().empty())
        return;
    const auto root = folder_.path(); // mode 0700, as a runtime folder must be
    for (const auto& folder : { home() / ".config", home() / ".local/share", home() / ".cache",
                                root / "system-data", root / "system-config" })
        std::filesystem::create_directories(folder);
    if (prepareHome)
        prepareHome(home());
    if (browser == Browser::On)
        switchBrowserOn(home());
    environment_ = {
        { "DISPLAY", xvfb_.displayName() },
        { "HOME", home().string() },
        { "XDG_CONFIG_HOME", (home() / ".config").string() },
        { "XDG_DATA_HOME", (home() / ".local/share").string() },
        { "XDG_CACHE_HOME", (home() / ".cache").string() },
        { "XDG_RUNTIME_DIR", root.string() },
        { "XDG_DATA_DIRS", (root / "system-data").string() },
        { "XDG_CONFIG_DIRS", (root / "system-config").string() },
        // Addresses where nothing listens: the user's bus, accessibility bus and sound server
        // stay out of reach, and nothing is started on demand (a bus autolaunched on the X
        // display would outlive the test).
        { "DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (root / "no-session-bus").string() },
        { "AT_SPI_BUS_ADDRESS", "unix:path=" + (root / "no-accessibility-bus").string() },
        { "PULSE_SERVER", "unix:" + (root / "no-sound-server").string() },
        // Input goes through Xlib to DISPLAY; Qt itself needs no window system here.
        { "QT_QPA_PLATFORM", "offscreen" },
        // What the tests read of its output in English, whatever the caller's language.
        { "LC_ALL", "C.UTF-8" },
        { "LANGUAGE", "" },
    };
    for (const auto& [name, value] : desktop) {
        std::erase_if(environment_, [&name](const auto& entry) { return entry.first == name; });
        environment_.emplace_back(name, value);
    }
    if (trustControllers && devices({ "allow", controllerFingerprint() }) != 0)
        return;
    process_ = ChildProcess(
        { { KAVORA_PROGRAM, "--headless", "--advertise", "--listen", "127.0.0.1", "--port", "0" },
          environment_,
          true,
          scratchPath("kavora.log") });
    if (auto line = process_.readLine(kStartTimeout)) {
        banner_ = *line;
        port_ = portIn(banner_);
    }
}

std::string ReceiverProcess::webAddress(std::chrono::milliseconds timeout)
{
    // The headless receiver prints it on standard output once it serves the page.
    std::string address;
    while (address.empty()) {
        const auto line = process_.readLine(timeout);
        if (!line)
            break;
        printed_ += *line + "\n";
        address = pairingAddressIn(*line);
    }
    return address;
}

std::string ReceiverProcess::controllerFingerprint() const
{
    auto printed = run({ KAVORA_REMOTE_PROGRAM, "identity" }, environment_, kStartTimeout).output;
    while (!printed.empty() && printed.back() == '\n')
        printed.pop_back();
    return printed;
}

std::optional<int> ReceiverProcess::devices(std::vector<std::string> arguments) const
{
    arguments.insert(arguments.begin(), { KAVORA_PROGRAM, "devices" });
    return run(std::move(arguments), environment_, kStartTimeout).exitStatus;
}

std::string ReceiverProcess::log() const
{
    return "first line: " + banner_ + "\n" + printed_ + readFile(scratchPath("kavora.log"));
}

RemoteController::RemoteController(const ReceiverProcess& receiver, const std::string& name)
    : logPath_(receiver.scratchPath("remote-" + name + ".log"))
    , process_({ { KAVORA_REMOTE_PROGRAM, "connect", receiver.address(), "--name", name },
                 receiver.environment(),
                 true,
                 logPath_,
                 true })
{
}

bool RemoteController::send(const nlohmann::json& message)
{
    return process_.writeInput(message.dump() + "\n");
}

std::optional<nlohmann::json> RemoteController::nextMessage(std::chrono::milliseconds timeout)
{
    const auto line = process_.readLine(timeout);
    if (!line)
        return std::nullopt;
    auto message = nlohmann::json::parse(*line, nullptr, false);
    if (message.is_discarded())
        return nlohmann::json { { "notJson", *line } };
    return message;
}

std::vector<nlohmann::json> RemoteController::messagesUntil(const std::string& key)
{
    std::vector<nlohmann::json> messages;
    while (auto message = nextMessage()) {
        messages.push_back(*message);
        if (caseOf(*message) == key)
            break;
    }
    return messages;
}

bool RemoteController::inSession()
{
    if (!send({ { "heartbeat", nlohmann::json::object() } }))
        return false;
    const auto messages = messagesUntil("heartbeat");
    return !messages.empty() && caseOf(messages.back()) == "heartbeat";
}

std::string RemoteController::errors() const
{
    return readFile(logPath_);
}

std::string caseOf(const nlohmann::json& message)
{
    return message.is_object() && message.size() == 1 ? message.begin().key() : std::string();
}

std::string pairingAddressIn(const std::string& text)
{
    static const std::regex address(R"(https://[^\s/#]+/#t=[A-Za-z0-9_-]{22})");
    std::smatch match;
    return std::regex_search(text, match, address) ? match.str() : std::string();
}

} // namespace kavora::test
