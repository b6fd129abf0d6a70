#include "platform/THelpWindow.h"

void THelpWindow::ShowTopic(const std::string&, std::string_view) {}
