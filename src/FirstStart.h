// The very first start, when the user has no settings anywhere: a bar that reads well and a first
// section of programs this machine has.
#pragma once

#include <string>
#include <vector>

// Writes both files into the settings folder when neither is there; does nothing otherwise, so
// files that exist, even without some keys, keep what they hold. Raises EInOutError when the
// files cannot be written.
void SeedFirstStart();
