// camsim's command words; see command_shell.h.
#include "tools/camsim/command_shell.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace vyr::camsim {

namespace {

// Pictures above this size are refused: the client's picture buffer holds 1,536,000 bytes, and
// a bigger file is more likely a mistake than a test.
constexpr size_t kMaxUploadBytes = 64u * 1024 * 1024;

bool ParseByte(const std::string& text, int high, int* out) {
    const auto [next, error] = std::from_chars(text.data(), text.data() + text.size(), *out);
    return error == std::errc() && next == text.data() + text.size() && *out >= 0 && *out <= high;
}

}  // namespace

CommandShell::CommandShell(ButtonTarget control, ButtonTarget picture,
                           std::function<void(const std::string&)> log,
                           std::function<std::string()> status)
    : control_(std::move(control)),
      picture_(std::move(picture)),
      log_(std::move(log)),
      status_(std::move(status)) {}

CommandShell::Outcome CommandShell::Run(const std::string& line) {
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word[0] == '#') {
        return Outcome::Done;
    }
    std::vector<std::string> args;
    for (std::string arg; words >> arg;) {
        args.push_back(arg);
    }
    struct Named {
        const char* word;
        uint16_t code;
    };
    static const Named kNamed[] = {{"capture", kCapture},
                                   {"release", kRelease},
                                   {"delete-last", kDeleteLast},
                                   {"show-none", kShowNone},
                                   {"delete-all", kDeleteAll}};
    for (const Named& named : kNamed) {
        if (word == named.word && args.empty()) {
            return SendCode(word, named.code, 0, 0);
        }
    }
    if (word == "code" && (args.size() == 1 || args.size() == 3)) {
        int code = 0;
        int p1 = 0;
        int p2 = 0;
        if (ParseByte(args[0], 65535, &code) &&
            (args.size() == 1 || (ParseByte(args[1], 255, &p1) && ParseByte(args[2], 255, &p2)))) {
            return SendCode(word, static_cast<uint16_t>(code), static_cast<uint8_t>(p1),
                            static_cast<uint8_t>(p2));
        }
    } else if (word == "upload" && (args.size() == 1 || args.size() == 2)) {
        return Upload(args[0], args.size() == 2 ? args[1] : CameraFileNameNow());
    } else if (word == "status" && args.empty()) {
        log_(status_ ? status_() : "no status");
        return Outcome::Done;
    } else if (word == "quit" && args.empty()) {
        return Outcome::Quit;
    } else if (word == "help" && args.empty()) {
        log_(
            "commands: capture, release, delete-last, show-none, delete-all, code N [P1 P2], "
            "upload PATH [NAME], status, help, quit");
        return Outcome::Done;
    }
    log_("unknown command: " + line + " (try help)");
    return Outcome::Failed;
}

CommandShell::Outcome CommandShell::SendCode(const std::string& word, uint16_t code, uint8_t param1,
                                             uint8_t param2) {
    const ButtonResult result = SendControlCode(control_, code, param1, param2);
    log_("button: " + word + " (code " + std::to_string(code) + ") to " + control_.clientAddress +
         ":" + std::to_string(control_.port) + ": " + ButtonStatusName(result.status) +
         (result.error.empty() ? "" : ", " + result.error));
    return result.ok() ? Outcome::Done : Outcome::Failed;
}

CommandShell::Outcome CommandShell::Upload(const std::string& path, const std::string& name) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes;
    if (in) {
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        in.seekg(0, std::ios::beg);
        if (size >= 0 && static_cast<size_t>(size) <= kMaxUploadBytes) {
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (bytes.empty()) {
        log_("upload: cannot read " + path + " (missing, empty or over 64 MB)");
        return Outcome::Failed;
    }
    const ButtonResult result = SendPicture(picture_, name, bytes);
    log_("upload: " + path + " as " + name + " (" + std::to_string(bytes.size()) + " bytes) to " +
         picture_.clientAddress + ":" + std::to_string(picture_.port) + ": " +
         ButtonStatusName(result.status) + (result.error.empty() ? "" : ", " + result.error));
    return result.ok() ? Outcome::Done : Outcome::Failed;
}

}  // namespace vyr::camsim
