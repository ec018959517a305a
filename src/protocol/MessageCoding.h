// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/Result.h"
#include "protocol/ControlMessage.h"

#include <string>
#include <string_view>

namespace kavora {

// The JSON key of the message's case, such as "mouseDelta".
std::string_view caseKey(const ControlMessage& message);

// The compact wire form: {"caseKey":{payload fields}}, {} for a payload-free case, "_0" for the
// unlabelled payloads, absent optional fields left out. Fails only for a non-finite float.
Result<std::string> encodeMessage(const ControlMessage& message);

// Decodes one wire document: the whole text, with nothing after the value but JSON white space
// (not even a NUL byte). It must be a JSON object in which exactly one member has a case
// key (other members are ignored), else the description is "Invalid number of keys found,
// expected one."; the member's value must be an object. A failure anywhere fails the whole
// message. Never throws, whatever the input. The text is read straight from its bytes, with the
// document parser's grammar and limits but without building a document: a case whose payload
// holds only numbers and booleans decodes without allocating.
Result<ControlMessage> decodeMessage(std::string_view json);

} // namespace kavora
