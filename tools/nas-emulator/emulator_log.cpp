#include "emulator_log.h"

namespace nasemu {

EmulatorLog::~EmulatorLog() {
    if (ownsFile_ && file_ != nullptr) std::fclose(file_);
}

bool EmulatorLog::Open(const std::string& path) {
    if (path.empty()) {
        file_ = stdout;
        return true;
    }
    // Appending: a test may start two emulators on one log, and nothing is lost on a restart.
    file_ = std::fopen(path.c_str(), "a");
    ownsFile_ = file_ != nullptr;
    return ownsFile_;
}

void EmulatorLog::Line(const std::string& text, Time at) {
    if (file_ == nullptr) return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(at - start_);
    std::fprintf(file_, "%lld %s\n", static_cast<long long>(elapsed.count()), text.c_str());
    std::fflush(file_);
}

void EmulatorLog::Datagram(const char* direction, const std::string& device,
                           const char* preposition, const std::string& peer,
                           const std::uint8_t* data, std::size_t length, Time at) {
    Line(std::string(direction) + " " + device + " " + preposition + " " + peer +
         " len=" + std::to_string(length) + " " + HexBytes(data, length), at);
}

std::string HexBytes(const std::uint8_t* data, std::size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    return text;
}

}  // namespace nasemu
