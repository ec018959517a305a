// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/desktop/RunningSource.h"

#include "platform/linux/desktop/AppScopeList.h"
#include "platform/linux/x11/X11ClientList.h"

#include <cstdlib>

namespace kavora {

namespace {

std::optional<std::string> sessionVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

} // namespace

RunningSource chooseRunningSource(const SessionFacts& facts)
{
    const bool wayland
        = facts.sessionType ? *facts.sessionType == "wayland" : facts.waylandDisplay.has_value();
    if (facts.display && !wayland)
        return RunningSource::WindowList;
    return facts.hasAppScopes ? RunningSource::AppScopes : RunningSource::Processes;
}

RunningSources::RunningSources() = default;
RunningSources::RunningSources(RunningSources&&) noexcept = default;
RunningSources& RunningSources::operator=(RunningSources&&) noexcept = default;
RunningSources::~RunningSources() = default;

RunningSources RunningSources::ofThisSession(Scheduler& scheduler, Log& log)
{
    RunningSources sources;
    auto scopes = std::make_unique<AppScopeList>(scheduler, log);
    const SessionFacts facts { sessionVariable("XDG_SESSION_TYPE"), sessionVariable("DISPLAY"),
                               sessionVariable("WAYLAND_DISPLAY"), scopes->available() };
    switch (chooseRunningSource(facts)) {
    case RunningSource::WindowList:
        sources.clients = std::make_unique<X11ClientList>();
        break;
    case RunningSource::AppScopes:
        sources.scopes = std::move(scopes);
        break;
    case RunningSource::Processes:
        break;
    }
    return sources;
}

} // namespace kavora
