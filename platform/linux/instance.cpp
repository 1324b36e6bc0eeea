// Single instance on Linux: an exclusive flock on "<name>.lock" in the user's runtime folder, held
// for the life of the process, and a Unix-domain socket "<name>.sock" beside it on which the
// running instance takes requests to deliver a message to one of its windows. The kernel drops the
// lock when a process dies, so a killed instance never blocks the next start; the socket it left
// behind is replaced by the next instance that takes the lock. The lock file itself is never
// removed: removing it could let two processes lock two different files of the same name.
//
// Request, one line:  "<message> <class>\t<title>\n"      Reply: "1\n" delivered, "0\n" no window
#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/instance.h"
#include "platform/linux/window_registry.h"

namespace platform {
namespace {

// The second start waits at most this long for the running instance to handle its request.
constexpr int kReplyTimeoutMs = 900;

// The per-user folder for the lock and socket: $XDG_RUNTIME_DIR, else a private folder in /tmp
// (also when the runtime folder's path is too long for a socket address).
bool runtimeFolder(const char* name, std::string* folder) {
    const char* xdg = getenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (xdg && xdg[0] == '/' && stat(xdg, &st) == 0 && S_ISDIR(st.st_mode) &&
        std::strlen(xdg) + std::strlen(name) + 7 < sizeof(sockaddr_un::sun_path)) {
        *folder = xdg;
        return true;
    }
    *folder = "/tmp/tintel-" + std::to_string(getuid());
    if (mkdir(folder->c_str(), 0700) != 0 && errno != EEXIST) return false;
    // Someone else's folder, or one others may write into, is not safe to use.
    return lstat(folder->c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & 0077) == 0;
}

bool socketAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, path.c_str(), path.size());
    return true;
}

// Reads one line within the time limit.
bool readLine(int fd, std::string* line, int timeoutMs) {
    line->clear();
    while (line->size() < 4096) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return false;
        char c;
        const ssize_t n = read(fd, &c, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        if (c == '\n') return true;
        *line += c;
    }
    return false;
}

void writeAllTo(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// Answers one request on an accepted connection.
void serveRequest(int fd) {
    std::string line;
    bool delivered = false;
    if (readLine(fd, &line, 500)) {
        const size_t space = line.find(' ');
        const size_t tab = line.find('\t');
        if (space != std::string::npos && tab != std::string::npos && tab > space) {
            const auto message = static_cast<uint32_t>(std::strtoul(line.c_str(), nullptr, 10));
            const std::string className = line.substr(space + 1, tab - space - 1);
            const std::string title = line.substr(tab + 1);
            if (NativeWindow* window = findLinuxWindow(className, title)) {
                sendLinuxWindowMessage(window, message, 0, 0);
                delivered = true;
            }
        }
    }
    writeAllTo(fd, delivered ? "1\n" : "0\n");
}

class LinuxInstanceLock : public InstanceLock {
public:
    LinuxInstanceLock(int lockFd, std::string socketPath)
        : lockFd_(lockFd), socketPath_(std::move(socketPath)) {
        sockaddr_un address;
        if (!socketAddress(socketPath_, &address)) return;
        unlink(socketPath_.c_str());  // left behind by an instance that was killed
        listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (listenFd_ < 0) return;
        if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listenFd_, 8) != 0) {
            close(listenFd_);
            listenFd_ = -1;
            return;
        }
        source_ = g_unix_fd_add(listenFd_, G_IO_IN, onConnection, this);
    }

    ~LinuxInstanceLock() override {
        if (source_) g_source_remove(source_);
        if (listenFd_ >= 0) {
            close(listenFd_);
            unlink(socketPath_.c_str());
        }
        close(lockFd_);  // releases the lock
    }

private:
    static gboolean onConnection(gint fd, GIOCondition, gpointer) {
        const int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            serveRequest(client);
            close(client);
        }
        return G_SOURCE_CONTINUE;
    }

    int lockFd_;
    std::string socketPath_;
    int listenFd_ = -1;
    guint source_ = 0;
};

}  // namespace

InstanceResult acquireInstance(const char* name, std::unique_ptr<InstanceLock>* lock) {
    std::string folder;
    if (!runtimeFolder(name, &folder)) return InstanceResult::Unavailable;
    const std::string base = folder + "/" + name;
    const int fd = open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EACCES ? InstanceResult::AlreadyRunning : InstanceResult::Unavailable;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        return error == EWOULDBLOCK ? InstanceResult::AlreadyRunning : InstanceResult::Unavailable;
    }
    *lock = std::make_unique<LinuxInstanceLock>(fd, base + ".sock");
    return InstanceResult::First;
}

bool signalRunningInstance(const char* name, const char* className, const char* title,
                           uint32_t message) {
    std::string folder;
    if (!runtimeFolder(name, &folder)) return false;
    sockaddr_un address;
    if (!socketAddress(folder + "/" + name + ".sock", &address)) return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool delivered = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        writeAllTo(fd, std::to_string(message) + " " + className + "\t" + title + "\n");
        std::string reply;
        delivered = readLine(fd, &reply, kReplyTimeoutMs) && reply == "1";
    }
    close(fd);
    return delivered;
}

}  // namespace platform
