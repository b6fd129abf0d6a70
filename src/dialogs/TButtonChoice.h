// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

class QButtonGroup;

// A group of radio buttons standing for a number of the search model, each button's id being
// the number it stands for. A parameter file may hold a number no button stands for: then no
// button is checked, and taking the number back leaves it as it was.
class TButtonChoice {
public:
    // Checks the button whose id is `value`; with no such button, none is checked.
    static void Show(QButtonGroup* group, int value);
    // Sets `value` to the checked button's id; with none checked, `value` stays.
    static void Take(const QButtonGroup* group, uint8_t& value);
};
