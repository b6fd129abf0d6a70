#pragma once

#include <string>
#include <string_view>

// The program's help: the pages in the help folder beside the executable, shown in a help window
// of the program's own. One window serves every request.
class THelpWindow {
public:
    // Shows `topic` (a path relative to `helpFolder`, such as "html/search-dialog.htm"), or the
    // default page when `topic` is empty. Nothing happens when the page does not exist.
    static void ShowTopic(const std::string& helpFolder, std::string_view topic = {});
};
