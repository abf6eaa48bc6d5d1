// How the program makes and ends its windows: each global points at its window before the
// window's creation handler runs, and an error in a creation or destruction handler is shown
// and ends only that handler.
#pragma once

#include "platform/Errors.h"

template <typename T> void CreateForm(T*& global) {
    global = new T();
    platform::guarded([&] { global->FormCreate(); });
}

template <typename T> void DestroyForm(T*& global) {
    if (!global)
        return;
    platform::guarded([&] { global->FormDestroy(); });
    delete global;
    global = nullptr;
}
