#pragma once

#include <QHostAddress>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kavora {

// What the receiver was asked to do on its command line.
struct ReceiverOptions {
    bool headless = false;
    bool advertise = false;
    std::uint16_t port = 0; // 0: any free port
    // The one address controllers may connect to; every address unless given.
    QHostAddress listenAddress = QHostAddress::Any;

    // Announcing an address no other machine can reach would only mislead the network's browsers.
    bool publishesDnsSd() const { return !listenAddress.isLoopback(); }
};

// Parses the receiver's options (the arguments after the program name); explains what is wrong
// on err and returns nothing for an argument it does not know or a bad value.
std::optional<ReceiverOptions> parseReceiverOptions(const std::vector<std::string>& args,
                                                    std::ostream& err);

} // namespace kavora
