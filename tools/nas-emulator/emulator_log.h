#pragma once
// The emulator's log: one line per event, flushed at once, so that a test can read what a
// device received and sent while the emulator still runs.
//
//   <ms since start> recv <device address or *> from <ip:port> len=<n> <hex>   (when it arrived;
//                    a password check shows each password byte as 2a, "*")
//   <ms since start> send <device address> to 224.0.0.1:13579 len=<n> <hex>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace nasemu {

class EmulatorLog {
public:
    EmulatorLog() = default;
    ~EmulatorLog();
    EmulatorLog(const EmulatorLog&) = delete;
    EmulatorLog& operator=(const EmulatorLog&) = delete;

    // An empty path logs to standard output. False when the file cannot be opened.
    bool Open(const std::string& path);

    using Time = std::chrono::steady_clock::time_point;

    // A line stamped with `at` (an event that happened earlier), or with now.
    void Line(const std::string& text, Time at = std::chrono::steady_clock::now());
    void Datagram(const char* direction, const std::string& device, const char* preposition,
                  const std::string& peer, const std::uint8_t* data, std::size_t length,
                  Time at = std::chrono::steady_clock::now());

private:
    std::FILE* file_ = nullptr;
    bool ownsFile_ = false;
    Time start_ = std::chrono::steady_clock::now();
};

std::string HexBytes(const std::uint8_t* data, std::size_t length);

}  // namespace nasemu
