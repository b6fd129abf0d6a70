// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

class QWidget;

// A message of the criteria dialogs: a window caption, a bold title line and a word-wrapped
// text, answered with OK. The dialogs send each message through a replaceable hook, so that the
// main window can route it to its own message dialog and tests can read it instead of answering
// a modal box.
struct TInfoMessage {
    QString Caption;
    QString Title;
    QString Text;

    using THook = std::function<void(const TInfoMessage&)>;

    // Shows the message modally over `parent`.
    static void ShowModal(QWidget* parent, const TInfoMessage& message);
    // A hook that shows each message modally over `parent`.
    static THook ModalHook(QWidget* parent);
};
