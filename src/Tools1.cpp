#include "Tools1.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Process.h"

#include <algorithm>

TItemArray<std::string> ItemPrograms;
TItemArray<TItemCaption> ItemCaptions;
std::unique_ptr<TAppIniFile> AppIni;

namespace {

const std::string ProgSection = "Config.Prog";
const std::string CaptionSection = "Config.Caption";
const std::string TrustSection = "Config.Trust";
const std::string FileSection = "Config.File";

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Bytes in the UTF-8 sequence that a lead byte starts; 0 when it starts none.
std::size_t sequenceLength(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0xC2 && b <= 0xDF)
        return 2;
    if (b >= 0xE0 && b <= 0xEF)
        return 3;
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    return 0;
}

} // namespace

void TItemCaption::assign(std::string_view text) {
    std::size_t length = std::min(text.size(), MaxLength);
    if (length < text.size() && isContinuationByte(text[length])) {
        // Find the lead byte of the sequence the cut falls into; only a well-formed sequence
        // is kept together, so text in a single-byte code page is cut exactly at MaxLength.
        std::size_t lead = length;
        while (lead > 0 && length - lead < 3 && isContinuationByte(text[lead - 1]))
            --lead;
        if (lead > 0) {
            --lead;
            const std::size_t need = sequenceLength(text[lead]);
            if (need > length - lead && lead + need <= text.size()) {
                bool wellFormed = true;
                for (std::size_t i = lead + 1; i < lead + need; ++i)
                    wellFormed = wellFormed && isContinuationByte(text[i]);
                if (wellFormed)
                    length = lead;
            }
        }
    }
    m_text.assign(text.substr(0, length));
}

void LoadItems() {
    AppIni = std::make_unique<TAppIniFile>();
    for (int n = 1; n <= ItemCount; ++n) {
        const std::string key = std::to_string(n);
        ItemPrograms[n] = AppIni->ReadValue(ProgSection, key, std::string());
        ItemCaptions[n] = AppIni->ReadValue(CaptionSection, key, std::string());
    }
}

TAppIniFile& LoadedSettings() {
    // Without the file's content in memory a save would replace the user's file with the little
    // we hold; a failed load must not turn into lost settings.
    if (!AppIni)
        throw Exception("The settings file was never read, so nothing was saved");
    return *AppIni;
}

void SaveItems() {
    LoadedSettings();
    AppIni->ClearSection(FileSection);
    AppIni->ClearSection(ProgSection);
    AppIni->ClearSection(CaptionSection);
    for (int n = 1; n <= ItemCount; ++n) {
        const std::string key = std::to_string(n);
        if (!ItemPrograms[n].empty())
            AppIni->WriteValue(ProgSection, key, ItemPrograms[n]);
        if (!ItemCaptions[n].empty())
            AppIni->WriteValue(CaptionSection, key, ItemCaptions[n]);
    }
    AppIni->SaveToDisk();
}

bool LauncherAllowed(int n, const std::string& stamp) {
    return AppIni && !stamp.empty() &&
           AppIni->ReadValue(TrustSection, std::to_string(n), std::string()) == stamp;
}

void AllowLauncher(int n, const std::string& stamp) {
    if (AppIni)
        AppIni->WriteValue(TrustSection, std::to_string(n), stamp);
}

void FreeItemStore() {
    // The destructor writes what is pending and reports its own failure.
    AppIni.reset();
}

namespace {

std::string programName(const std::string& commandLine) {
    return platform::locateProgram(commandLine, platform::settingsFolder()).name;
}

[[noreturn]] void cannotStart(const std::string& name, const std::string& where,
                              const EInOutError& error) {
    std::string message = "Cannot start \"" + name + "\"";
    if (!where.empty())
        message += " in \"" + where + "\"";
    throw EInOutError(error.ErrorCode(), message + ": " + error.Message());
}

} // namespace

std::string ProgramFolder(const std::string& commandLine) {
    const platform::ProgramLocation program =
        platform::locateProgram(commandLine, platform::settingsFolder());
    if (program.error != 0)
        cannotStart(program.name, std::string(), EInOutError(program.error, program.reason));
    return program.folder;
}

void RunProgram(const std::string& program, const std::string& parameters,
                const std::string& folder) {
    const std::string commandLine = parameters.empty() ? program : program + " " + parameters;
    // Only the program enters its folder: a bar that moved there itself would hold a removable
    // drive busy long after the program has ended.
    try {
        platform::checkWorkingFolder(folder);
    } catch (const EInOutError& error) {
        cannotStart(programName(commandLine), folder, error);
    }
    try {
        platform::startProgram(commandLine, folder, platform::ShowCommand::Show);
    } catch (const EInOutError& error) {
        cannotStart(programName(commandLine), std::string(), error);
    }
}
