#include "app/DevicesCommand.h"

#include "link/TrustedDevices.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"

#include <ostream>

namespace kavora {
namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsageError = 2;

void printUsage(std::ostream& stream)
{
    stream << "Usage: kavora devices list\n"
              "       kavora devices allow FINGERPRINT\n"
              "       kavora devices revoke FINGERPRINT\n"
              "\n"
              "The controllers allowed to connect to this computer without being asked.\n"
              "A controller that is not trusted is held while the desktop program asks the user\n"
              "(the headless receiver prints the request with the command that allows it).\n"
              "\n"
              "  list                 print the trusted controllers with their fingerprints\n"
              "  allow FINGERPRINT    trust a controller ahead of time, or accept the one the\n"
              "                       receiver is asking about\n"
              "  revoke FINGERPRINT   forget a controller; if it is connected, it is disconnected\n"
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

int list(const TrustedDevices& devices, std::ostream& out)
{
    if (devices.devices()->empty()) {
        out << "No trusted controllers.\n";
        return kDone;
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
    return kDone;
}

int finishChange(JsonFileUserDefaults& defaults, std::ostream& err)
{
    if (auto error = defaults.lastWriteError()) {
        err << "kavora devices: " << *error << '\n';
        return kFailed;
    }
    return kDone;
}

} // namespace

int runDevicesCommand(const std::vector<std::string>& args, JsonFileUserDefaults& defaults,
                      std::ostream& out, std::ostream& err)
{
    const std::string verb = args.empty() ? std::string() : args[0];
    if (verb == "--help" || verb == "-h" || verb == "help"
        || (args.size() == 2 && args[1] == "--help")) {
        printUsage(out);
        return kDone;
    }
    TrustedDevices devices(defaults, systemWallTime);
    if (verb == "list" && args.size() == 1)
        return list(devices, out);
    if ((verb == "allow" || verb == "revoke") && args.size() == 2) {
        const auto fingerprint = normalizedFingerprint(args[1]);
        if (!fingerprint) {
            err << "kavora devices: \"" << args[1]
                << "\" is not a fingerprint: expected 64 hexadecimal digits, with or without "
                   "colons\n";
            return kUsageError;
        }
        if (verb == "allow") {
            devices.trust(*fingerprint, {}, TrustedDevices::Seen::NotYet);
            return finishChange(defaults, err);
        }
        if (!devices.revoke(*fingerprint)) {
            err << "kavora devices: no trusted controller has the fingerprint " << *fingerprint
                << '\n';
            return kFailed;
        }
        return finishChange(defaults, err);
    }
    printUsage(err);
    return kUsageError;
}

} // namespace kavora
