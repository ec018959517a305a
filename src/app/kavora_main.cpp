// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/DefaultsCommand.h"
#include "app/DevicesCommand.h"
#include "app/ReceiverApp.h"
#include "app/ReceiverOptions.h"
#include "app/SingleInstance.h"
#include "app/WebCommand.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"
#include "platform/linux/settings/PlistLegacyPreferences.h"
#include "platform/linux/settings/UserFolders.h"
#include "platform/linux/system/SystemLog.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

void printUsage()
{
    std::puts(
        "Usage: kavora [--autostart] [--headless] [--advertise] [--port N] [--listen ADDRESS]\n"
        "       kavora defaults read [KEY] | write KEY VALUE | delete KEY\n"
        "       kavora devices list | allow FINGERPRINT | revoke FINGERPRINT\n"
        "                    | rename FINGERPRINT NAME\n"
        "       kavora web [on | off]\n"
        "       kavora --help | --version\n"
        "\n"
        "The Kavora receiver: lets a handheld touch device be the mouse, keyboard and\n"
        "launcher of this computer. Without --headless it is the desktop program: a\n"
        "status icon with a panel, and the settings window. One copy runs per session;\n"
        "starting another brings the running one's settings window to the front.\n"
        "\n"
        "A controller connects only once it is trusted: the desktop program asks the\n"
        "user with the controller's name and verification code; the headless receiver\n"
        "prints the request and the kavora devices command that allows it.\n"
        "\n"
        "  --autostart  start switched on, to the status icon without opening the\n"
        "               settings window (how the start-at-login entry starts it);\n"
        "               without a tray a notification says that it runs\n"
        "  --headless   run without a user interface (for servers and tests)\n"
        "  --advertise  switch advertising on at start, so controllers can connect\n"
        "  --port N     listen on TCP port N; 0, the default, takes the port stored in\n"
        "               the linuxListenPort setting, else any free port (the port in\n"
        "               use is printed once the receiver listens)\n"
        "  --listen ADDRESS\n"
        "               accept controllers on this IP address only (by default on every\n"
        "               address); on a loopback address such as 127.0.0.1 the receiver is\n"
        "               not announced on the network\n"
        "  defaults     read and change the receiver's settings (kavora defaults --help)\n"
        "  devices      list, allow and revoke trusted controllers (kavora devices --help)\n"
        "  web          control from a browser: switch it on or off, print the address\n"
        "               and QR code a phone opens it with (kavora web --help)");
}

// Asks the running receiver for the browser controller's address. A receiver takes a change of
// the switch within a second: an empty answer is asked again for a little while.
std::optional<std::string> askWebAddress()
{
    using namespace std::chrono_literals;
    const kavora::SingleInstance instance;
    const auto until = std::chrono::steady_clock::now() + 3s;
    auto answer = instance.requestWebAddress(2s);
    while (answer && answer->empty() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(200ms);
        answer = instance.requestWebAddress(2s);
    }
    return answer;
}

// `kavora defaults|devices|web ...` on the user's settings file: the exit status, or nothing when
// argv[1] names no such command.
std::optional<int> runSettingsCommand(int argc, char** argv)
{
    const std::string name = argc > 1 ? argv[1] : "";
    if (name != "defaults" && name != "devices" && name != "web")
        return std::nullopt;
    kavora::SystemLog log;
    kavora::JsonFileUserDefaults defaults(kavora::settingsFolder(), log);
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (name == "defaults")
        return kavora::runDefaultsCommand(args, defaults, std::cout, std::cerr);
    if (name == "devices")
        return kavora::runDevicesCommand(args, defaults, std::cout, std::cerr);
    return kavora::runWebCommand(args, defaults, askWebAddress, std::cout, std::cerr);
}

} // namespace

int main(int argc, char** argv)
{
    // Started by this program itself to read a legacy preferences file: nothing else runs.
    if (argc == 2 && std::strcmp(argv[1], kavora::kLegacyReaderFlag) == 0)
        return kavora::runLegacyPreferencesReader();
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage();
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("kavora " KAVORA_VERSION);
        return 0;
    }
    if (const auto status = runSettingsCommand(argc, argv))
        return *status;

    const auto options
        = kavora::parseReceiverOptions(std::vector<std::string>(argv + 1, argv + argc), std::cerr);
    if (!options)
        return 2;
    return kavora::runReceiver(argc, argv, *options);
}
