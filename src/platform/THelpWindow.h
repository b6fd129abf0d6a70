// SPDX-License-Identifier: MIT
#pragma once

#include <QMainWindow>
#include <QUrl>

#include <string>
#include <string_view>

#include "platform/THelpBrowser.h"


// The program's help: the pages in the help folder beside the executable, shown in a help window
// of the program's own, with back, forward and home. One window serves every request of the
// process; it is made by the first request and lives until the application ends.
class THelpWindow : public QMainWindow {
    Q_OBJECT

public:
    // The page shown when no topic is named.
    static constexpr std::string_view DefaultPage = "index.htm";

    // Shows `topic` (a path relative to `helpFolder`, such as "html/search-dialog.htm",
    // optionally followed by "#" and an anchor), or the default page when `topic` is empty.
    // Nothing happens when the page does not exist.
    static void ShowTopic(const std::string& helpFolder, std::string_view topic = {});
    // The help window, or null while no page has been shown.
    static THelpWindow* Instance();

    // The page shown now.
    QUrl Source() const;
    QTextBrowser* Browser() const { return View; }

    void GoHome();

private:
    THelpWindow();
    static void DestroyInstance();

    THelpBrowser* View;
    QUrl Home;
};
