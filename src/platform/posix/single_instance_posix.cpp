#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/posix_services.h"

namespace vidudi::platform {

namespace {

// A lock on a file of the user's runtime folder, held by the open file for the life of the
// process: it goes when the process ends, however it ends.
class LockFileInstance final : public SingleInstance {
public:
    ~LockFileInstance() override {
        if (fd_ >= 0) close(fd_);
    }

    bool AnotherCopyHolds(const std::string& name) override {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::string file;
        if (runtime && *runtime == '/') {
            file = std::string(runtime) + "/";
        } else {
            // /tmp is shared by every user: each one gets a lock of their own.
            file = "/tmp/" + std::to_string(getuid()) + "-";
        }
        for (const char c : name) file += c == '/' ? '_' : c;
        file += ".lock";
        // Close-on-exec: the programs we start (the browser, the file manager) must not
        // inherit the lock and keep it after we end.
        const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return false;  // no lock to be had: carry on as the only copy
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            close(fd);
            return held;
        }
        if (fd_ >= 0) close(fd_);
        fd_ = fd;
        return false;
    }

private:
    int fd_ = -1;
};

}  // namespace

std::unique_ptr<SingleInstance> MakeLockFileInstance() { return std::make_unique<LockFileInstance>(); }

}  // namespace vidudi::platform
