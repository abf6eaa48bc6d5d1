#include "FirstStart.h"

#include "BigIni.h"
#include "SectionNames.h"
#include "Tools1.h"
#include "platform/Applications.h"
#include "platform/Colors.h"
#include "platform/Files.h"
#include "platform/Strings.h"

#include <QFont>
#include <QFontInfo>
#include <optional>

namespace {

// The typeface the desktop gives for plain sans-serif text, so captions read on any machine.
std::string sansSerifFamily() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    return QFontInfo(font).family().toStdString();
}

// A terminal, a file manager, a web browser and a text editor: the desktop's own choices where it
// has them, each entry once.
std::vector<platform::InstalledApplication> firstPrograms() {
    std::vector<std::optional<platform::InstalledApplication>> candidates;
    const auto terminals = platform::applicationsInCategory("TerminalEmulator");
    candidates.push_back(terminals.empty() ? std::nullopt : std::optional(terminals.front()));
    candidates.push_back(platform::defaultApplicationFor("inode/directory"));
    auto browser = platform::defaultApplicationFor("x-scheme-handler/https");
    candidates.push_back(browser ? browser : platform::defaultApplicationFor("text/html"));
    candidates.push_back(platform::defaultApplicationFor("text/plain"));
    std::vector<platform::InstalledApplication> programs;
    for (const auto& candidate : candidates) {
        // A name on two lines cannot be stored; such an entry is left out.
        if (!candidate || platform::holdsLineBreak(candidate->name) ||
            platform::holdsLineBreak(candidate->file))
            continue;
        bool known = false;
        for (const auto& program : programs)
            known = known || program.file == candidate->file;
        if (!known)
            programs.push_back(*candidate);
    }
    return programs;
}

} // namespace

void SeedFirstStart() {
    const std::string iniPath = TAppIniFile::DefaultFileName();
    const std::string namesPath = SectionNamesPath();
    if (platform::fileExists(iniPath) || platform::fileExists(namesPath))
        return;

    std::string names;
    for (const std::string& name : DesignSectionNames())
        names += name + "\r\n";
    platform::writeFileAtomic(namesPath, names);

    TBigIniFile ini(iniPath);
    // The settings dialog's default colours, the desktop's sans-serif, black captions, and the
    // bar at the top right, where a new user looks for it.
    ini.WriteNumber("Config", "BackColor1", std::int32_t(clBtnFace));
    ini.WriteNumber("Config", "BackColor2", std::int32_t(clBtnFace));
    ini.WriteValue("Config", "Font1", sansSerifFamily());
    ini.WriteNumber("Config", "ColFont1", 0);
    ini.WriteNumber("Config", "Pos1", 0);
    ini.WriteNumber("Config", "Pos2", 0);
    int n = 0;
    for (const platform::InstalledApplication& program : firstPrograms()) {
        ++n;
        ini.WriteValue("Config.Prog", std::to_string(n), program.file);
        ini.WriteValue("Config.Caption", std::to_string(n), TItemCaption(program.name).str());
    }
    ini.SaveToDisk();
}
