// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/RemoteCommands.h"
#include "protocol/MessageCoding.h"

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

void printUsage()
{
    std::puts("Usage: kavora-remote COMMAND\n"
              "\n"
              "A controller for the Kavora receiver, on the command line.\n"
              "\n"
              "Commands:\n"
              "  decode    Read one message as JSON on standard input and print it again in the\n"
              "            compact wire form, or print why it does not decode (exit status 1).\n"
              "  identity  Print the SHA-256 fingerprint of this controller's certificate, the\n"
              "            identity the receiver knows it by. It is made on first use and kept in\n"
              "            $XDG_CONFIG_HOME/kavora-remote (~/.config/kavora-remote).\n"
              "  connect HOST:PORT [--name NAME] [--wait SECONDS]\n"
              "            Join the receiver as a controller: send each JSON line of standard\n"
              "            input as one message, print each message received as one JSON line.\n"
              "            When the receiver asks its user first, the verification code is\n"
              "            printed on standard error: allow the controller on the receiver if it\n"
              "            shows the same code. The receiver's certificate is remembered for HOST\n"
              "            on the first connection; a different one later is refused.\n"
              "  browse [--timeout SECONDS]\n"
              "            List the receivers announced on the network, one JSON line each.");
}

// Prints the message read from standard input in its wire form, so that a controller's author
// can check what the receiver makes of a message.
int decodeCommand()
{
    const std::string input((std::istreambuf_iterator<char>(std::cin)),
                            std::istreambuf_iterator<char>());
    const auto message = kavora::decodeMessage(input);
    if (!message) {
        std::cerr << "error: " << message.error() << '\n';
        return 1;
    }
    const auto wire = kavora::encodeMessage(message.value());
    if (!wire) {
        std::cerr << "error: " << wire.error() << '\n';
        return 1;
    }
    std::cout << wire.value() << '\n';
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "--help" || command == "-h") {
        printUsage();
        return 0;
    }
    if (command == "decode" && argc == 2)
        return decodeCommand();
    if (command == "identity")
        return kavora::runIdentity(std::vector<std::string>(argv + 2, argv + argc), std::cout,
                                   std::cerr);
    if (command == "connect" || command == "browse") {
        const std::vector<std::string> args(argv + 2, argv + argc);
        return command == "connect" ? kavora::runConnect(args) : kavora::runBrowse(args);
    }
    printUsage();
    return 2;
}
