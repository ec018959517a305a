// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/WebCommand.h"

#include "app/SettingsCommand.h"
#include "platform/BrowserControl.h"
#include "platform/linux/settings/JsonFileUserDefaults.h"
#include "ui/QrCode.h"

#include <ostream>

namespace kavora {
namespace {

void printWebUsage(std::ostream& stream)
{
    stream << "Usage: kavora web [on | off]\n"
              "\n"
              "Control from a browser: a phone's browser opens the receiver's page and controls\n"
              "this computer, with nothing installed. It is off until switched on.\n"
              "\n"
              "  (nothing)  print the address with a fresh pairing code, and its QR code, from\n"
              "             the running receiver; the code works once, within 5 minutes\n"
              "  on         switch it on (the linuxBrowserControl setting), then print as above\n"
              "  off        switch it off; the running receiver stops serving the page\n"
              "\n"
              "The page is served while control from a browser and advertising are both on, on\n"
              "the port of the linuxWebPort setting (47390 unless set, or the next free one).\n";
}

} // namespace

int runWebCommand(const std::vector<std::string>& args, JsonFileUserDefaults& defaults,
                  const std::function<std::optional<std::string>()>& askAddress, std::ostream& out,
                  std::ostream& err)
{
    const SettingsCommand command("web", printWebUsage, out, err);
    if (SettingsCommand::asksForHelp(args))
        return command.help();
    if (args.size() > 1 || (args.size() == 1 && args[0] != "on" && args[0] != "off"))
        return command.wrongUsage();
    if (args.size() == 1) {
        defaults.setBool(BrowserControl::kEnabledKey, args[0] == "on");
        if (const int status = command.finishChange(defaults); status != SettingsCommand::kDone)
            return status;
        if (args[0] == "off") {
            out << "Control from a browser is off.\n";
            return SettingsCommand::kDone;
        }
    }
    const auto address = askAddress();
    if (!address) {
        return command.complain("no receiver is running; start one (kavora, or kavora --headless "
                                "--advertise) and try again",
                                SettingsCommand::kFailed);
    }
    if (address->empty()) {
        return command.complain("the page is not served: control from a browser must be on "
                                "(kavora web on) and the receiver advertising",
                                SettingsCommand::kFailed);
    }
    out << *address << '\n';
    if (const auto code = QrCode::encode(*address))
        out << code->halfBlockText();
    out << "Scan the code with the phone's camera, or open the address in its browser. The code "
           "works once, within 5 minutes.\n";
    return SettingsCommand::kDone;
}

} // namespace kavora
