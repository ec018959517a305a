# SPDX-FileCopyrightText: 2026 Brivane Works inc.
# SPDX-License-Identifier: GPL-3.0-or-later

# Run after a test program is built (cmake -P): lists its GoogleTest suites and writes one ctest
# test per suite into `output`, running that suite's cases in one process of their own. A suite
# shares what it starts (an X server, a bus) among its cases, and suites never share a process.
# The program exits with 77 when cases were skipped and none failed: ctest shows that as skipped.
#
# Variables: program, label, output.

execute_process(COMMAND "${program}" --gtest_list_tests
    OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 60)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${program} --gtest_list_tests failed (${result}):\n${listing}${errors}")
endif()

string(REPLACE ";" "" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(script "")
foreach(line IN LISTS lines)
    # Suite lines start in the first column ("Suite." or "Rows/Suite.  # TypeParam = ...");
    # their cases follow indented.
    if(line MATCHES "^([^ ]+)\\.( .*)?$")
        set(suite "${CMAKE_MATCH_1}")
        string(APPEND script
            "add_test([==[${suite}]==] [==[${program}]==] [==[--gtest_filter=${suite}.*]==])\n"
            "set_tests_properties([==[${suite}]==] PROPERTIES LABELS [==[${label}]==] "
            "SKIP_RETURN_CODE 77)\n")
    endif()
endforeach()
file(WRITE "${output}" "${script}")
