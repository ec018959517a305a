// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/keys/HeldKeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora {
namespace {

// A key named by a letter; a lent one is given back after its release.
struct Key {
    char name = '?';
    bool lent = false;
};
using Keys = HeldKeys<Key>;
using Stroke = Keys::Stroke;

// Records what the keys post; it refuses to post the key named 'x'.
class RecordingSink final : public Keys::Sink {
public:
    bool sendKey(const Key& key, KeyState state) override
    {
        note(std::string(1, key.name) + (state == KeyState::Down ? " down" : " up"));
        return key.name != 'x';
    }
    void sendModifier(int modifier, KeyState state) override
    {
        note("mod " + std::to_string(modifier) + (state == KeyState::Down ? " down" : " up"));
    }
    void released(const Key& key) override
    {
        if (key.lent)
            note(std::string("give back ") + key.name);
    }
    void note(const std::string& line) { log += (log.empty() ? "" : ", ") + line; }

    std::string log;
};

// One event for the keys: a down with the stroke it would press (none: no stroke for it), an up,
// or the release of everything.
struct Step {
    enum class Op : std::uint8_t { Down, Up, ReleaseAll };
    Op op = Op::Down;
    HeldBy by = HeldBy::MacKey;
    std::int64_t id = 0;
    std::optional<Stroke> stroke;
    bool succeeds = true;
};

Step down(HeldBy by, std::int64_t id, std::optional<Stroke> stroke, bool succeeds = true)
{
    return { Step::Op::Down, by, id, std::move(stroke), succeeds };
}

Step up(HeldBy by, std::int64_t id, bool succeeds = true)
{
    return { Step::Op::Up, by, id, std::nullopt, succeeds };
}

const Step kReleaseAll { Step::Op::ReleaseAll, HeldBy::MacKey, 0, std::nullopt, true };
constexpr auto Mac = HeldBy::MacKey;
constexpr auto Char = HeldBy::Character;
constexpr auto Media = HeldBy::MediaKey;

TEST(HeldKeysTable, EachUpReleasesWhatItsDownPressed)
{
    struct Row {
        const char* shows;
        std::vector<Step> steps;
        const char* posted;
    };
    // clang-format off
    const Row rows[] = {
        { "a modifier shared by overlapping strokes goes up with the last",
          { down(Mac, 0, Stroke { { 'a' }, { 1 } }), down(Mac, 1, Stroke { { 'b' }, { 1, 2 } }), up(Mac, 0), up(Mac, 1) },
          "made a, mod 1 down, a down, made b, mod 2 down, b down, a up, b up, mod 2 up, "
          "mod 1 up" },
        { "modifiers go up in reverse order, then a lent key is given back",
          { down(Char, 97, Stroke { { 'a', true }, { 1, 2 } }), up(Char, 97) },
          "made a, mod 1 down, mod 2 down, a down, a up, mod 2 up, mod 1 up, give back a" },
        { "a second down is a repeat: the held key alone, no new stroke",
          { down(Mac, 0, Stroke { { 'a' }, { 1 } }), down(Mac, 0, Stroke { { 'b' }, { 2 } }), up(Mac, 0), up(Mac, 0) },
          "made a, mod 1 down, a down, a down, a up, mod 1 up" },
        { "an up without a down posts nothing and succeeds", { up(Media, 7) }, "" },
        { "a down without a stroke is refused and holds nothing", { down(Mac, 52, std::nullopt, false), up(Mac, 52) }, "made -" },
        { "each kind numbers its strokes apart",
          { down(Mac, 7, Stroke { { 'a' }, {} }), down(Char, 7, Stroke { { 'b' }, {} }), up(Mac, 7), up(Char, 7) },
          "made a, a down, made b, b down, a up, b up" },
        { "a key not posted fails its down and its up; its modifiers are counted all the same",
          { down(Mac, 0, Stroke { { 'x' }, { 1 } }, false), up(Mac, 0, false) },
          "made x, mod 1 down, x down, x up, mod 1 up" },
        { "releasing all lifts Mac keys, then characters, then media keys",
          { down(Media, 0, Stroke { { 'm' }, {} }), down(Char, 99, Stroke { { 'c', true }, { 2 } }),
            down(Mac, 1, Stroke { { 'k' }, { 2 } }), kReleaseAll, up(Mac, 1), up(Media, 0) },
          "made m, m down, made c, mod 2 down, c down, made k, k down, k up, c up, mod 2 up, "
          "give back c, m up" },
    };
    // clang-format on
    for (const auto& row : rows) {
        RecordingSink sink;
        Keys keys(sink);
        for (const auto& step : row.steps) {
            bool succeeded = true;
            switch (step.op) {
            case Step::Op::Down:
                succeeded = keys.press(step.by, step.id, [&] {
                    sink.note(std::string("made ") + (step.stroke ? step.stroke->key.name : '-'));
                    return step.stroke;
                });
                break;
            case Step::Op::Up:
                succeeded = keys.release(step.by, step.id);
                break;
            case Step::Op::ReleaseAll:
                keys.releaseAll();
                break;
            }
            EXPECT_EQ(succeeded, step.succeeds) << row.shows;
        }
        EXPECT_EQ(sink.log, row.posted) << row.shows;
    }
}

} // namespace
} // namespace kavora
