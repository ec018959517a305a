// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The main() of every test program: runs the selected cases, and exits with kSkipped when some
// were skipped and none failed, which ctest reports as a skipped test (SKIP_RETURN_CODE), so that
// a suite that could not run never shows as passed.

#include <gtest/gtest.h>

namespace {

constexpr int kSkipped = 77;

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (result == 0 && testing::UnitTest::GetInstance()->skipped_test_count() > 0)
        return kSkipped;
    return result;
}
