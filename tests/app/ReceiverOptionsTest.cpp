// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/ReceiverOptions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace kavora::test {
namespace {

TEST(ReceiverOptions, ListenChoosesTheAddressAndWhetherToAnnounceIt)
{
    struct Row {
        const char* shows;
        std::vector<std::string> args;
        const char* address; // what the receiver listens on; nullptr: every address
        bool publishes;
    };
    const std::vector<Row> rows {
        { "every address by default", {}, nullptr, true },
        { "IPv4 loopback", { "--listen", "127.0.0.1" }, "127.0.0.1", false },
        { "another loopback address", { "--listen", "127.0.0.2" }, "127.0.0.2", false },
        { "IPv6 loopback", { "--listen", "::1" }, "::1", false },
        { "a LAN address is announced", { "--listen", "192.168.1.20" }, "192.168.1.20", true },
        { "the IPv4 wildcard", { "--listen", "0.0.0.0" }, "0.0.0.0", true },
        // clang-format off
        { "beside the other options", { "--headless", "--listen", "127.0.0.1", "--port", "0", "--advertise" }, "127.0.0.1", false },
        // clang-format on
    };
    for (const auto& row : rows) {
        std::ostringstream err;
        const auto options = parseReceiverOptions(row.args, err);
        ASSERT_TRUE(options.has_value()) << row.shows << ": " << err.str();
        const QHostAddress expected = row.address ? QHostAddress(QString::fromLatin1(row.address))
                                                  : QHostAddress(QHostAddress::Any);
        EXPECT_EQ(options->listenAddress, expected)
            << row.shows << ": " << options->listenAddress.toString().toStdString();
        EXPECT_EQ(options->listenAddress.protocol(), expected.protocol()) << row.shows;
        EXPECT_EQ(options->publishesDnsSd(), row.publishes) << row.shows;
        EXPECT_EQ(err.str(), "") << row.shows;
    }
}

TEST(ReceiverOptions, ABadValueIsExplained)
{
    const std::string notAnAddress = " is not an IP address to listen on (for example 127.0.0.1 "
                                     "or ::1)\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> rows {
        { { "--listen" }, "kavora: --listen needs an IP address (for example 127.0.0.1 or ::1)\n" },
        { { "--listen", "localhost" }, "kavora: 'localhost'" + notAnAddress },
        { { "--listen", "127.0.0.256" }, "kavora: '127.0.0.256'" + notAnAddress },
        { { "--listen", "127.0.0.1:4000" }, "kavora: '127.0.0.1:4000'" + notAnAddress },
        { { "--listen", "::1::2" }, "kavora: '::1::2'" + notAnAddress },
        { { "--listen", "" }, "kavora: ''" + notAnAddress },
        { { "--port", "65536" }, "kavora: '65536' is not a port number (0-65535)\n" },
    };
    for (const auto& [args, message] : rows) {
        std::ostringstream err;
        EXPECT_FALSE(parseReceiverOptions(args, err).has_value()) << testing::PrintToString(args);
        EXPECT_EQ(err.str(), message);
    }
}

} // namespace
} // namespace kavora::test
