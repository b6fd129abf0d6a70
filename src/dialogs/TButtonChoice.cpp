// SPDX-License-Identifier: MIT
#include "dialogs/TButtonChoice.h"

#include <QAbstractButton>
#include <QButtonGroup>

void TButtonChoice::Show(QButtonGroup* group, int value)
{
    if (QAbstractButton* button = group->button(value)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; unchecking them all needs a moment without.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

void TButtonChoice::Take(const QButtonGroup* group, uint8_t& value)
{
    if (const int id = group->checkedId(); id >= 0)
        value = static_cast<uint8_t>(id);
}
