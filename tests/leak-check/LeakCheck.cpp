// Leaks twice on purpose, for the test that the sanitizer's suppressions leave out only what other
// libraries keep: once inside fontconfig, which is suppressed, and once in code of our own, run
// from Qt's event loop so that Qt's and GLib's frames lie on its stack, which must be reported.
#include <QCoreApplication>
#include <QTimer>
#include <dlfcn.h>

namespace {

// Through the library's own functions, found at run time, so the check needs no headers of it.
void leakInsideFontconfig() {
    void* library = ::dlopen("libfontconfig.so.1", RTLD_NOW);
    if (!library)
        return;
    using Create = void* (*)();
    using AddString = int (*)(void*, const char*, const unsigned char*);
    const auto create = reinterpret_cast<Create>(::dlsym(library, "FcPatternCreate"));
    const auto add = reinterpret_cast<AddString>(::dlsym(library, "FcPatternAddString"));
    if (create && add)
        add(create(), "family", reinterpret_cast<const unsigned char*>("Tevlo Leak Check"));
}

[[gnu::noinline]] void leakOfOurOwn() {
    char* volatile lost = new char[48];
    lost[0] = 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    leakInsideFontconfig();
    QTimer::singleShot(0, [] {
        leakOfOurOwn();
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}
