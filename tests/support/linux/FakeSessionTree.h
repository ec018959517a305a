// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "support/TemporaryFolder.h"

#include <filesystem>
#include <string>

namespace kavora::test {

// A control-group tree and a process folder of the test's own, shaped as a systemd session of
// user 1000 shapes them: the test program is process kOwnPid and runs in the unit ownGroup()
// names, and units are made under the user manager's app.slice.
class FakeSessionTree {
public:
    static constexpr int kOwnPid = 7;

    FakeSessionTree()
    {
        std::filesystem::create_directories(slice());
        std::filesystem::create_directories(proc() / std::to_string(kOwnPid));
        std::filesystem::create_directory_symlink(std::to_string(kOwnPid), proc() / "self");
        runIn(ownGroup());
    }

    std::filesystem::path cgroup() const { return folder_.path() / "cgroup"; }
    std::filesystem::path proc() const { return folder_.path() / "proc"; }
    std::filesystem::path slice() const { return cgroup() / kSlice; }
    // The unit the test program runs in, and its group.
    static std::string ownUnit() { return "app-gnome-org.example.Receiver-7.scope"; }
    static std::string ownGroup() { return std::string(kSlice) + "/" + ownUnit(); }

    // Makes the unit (a path below app.slice) if need be, with these process ids, one a line.
    void unit(const std::string& path, const std::string& processes) const
    {
        std::filesystem::create_directories(slice() / path);
        writeFile(slice() / path / "cgroup.procs", processes);
    }
    // Names the group (below the tree's root) the test program runs in.
    void runIn(const std::string& group) const
    {
        writeFile(proc() / "self" / "cgroup", "0::/" + group + "\n");
    }

private:
    static constexpr const char* kSlice = "user.slice/user-1000.slice/user@1000.service/app.slice";

    TemporaryFolder folder_;
};

} // namespace kavora::test
