// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/SystemLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kavora::test {
namespace {

std::string linesWritten(const std::function<void(SystemLog&)>& write)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = ::open_memstream(&buffer, &size);
    {
        SystemLog log(stream);
        write(log);
    }
    std::fclose(stream);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

TEST(SystemLog, EveryCallIsOneLine)
{
    const auto text = linesWritten([](SystemLog& log) {
        log.line("Kavora: 旧バンドルID からのデータ移行完了");
        log.line("two\nparts\r");
        log.line(std::string_view("nul\0inside", 10));
        log.line("");
    });
    EXPECT_EQ(text,
              "Kavora: 旧バンドルID からのデータ移行完了\n"
              "two parts \n"
              "nul inside\n"
              "\n");
}

} // namespace
} // namespace kavora::test
