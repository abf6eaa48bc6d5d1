// A label that rotates, shifts and shadows its caption, and a panel with chosen bevel sides.
#pragma once

#include "controls/ProLabel.h"
#include "controls/ProPanel.h"
