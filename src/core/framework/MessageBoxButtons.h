#pragma once

#include <vector>

// The rule of a message box's buttons, one for the desktop's prompts and for every other kind: which
// buttons an MB_* type shows, which one Enter presses and which one Esc and the close box answer.

// The buttons' answers (IDOK, IDCANCEL, IDYES, IDNO) in the order MB_DEFBUTTONn counts them.
std::vector<int> MessageBoxButtons(unsigned nType);
// The answer of Enter: the button MB_DEFBUTTONn names; one past the last button means the first, as
// Windows has it.
int MessageBoxDefault(unsigned nType);
// The answer of Esc and the close box: Cancel where there is one, else No, else the OK of a plain box.
int MessageBoxEscape(unsigned nType);
