// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace kavora {

// The texts the user reads, in the user's language: gettext catalogues of the text domain
// "kavora" (po/*.po, compiled into <locale folder>/LANG/LC_MESSAGES/kavora.mo). The English text
// in the source is the key, and what a language without a catalogue reads.
//
// Every literal that reaches the user goes through one of these, written out in full at the call
// so that the extraction (xgettext with the keywords i18n, i18np:1,2 and translatable) finds it.
// A value inside a text is a named placeholder, "{name}", filled in with fillIn(): a translator
// moves it with the words around it, and the catalogue check makes sure none is lost.

inline constexpr const char* kTextDomain = "kavora";

// The translation of `english`; `english` itself when the catalogue has none. Both live as long
// as the program.
const char* i18n(const char* english);
// The text for `count`, by the plural rule of the user's language (English: singular for 1).
const char* i18np(const char* singular, const char* plural, unsigned long count);

// `text` with each "{name}" of `values` replaced by its value; other braces stay as they are.
using Placeholder = std::pair<std::string_view, std::string_view>;
std::string fillIn(std::string_view text, std::initializer_list<Placeholder> values);

} // namespace kavora
