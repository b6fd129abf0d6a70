// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// Paths as text, with '/' as the separator.
class TPathText {
public:
    // `name` inside `folder`, joined with exactly one separator; an empty folder stands for the
    // current one, so the result is `name` itself.
    static std::string Join(std::string_view folder, std::string_view name);
};
