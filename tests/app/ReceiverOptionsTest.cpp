#include "app/ReceiverOptions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace kavora::test {
namespace {

struct ListenRow {
    const char* name;
    std::vector<std::string> args;
    const char* address; // what the receiver listens on; nullptr: every address
    bool publishes;
};

void PrintTo(const ListenRow& row, std::ostream* out)
{
    *out << row.name;
}

const ListenRow kListenRows[] = {
    { "EveryAddressByDefault", {}, nullptr, true },
    { "IPv4Loopback", { "--listen", "127.0.0.1" }, "127.0.0.1", false },
    { "AnotherLoopbackAddress", { "--listen", "127.0.0.2" }, "127.0.0.2", false },
    { "IPv6Loopback", { "--listen", "::1" }, "::1", false },
    { "ALanAddressIsAnnounced", { "--listen", "192.168.1.20" }, "192.168.1.20", true },
    { "TheIPv4Wildcard", { "--listen", "0.0.0.0" }, "0.0.0.0", true },
    { "BesideTheOtherOptions",
      { "--headless", "--listen", "127.0.0.1", "--port", "0", "--advertise" },
      "127.0.0.1",
      false },
};

class ReceiverListenOption : public testing::TestWithParam<ListenRow> { };

TEST_P(ReceiverListenOption, ChoosesTheAddressAndWhetherToAnnounceIt)
{
    std::ostringstream err;
    const auto options = parseReceiverOptions(GetParam().args, err);
    ASSERT_TRUE(options.has_value()) << err.str();
    const QHostAddress expected = GetParam().address
        ? QHostAddress(QString::fromLatin1(GetParam().address))
        : QHostAddress(QHostAddress::Any);
    EXPECT_EQ(options->listenAddress, expected) << options->listenAddress.toString().toStdString();
    EXPECT_EQ(options->listenAddress.protocol(), expected.protocol());
    EXPECT_EQ(options->publishesDnsSd(), GetParam().publishes);
    EXPECT_EQ(err.str(), "");
}

INSTANTIATE_TEST_SUITE_P(Rows, ReceiverListenOption, testing::ValuesIn(kListenRows),
                         [](const auto& row) { return std::string(row.param.name); });

struct RefusedRow {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

void PrintTo(const RefusedRow& row, std::ostream* out)
{
    *out << row.name;
}

const RefusedRow kRefusedRows[] = {
    { "MissingAddress",
      { "--listen" },
      "kavora: --listen needs an IP address (for example 127.0.0.1 or ::1)\n" },
    { "HostName",
      { "--listen", "localhost" },
      "kavora: 'localhost' is not an IP address to listen on (for example 127.0.0.1 or ::1)\n" },
    { "OctetOutOfRange",
      { "--listen", "127.0.0.256" },
      "kavora: '127.0.0.256' is not an IP address to listen on (for example 127.0.0.1 or ::1)\n" },
    { "AddressWithPort",
      { "--listen", "127.0.0.1:4000" },
      "kavora: '127.0.0.1:4000' is not an IP address to listen on (for example 127.0.0.1 or "
      "::1)\n" },
    { "EmptyAddress",
      { "--listen", "" },
      "kavora: '' is not an IP address to listen on (for example 127.0.0.1 or ::1)\n" },
    { "PortOutOfRange", { "--port", "65536" }, "kavora: '65536' is not a port number (0-65535)\n" },
};

class ReceiverOptionsRefused : public testing::TestWithParam<RefusedRow> { };

TEST_P(ReceiverOptionsRefused, ExplainsWhatIsWrong)
{
    std::ostringstream err;
    EXPECT_FALSE(parseReceiverOptions(GetParam().args, err).has_value());
    EXPECT_EQ(err.str(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Rows, ReceiverOptionsRefused, testing::ValuesIn(kRefusedRows),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace kavora::test
