#pragma once
// The adapters' web management page: a small HTTP/1.0 server that answers GET / with a page
// naming the emulated devices. It runs inside the emulator's poll loop; each connection reads
// one request head, gets one answer and is closed.
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "device_model.h"

namespace nasemu {

// The HTML page for the devices as they are now (names change with SetHostName).
std::string ManagementPage(const std::vector<EmulatedDevice>& devices);

// The whole HTTP answer to one request head.
std::string HttpResponse(const std::string& requestHead, const std::string& page);

class WebServer {
public:
    WebServer() = default;
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Listens on every address of the namespace; false (with errno) when the port is taken.
    bool Listen(std::uint16_t port);

    // Adds the descriptors to watch; HandleEvents then takes the poll results from `first` on.
    void AddPollFds(std::vector<pollfd>& fds) const;
    // Open connections need the loop to wake now and then to drop idle ones.
    bool HasConnections() const { return !connections_.empty(); }
    // `serves` says whether the page is served at a local address (dotted): a connection to
    // another one is closed unanswered.
    void HandleEvents(const std::vector<pollfd>& fds, std::size_t first,
                      const std::function<std::string()>& page,
                      const std::function<void(const std::string&)>& log,
                      const std::function<bool(const std::string&)>& serves);

private:
    struct Connection {
        std::string request;
        std::chrono::steady_clock::time_point opened;
    };
    void Close(int fd);

    int listenFd_ = -1;
    std::map<int, Connection> connections_;
};

}  // namespace nasemu
