#include "Forms.h"

#include "About.h"
#include "Main.h"
#include "config.h"
#include "platform/Errors.h"

namespace {

// Start-up and shutdown run outside any event, so outside the application's safety net.
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

} // namespace

void CreateWindows() {
    CreateForm(BarFrm);
    AboutBox = new TAboutBox();
    CreateForm(CfgFrm);
}

void DestroyWindows() {
    DestroyForm(CfgFrm);
    delete AboutBox;
    AboutBox = nullptr;
    DestroyForm(BarFrm);
}
