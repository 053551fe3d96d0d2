#pragma once

// The application's presence on the desktop as a whole: its taskbar and pager entries.

namespace Forms {

// Takes the application off the taskbar and the pager: every top-level form shown so far
// stops appearing there (its windows stay on screen).
void HideApplicationWindow();

} // namespace Forms
