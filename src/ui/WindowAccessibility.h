// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace kavora {

// Makes screen readers see the settings window and the panel as windows (a frame named by its
// title) rather than as anonymous panes, which is what a plain widget would be. Idempotent.
void exposeOurWindowsToScreenReaders();

} // namespace kavora
