// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "mainwindow/TWindowState.h"

// Which menu items and toolbar buttons are enabled and checked in a window state. The window
// applies the answer to its actions, which are named by these names.
class TCommandRules {
public:
    struct TCommand {
        std::string_view Name;
        bool Enabled = false;
        // Set for the checkable commands whose check follows the state.
        std::optional<bool> Checked;
    };

    // One entry for every command whose enabled state follows the state.
    static std::vector<TCommand> Compute(const TWindowState& state);
    // The entry named `name` in `commands`, or none.
    static const TCommand* Find(const std::vector<TCommand>& commands, std::string_view name);
};
