#include <algorithm>
#include <cctype>
#include <thread>

#include "platform/fake/fake_platform.h"

namespace vidudi::platform {

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The program a Windows command line starts: the quoted text, or up to the first blank.
std::string ProgramOf(const std::string& commandLine) {
    if (!commandLine.empty() && commandLine[0] == '"') {
        return commandLine.substr(1, commandLine.find('"', 1) - 1);
    }
    return commandLine.substr(0, commandLine.find_first_of(" \t"));
}

std::string WithoutExe(std::string upper) {
    if (upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".EXE") == 0) upper.resize(upper.size() - 4);
    return upper;
}

}  // namespace

bool FakeReachabilityProbe::CanConnect(const std::string& url) {
    Verdict verdict;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        probed_.push_back(url);
        const auto endpoint = HttpEndpointOf(url);
        if (endpoint) {
            const auto found = verdicts_.find(endpoint->host);
            if (found != verdicts_.end()) verdict = found->second;
        }
    }
    if (verdict.delay.count() > 0) std::this_thread::sleep_for(verdict.delay);
    return verdict.reachable;
}

void FakeReachabilityProbe::Answer(const std::string& address, bool reachable, std::chrono::milliseconds delay) {
    std::lock_guard<std::mutex> lock(mutex_);
    verdicts_[address] = Verdict{reachable, delay};
}

std::vector<std::string> FakeReachabilityProbe::probedUrls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return probed_;
}

std::string FakeRegistry::ReadString(RegistryRoot root, const std::string& subkey, const std::string& valueName) {
    reads.push_back(Read{root, subkey, valueName});
    const auto found = values_.find({Upper(subkey), Upper(valueName)});
    if (found == values_.end() || found->second.size() >= kRegistryTextBuffer) return {};
    return found->second;
}

void FakeRegistry::Set(const std::string& subkey, const std::string& valueName, std::string text) {
    values_[{Upper(subkey), Upper(valueName)}] = std::move(text);
}

int FakeCommandLauncher::WinExec(const std::string& commandLine, int show) {
    int code = kWinExecFileNotFound;
    if (!scripted_.empty()) {
        code = scripted_.front();
        scripted_.pop_front();
    } else if (installed_.count(WithoutExe(Upper(ProgramOf(commandLine)))) != 0) {
        code = kWinExecStarted;
    }
    launches.push_back(Launch{commandLine, show, code});
    return code;
}

bool FakeCommandLauncher::OpenUrl(const std::string& url) {
    openedUrls.push_back(url);
    return openUrlSucceeds;
}

void FakeCommandLauncher::Install(const std::string& program) { installed_.insert(WithoutExe(Upper(program))); }

}  // namespace vidudi::platform
