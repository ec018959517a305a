// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/DevicesCommand.h"

#include "app/SettingsCommand.h"
#include "link/TrustedDevices.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"

#include <ostream>

namespace kavora {
namespace {

void printDevicesUsage(std::ostream& stream)
{
    stream << "Usage: kavora devices list\n"
              "       kavora devices allow FINGERPRINT\n"
              "       kavora devices revoke FINGERPRINT\n"
              "       kavora devices rename FINGERPRINT NAME\n"
              "\n"
              "The controllers allowed to connect to this computer without being asked.\n"
              "A controller that is not trusted is held while the desktop program asks the user\n"
              "(the headless receiver prints the request with the command that allows it).\n"
              "\n"
              "  list                 print the trusted controllers with their fingerprints\n"
              "  allow FINGERPRINT    trust a controller ahead of time, or accept the one the\n"
              "                       receiver is asking about\n"
              "  revoke FINGERPRINT   forget a controller; if it is connected, it is disconnected\n"
              "  rename FINGERPRINT NAME\n"
              "                       list a trusted controller under NAME from now on, whatever\n"
              "                       name it connects under\n"
              "\n"
              "FINGERPRINT is the SHA-256 fingerprint of the controller's certificate, 64\n"
              "hexadecimal digits, with or without colons (kavora-remote identity prints its\n"
              "own). A running receiver takes a change within a second.\n";
}

// Times as the settings file keeps them, made easier to read: "2026-01-02 03:04:05 UTC".
std::string readableTime(WallTime time)
{
    auto text = storedTimeText(time);
    text[10] = ' ';
    text.pop_back();
    return text + " UTC";
}

void listDevices(const TrustedDevices& devices, std::ostream& out)
{
    if (devices.devices()->empty()) {
        out << "No trusted controllers.\n";
        return;
    }
    bool first = true;
    for (const auto& device : devices.devices().get()) {
        out << (first ? "" : "\n") << (device.name.empty() ? "(no name yet)" : device.name) << '\n'
            << "  fingerprint  " << device.fingerprint << '\n'
            << "  trusted      " << readableTime(device.trustedAt) << '\n'
            << "  last seen    " << (device.lastSeen ? readableTime(*device.lastSeen) : "never")
            << '\n';
        first = false;
    }
}

} // namespace

int runDevicesCommand(const std::vector<std::string>& args, JsonFileUserDefaults& defaults,
                      std::ostream& out, std::ostream& err)
{
    const SettingsCommand command("devices", printDevicesUsage, out, err);
    if (SettingsCommand::asksForHelp(args))
        return command.help();
    const std::string verb = args.empty() ? std::string() : args[0];
    TrustedDevices devices(defaults, systemWallTime);
    if (verb == "list" && args.size() == 1) {
        listDevices(devices, out);
        return SettingsCommand::kDone;
    }
    const bool renaming = verb == "rename" && args.size() == 3 && !args[2].empty();
    if (((verb == "allow" || verb == "revoke") && args.size() == 2) || renaming) {
        const auto fingerprint = normalizedFingerprint(args[1]);
        if (!fingerprint) {
            return command.complain("\"" + args[1]
                                        + "\" is not a fingerprint: expected 64 hexadecimal "
                                          "digits, with or without colons",
                                    SettingsCommand::kUsageError);
        }
        if (verb == "allow") {
            devices.trust(*fingerprint, {}, TrustedDevices::Seen::NotYet);
            return command.finishChange(defaults);
        }
        if (renaming ? !devices.rename(*fingerprint, args[2]) : !devices.revoke(*fingerprint)) {
            return command.complain("no trusted controller has the fingerprint " + *fingerprint,
                                    SettingsCommand::kFailed);
        }
        return command.finishChange(defaults);
    }
    return command.wrongUsage();
}

} // namespace kavora
