#pragma once
// The platform message box, owned by the application's hidden window.
#include <string>

// Shows text under caption with the style bits of OrderWindow.h (buttons in
// the low four bits, icon in the next four, default button above) and
// returns the code of the answer: 1 OK, 2 Cancel or closed, 3 Abort,
// 4 Retry, 5 Ignore, 6 Yes, 7 No.
int AppMessageBox(const std::string &text, const std::string &caption, unsigned style);
