// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/PulseAudioControl.h"

#include <functional>
#include <memory>
#include <string>

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/operation.h>

namespace kavora {

namespace {

using Clock = std::chrono::steady_clock;

struct MainloopFree {
    void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};
struct ContextRelease {
    void operator()(pa_context* context) const
    {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
};
struct OperationRelease {
    // An operation still running is cancelled, so that its callback, which points into the
    // caller's stack, can never run later.
    void operator()(pa_operation* operation) const
    {
        if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING)
            pa_operation_cancel(operation);
        pa_operation_unref(operation);
    }
};

MuteOutcome failure(const std::string& description)
{
    return { false, "PulseAudio: " + description };
}

MuteOutcome contextFailure(pa_context* context)
{
    return failure(pa_strerror(pa_context_errno(context)));
}

// Runs the loop until done() holds; false when the deadline passes first or the loop fails.
bool runUntil(pa_mainloop* loop, Clock::time_point deadline, const std::function<bool()>& done)
{
    while (!done()) {
        const auto left
            = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        if (pa_mainloop_prepare(loop, static_cast<int>(left.count())) < 0
            || pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0)
            return false;
    }
    return true;
}

struct MuteRequest {
    bool answered = false;
    bool succeeded = false;
};

} // namespace

PulseAudioControl::PulseAudioControl(std::chrono::milliseconds deadline)
    : deadline_(deadline)
{
}

MuteOutcome PulseAudioControl::setOutputMuted(bool muted)
{
    const auto deadline = Clock::now() + deadline_;
    const std::unique_ptr<pa_mainloop, MainloopFree> loop(pa_mainloop_new());
    if (!loop)
        return failure("cannot create a main loop");
    const std::unique_ptr<pa_context, ContextRelease> context(
        pa_context_new(pa_mainloop_get_api(loop.get()), "Kavora"));
    if (!context)
        return failure("cannot create a context");

    // No autospawn: starting a sound server is the session's business, not a remote control's.
    if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return contextFailure(context.get());
    const bool settled = runUntil(loop.get(), deadline, [&] {
        const pa_context_state_t state = pa_context_get_state(context.get());
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (!settled)
        return failure("the sound server did not answer in time");
    if (pa_context_get_state(context.get()) != PA_CONTEXT_READY)
        return contextFailure(context.get());

    MuteRequest request;
    const auto onDone = [](pa_context*, int success, void* userdata) {
        auto* answer = static_cast<MuteRequest*>(userdata);
        answer->answered = true;
        answer->succeeded = success != 0;
    };
    const std::unique_ptr<pa_operation, OperationRelease> operation(
        pa_context_set_sink_mute_by_name(context.get(), "@DEFAULT_SINK@", muted ? 1 : 0, onDone,
                                         &request));
    if (!operation)
        return contextFailure(context.get());
    if (!runUntil(loop.get(), deadline, [&] { return request.answered; }))
        return failure("the sound server did not answer in time");
    if (!request.succeeded)
        return contextFailure(context.get());
    return { true, std::nullopt };
}

} // namespace kavora
