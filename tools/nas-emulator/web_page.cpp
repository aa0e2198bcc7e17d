#include "web_page.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace nasemu {
namespace {

// A client that never finishes its request head is dropped after this long; at most this many
// connections are open at once, so a stuck browser cannot pile up descriptors.
constexpr auto kRequestTimeout = std::chrono::seconds(5);
constexpr std::size_t kMaxConnections = 16;
constexpr std::size_t kMaxRequestHead = 8192;

std::string EscapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

std::string ManagementPage(const std::vector<EmulatedDevice>& devices) {
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>NAS Device management</title>"
        "</head>\n<body><h1>NAS Device management</h1>\n<table>\n"
        "<tr><th>Name</th><th>Address</th><th>Netmask</th><th>Gateway</th><th>Work group</th></tr>\n";
    for (const EmulatedDevice& device : devices) {
        const DeviceConfig& c = device.config();
        html += "<tr><td>" + EscapeHtml(c.name) + "</td><td>" + EscapeHtml(c.address) + "</td><td>" +
                EscapeHtml(c.netmask) + "</td><td>" + EscapeHtml(c.gateway) + "</td><td>" +
                EscapeHtml(c.workGroup) + "</td></tr>\n";
    }
    html += "</table>\n</body></html>\n";
    return html;
}

std::string HttpResponse(const std::string& requestHead, const std::string& page) {
    const auto lineEnd = requestHead.find_first_of("\r\n");
    const std::string requestLine = requestHead.substr(0, lineEnd);
    std::string status = "200 OK";
    std::string body = page;
    std::string type = "text/html; charset=utf-8";
    const bool isGet = requestLine.rfind("GET ", 0) == 0;
    const bool isHead = requestLine.rfind("HEAD ", 0) == 0;
    if (!isGet && !isHead) {
        status = "405 Method Not Allowed";
        body = "Only GET is served here.\n";
        type = "text/plain";
    } else {
        const auto pathStart = requestLine.find(' ') + 1;
        const auto pathEnd = requestLine.find(' ', pathStart);
        const std::string path = requestLine.substr(pathStart, pathEnd - pathStart);
        if (path != "/" && path != "/index.html") {
            status = "404 Not Found";
            body = "Not found.\n";
            type = "text/plain";
        }
    }
    std::string response = "HTTP/1.0 " + status + "\r\nContent-Type: " + type +
                           "\r\nContent-Length: " + std::to_string(body.size()) +
                           "\r\nConnection: close\r\n\r\n";
    if (!isHead) response += body;
    return response;
}

WebServer::~WebServer() {
    for (const auto& [fd, connection] : connections_) close(fd);
    if (listenFd_ >= 0) close(listenFd_);
}

bool WebServer::Listen(std::uint16_t port) {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) return false;
    const int on = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd_, 16) != 0) {
        const int saved = errno;
        close(listenFd_);
        listenFd_ = -1;
        errno = saved;
        return false;
    }
    return true;
}

void WebServer::AddPollFds(std::vector<pollfd>& fds) const {
    if (listenFd_ < 0) return;
    // When the connection table is full the listening socket is left alone until one closes.
    const short listenEvents = connections_.size() < kMaxConnections ? POLLIN : 0;
    fds.push_back({listenFd_, listenEvents, 0});
    for (const auto& [fd, connection] : connections_) fds.push_back({fd, POLLIN, 0});
}

void WebServer::HandleEvents(const std::vector<pollfd>& fds, std::size_t first,
                             const std::function<std::string()>& page,
                             const std::function<void(const std::string&)>& log,
                             const std::function<bool(const std::string&)>& serves) {
    if (listenFd_ < 0) return;
    const auto now = std::chrono::steady_clock::now();
    for (std::size_t i = first + 1; i < fds.size(); ++i) {
        const int fd = fds[i].fd;
        auto found = connections_.find(fd);
        if (found == connections_.end()) continue;
        if (fds[i].revents == 0) {
            if (now - found->second.opened > kRequestTimeout) Close(fd);
            continue;
        }
        char buffer[2048];
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            Close(fd);
            continue;
        }
        std::string& request = found->second.request;
        request.append(buffer, static_cast<std::size_t>(got));
        const bool complete = request.find("\r\n\r\n") != std::string::npos ||
                              request.find("\n\n") != std::string::npos;
        if (!complete && request.size() < kMaxRequestHead) continue;
        log("web " + request.substr(0, request.find_first_of("\r\n")));
        const std::string response = HttpResponse(request, page());
        // The answer is a few kilobytes and fits the socket's send buffer whole.
        (void)send(fd, response.data(), response.size(), MSG_NOSIGNAL);
        Close(fd);
    }
    if (fds[first].revents & POLLIN) {
        while (connections_.size() < kMaxConnections) {
            const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) break;
            sockaddr_in local{};
            socklen_t size = sizeof local;
            char text[INET_ADDRSTRLEN] = {};
            if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) == 0 &&
                inet_ntop(AF_INET, &local.sin_addr, text, sizeof text) != nullptr && !serves(text)) {
                log(std::string("web refused at ") + text + ": no device has that address now");
                close(fd);
                continue;
            }
            connections_[fd] = Connection{{}, now};
        }
    }
}

void WebServer::Close(int fd) {
    close(fd);
    connections_.erase(fd);
}

}  // namespace nasemu
