// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/LinuxHostNames.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <fstream>

#include <unistd.h>

namespace kavora::test {
namespace {

TEST(PeerHostNamesTest, ReadsPrettyHostNameFromMachineInfo)
{
    // clang-format off
    const std::tuple<const char*, std::string, std::string> rows[] = {
        { "double quotes", "PRETTY_HOSTNAME=\"Kenji's ThinkPad\"\n", "Kenji's ThinkPad" },
        { "single quotes", "PRETTY_HOSTNAME='Office Desk'\n", "Office Desk" },
        { "no quotes", "PRETTY_HOSTNAME=Desk\n", "Desk" },
        { "escaped quote", "PRETTY_HOSTNAME=\"The \\\"Big\\\" One\"", "The \"Big\" One" },
        { "among other keys", "CHASSIS=laptop\nPRETTY_HOSTNAME=\"事務所のPC\"\nDEPLOYMENT=x\n", "事務所のPC" },
        { "absent", "CHASSIS=desktop\n", "" },
        { "other key with the same ending", "NOT_PRETTY_HOSTNAME=x\n", "" },
        { "empty value", "PRETTY_HOSTNAME=\n", "" },
        { "surrounding blanks and CRLF", "  PRETTY_HOSTNAME=\"Desk\"  \r\n", "Desk" },
    };
    // clang-format on
    for (const auto& [shows, text, expected] : rows)
        EXPECT_EQ(prettyHostNameFromMachineInfo(text), expected) << shows;
}

TEST(PeerHostNamesTest, ReadsTheFileAndTheKernelName)
{
    TemporaryFolder folder;
    const auto path = folder.path() / "machine-info";
    std::ofstream(path) << "PRETTY_HOSTNAME=\"Test Desk\"\n";
    EXPECT_EQ(LinuxHostNames(path).prettyHostName(), "Test Desk");
    EXPECT_EQ(LinuxHostNames(folder.path() / "missing").prettyHostName(), "");

    char expected[256] = {};
    ASSERT_EQ(::gethostname(expected, sizeof expected - 1), 0);
    EXPECT_EQ(LinuxHostNames(path).hostName(), expected);
}

} // namespace
} // namespace kavora::test
