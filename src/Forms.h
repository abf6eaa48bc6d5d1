// The program's three windows, made and ended in the one order that lets each find the others.
#pragma once

// Makes the bar, the About box and the settings dialog, in that order. Each global points at its
// window before the window's creation handler runs; an error in a creation handler is shown and
// ends only that handler, and the windows after it are still made.
void CreateWindows();
// Ends them in the reverse order: the settings dialog first, which saves the settings and the
// items, then the About box, then the bar. An error in a destruction handler is shown and ends
// only that handler.
void DestroyWindows();
