// What screen readers learn of the program's own controls, through Qt's accessibility (AT-SPI on
// Linux, UI Automation on Windows). Qt's own widgets and the launch buttons, which are Qt
// buttons, describe themselves; these are the ones Qt would call a "filler".
#pragma once

// Installs the descriptions; once, at start, before any window exists.
void InstallAccessibility();
