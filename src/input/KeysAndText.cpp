// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Key strokes with their modifiers, and text typed as Unicode key events or pasted.
#include "input/CGEventInjector.h"

#include "core/Log.h"
#include "core/Text.h"
#include "input/KeyTables.h"
#include "input/TextUnits.h"
#include "platform/Pasteboard.h"
#include "protocol/HidKeyboard.h"

#include <algorithm>
#include <string>
#include <utility>
#include <variant>

namespace kavora {
namespace {

// The previous pasteboard contents come back this long after a paste; by then the focused
// application has normally read the pasted text.
constexpr auto kPasteboardRestoreDelay = Seconds(0.2);

constexpr bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

void CGEventInjector::pressKey(std::uint8_t modifier, std::uint8_t usage)
{
    // An unmapped usage posts nothing at all, not even the modifiers.
    const auto code = keyCodeForUsage(usage);
    if (!code)
        return;

    std::uint64_t flags = 0;
    for (const auto& key : kModifierKeys) {
        if ((modifier & key.hidBits) != 0)
            flags |= key.eventFlag;
    }
    const auto held = [flags](const ModifierKey& key) { return (flags & key.eventFlag) != 0; };

    // Modifier keys carry no explicit flags; the main key carries exactly the combined set.
    for (const auto& key : kModifierKeys) {
        if (held(key))
            events_.postKey({ key.virtualKey, KeyState::Down, std::nullopt, std::nullopt });
    }
    events_.postKey({ *code, KeyState::Down, flags, std::nullopt });
    events_.postKey({ *code, KeyState::Up, flags, std::nullopt });
    for (auto key = kModifierKeys.rbegin(); key != kModifierKeys.rend(); ++key) {
        if (held(*key))
            events_.postKey({ key->virtualKey, KeyState::Up, std::nullopt, std::nullopt });
    }
}

void CGEventInjector::enterText(std::string_view text)
{
    if (text.empty())
        return;
    // One character types directly; longer text would be slow and could be reordered as key
    // events, so it goes through the pasteboard. Where key events cannot carry a character, or
    // the pasteboard cannot be set from here, the other way is taken, and where neither works the
    // text is left out rather than typed as wrong keys.
    const auto characters = codePoints(text);
    const bool typable = std::ranges::all_of(
        characters, [this](char32_t character) { return events_.canTypeCharacter(character); });
    const bool pastable = pasteboard_.isSettableInBackground();
    if (typable && (isSingleCharacter(text) || !pastable)) {
        typeUnicode(text);
    } else if (pastable) {
        if (pasteText(text))
            return;
        // Command+V would paste what the clipboard holds, someone else's text.
        if (typable) {
            log_.line("kavora: the clipboard could not be taken; the text is typed instead");
            typeUnicode(text);
        } else {
            log_.line("kavora: text left out: the clipboard could not be taken and the keyboard "
                      "layout cannot type it");
        }
    } else {
        log_.line("kavora: text left out: the keyboard layout cannot type it and the clipboard "
                  "cannot be set from the background");
    }
}

void CGEventInjector::typeUnicode(std::string_view text)
{
    // One down/up pair per UTF-16 unit: a surrogate pair or a combining sequence is several pairs.
    // The units join the text being typed; the first slice goes at once, so short text is typed
    // before this returns.
    const bool idle = !isTyping();
    typing_ += utf16Units(text);
    if (idle && !inTypingSlice_)
        typeSlice();
}

void CGEventInjector::typeSlice()
{
    inTypingSlice_ = true;
    const auto started = scheduler_.now();
    std::size_t budget = kTypingSliceUnits;
    const auto spend = [&budget] { budget -= std::min<std::size_t>(budget, 1); };
    while (budget > 0 && scheduler_.now() - started < kTypingSliceTime) {
        if (typed_ < typing_.size()) {
            // A surrogate pair stays in one slice.
            const bool pair = isHighSurrogate(typing_[typed_]) && typed_ + 1 < typing_.size();
            for (const auto end = typed_ + (pair ? 2 : 1); typed_ < end; ++typed_) {
                events_.postKey({ 0, KeyState::Down, std::nullopt, typing_[typed_] });
                events_.postKey({ 0, KeyState::Up, std::nullopt, typing_[typed_] });
                spend();
            }
            continue;
        }
        typing_.clear();
        typed_ = 0;
        if (waitingInput_.empty())
            break;
        // The input that waited goes on in order; text it brings joins the typing.
        auto message = std::move(waitingInput_.front());
        waitingInput_.pop_front();
        if (const auto* text = std::get_if<msg::TextInput>(&message))
            waitingTextBytes_ -= text->text.size();
        inject(message);
        spend();
    }
    inTypingSlice_ = false;
    if (typed_ == typing_.size()) {
        typing_.clear();
        typed_ = 0;
    }
    if (waitingInput_.empty())
        droppedWaitingInput_ = false;
    if (isTyping()) {
        scheduler_.post([weak = weak_from_this()] {
            if (auto self = weak.lock())
                self->typeSlice();
        });
    }
}

void CGEventInjector::waitBehindText(const ControlMessage& message)
{
    const auto* text = std::get_if<msg::TextInput>(&message);
    const auto textBytes = text ? text->text.size() : 0;
    if (waitingInput_.size() >= kMaxWaitingMessages
        || waitingTextBytes_ + textBytes > kMaxWaitingTextBytes) {
        if (!std::exchange(droppedWaitingInput_, true))
            log_.line("kavora: input dropped: too much is waiting behind the text being typed");
        return;
    }
    waitingInput_.push_back(message);
    waitingTextBytes_ += textBytes;
}

void CGEventInjector::dropTyping()
{
    if (!isTyping())
        return;
    log_.line("kavora: the controller left: " + std::to_string(typing_.size() - typed_)
              + " units of text not typed, " + std::to_string(waitingInput_.size())
              + " messages after it dropped");
    typing_.clear();
    typed_ = 0;
    waitingInput_.clear();
    waitingTextBytes_ = 0;
    droppedWaitingInput_ = false;
}

bool CGEventInjector::pasteText(std::string_view text)
{
    auto saved = pasteboard_.items();
    pasteboard_.clearContents();
    // Nothing is restored then either: whoever holds the clipboard now took it after us.
    if (!pasteboard_.setString(text))
        return false;
    pressKey(hidmodifier::kLeftCommand, hidusage::kV);
    // Restores even if the application has not read the text yet; two pastes within the delay
    // each save what they found, so the second one restores the first one's text.
    scheduler_.after(kPasteboardRestoreDelay, [weak = weak_from_this(), saved = std::move(saved)] {
        if (auto self = weak.lock())
            self->restorePasteboard(saved);
    });
    return true;
}

void CGEventInjector::restorePasteboard(const std::vector<PasteboardItem>& items)
{
    pasteboard_.clearContents();
    if (!items.empty())
        pasteboard_.writeItems(items);
}

} // namespace kavora
