// The Linux preferences store: one file, $XDG_CONFIG_HOME/Brisbel/preferences.reg, in the format
// of prefs_file.h. Every change is made under an exclusive lock on a lock file beside it (threads
// and processes alike), on the file's current contents, and lands by atomic replacement: a
// temporary file is written and synced, then renamed over the store. Readers never lock: they see
// either the old or the new file, never a torn one.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

#include "platform/linux/prefs_file.h"
#include "platform/prefs_store.h"

namespace platform {
namespace {

// A store file larger than this is not ours to rewrite: it reads as empty and refuses writes.
constexpr off_t kMaxStoreSize = 16 << 20;

std::string configHome() {
    const char* xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config";
    if (const passwd* pw = getpwuid(getuid())) return std::string(pw->pw_dir) + "/.config";
    return "/tmp";
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

struct StorePaths {
    std::string folder, file, lock;
};

StorePaths storePaths() {
    StorePaths p;
    p.folder = configHome() + "/Brisbel";
    p.file = p.folder + "/preferences.reg";
    p.lock = p.file + ".lock";
    return p;
}

// Creates a folder and its parents (private to the user).
bool makeFolders(const std::string& path) {
    for (size_t pos = 1; pos != std::string::npos;) {
        pos = path.find('/', pos + 1);
        const std::string part = path.substr(0, pos);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

enum class ReadResult { Ok, Absent, Unreadable };

ReadResult readStore(const std::string& file, std::string* text) {
    text->clear();
    Fd fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.ok()) return errno == ENOENT ? ReadResult::Absent : ReadResult::Unreadable;
    struct stat st;
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxStoreSize)
        return ReadResult::Unreadable;
    char buffer[16384];
    for (;;) {
        const ssize_t n = read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ReadResult::Unreadable;
        if (n == 0) break;
        text->append(buffer, static_cast<size_t>(n));
        if (text->size() > static_cast<size_t>(kMaxStoreSize)) return ReadResult::Unreadable;
    }
    return ReadResult::Ok;
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Replaces the store with `text`: temporary file, fsync, rename, fsync of the folder.
bool replaceStore(const StorePaths& p, const std::string& text) {
    const std::string temp =
        p.file + ".tmp." + std::to_string(getpid()) + "." +
        std::to_string(std::hash<std::thread::id>()(std::this_thread::get_id()));
    {
        Fd fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (!fd.ok()) return false;
        if (!writeAll(fd.get(), text) || fsync(fd.get()) != 0) {
            unlink(temp.c_str());
            return false;
        }
    }
    if (rename(temp.c_str(), p.file.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    Fd folder(open(p.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.ok()) fsync(folder.get());
    return true;
}

// Holds the store's exclusive lock for one change.
class StoreLock {
public:
    explicit StoreLock(const StorePaths& p)
        : fd_(open(p.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (!fd_.ok()) return;
        while (flock(fd_.get(), LOCK_EX) != 0) {
            if (errno != EINTR) return;
        }
        held_ = true;
    }
    ~StoreLock() {
        if (held_) flock(fd_.get(), LOCK_UN);
    }
    bool held() const { return held_; }

private:
    Fd fd_;
    bool held_ = false;
};

class FilePrefsKey : public PrefsKey {
public:
    FilePrefsKey(std::string key, StorePaths paths, bool writable)
        : key_(std::move(key)), paths_(std::move(paths)), writable_(writable) {}

    int32_t query(const std::string& name, size_t maxSize, StoredValue* out) override {
        std::string text;
        if (readStore(paths_.file, &text) == ReadResult::Unreadable) return kStoreAccessDenied;
        return lookup(prefsfile::parse(text), name, maxSize, out);
    }

    int32_t queryOrCreate(const std::string& name, size_t maxSize, const StoredValue& fallback,
                          StoredValue* out) override {
        const int32_t first = query(name, maxSize, out);
        if (first != kStoreNotFound || !writable_) return first;
        // Look again under the lock: another writer may have stored the value meanwhile.
        return change([&](prefsfile::Document& doc, bool* changed) {
            const int32_t again = lookup(doc, name, maxSize, out);
            if (again != kStoreNotFound) return again;
            prefsfile::set(doc, key_, name, fallback);
            *changed = true;
            return static_cast<int32_t>(kStoreNotFound);
        });
    }

    int32_t set(const std::string& name, const StoredValue& value) override {
        if (!writable_) return kStoreAccessDenied;
        return change([&](prefsfile::Document& doc, bool* changed) {
            prefsfile::set(doc, key_, name, value);
            *changed = true;
            return static_cast<int32_t>(kStoreOk);
        });
    }

    int32_t remove(const std::string& name) override {
        if (!writable_) return kStoreAccessDenied;
        return change([&](prefsfile::Document& doc, bool* changed) {
            *changed = prefsfile::remove(doc, key_, name);
            return static_cast<int32_t>(*changed ? kStoreOk : kStoreNotFound);
        });
    }

    // Runs `edit` on the store's current contents under the lock and writes the result back.
    template <typename Edit>
    int32_t change(Edit edit) {
        StoreLock lock(paths_);
        if (!lock.held()) return kStoreAccessDenied;
        std::string text;
        if (readStore(paths_.file, &text) == ReadResult::Unreadable) return kStoreAccessDenied;
        prefsfile::Document doc = prefsfile::parse(text);
        bool changed = false;
        const int32_t result = edit(doc, &changed);
        if (changed && !replaceStore(paths_, prefsfile::serialise(doc))) {
            return result == kStoreNotFound ? kStoreNotFound : kStoreWriteFault;
        }
        return result;
    }

private:
    int32_t lookup(const prefsfile::Document& doc, const std::string& name, size_t maxSize,
                   StoredValue* out) const {
        StoredValue value;
        if (prefsfile::find(doc, key_, name, &value) != prefsfile::Lookup::Found)
            return kStoreNotFound;
        if (value.data.size() > maxSize) return kStoreMoreData;
        *out = std::move(value);
        return kStoreOk;
    }

    std::string key_;
    StorePaths paths_;
    bool writable_;
};

}  // namespace

std::unique_ptr<PrefsKey> openPrefsKey(Hive hive, const std::string& path, KeyAccess access,
                                       int32_t* error) {
    *error = kStoreOk;
    // There is no machine-wide store on Linux: such keys cannot be opened.
    if (hive != Hive::CurrentUser || path.empty()) {
        *error = kStoreAccessDenied;
        return nullptr;
    }
    StorePaths paths = storePaths();
    if (access == KeyAccess::Full) {
        struct stat st;
        const bool fileOk = stat(paths.file.c_str(), &st) != 0
                                ? errno == ENOENT
                                : S_ISREG(st.st_mode) && ::access(paths.file.c_str(), W_OK) == 0;
        if (!makeFolders(paths.folder) || ::access(paths.folder.c_str(), W_OK) != 0 || !fileOk) {
            *error = kStoreAccessDenied;
            return nullptr;
        }
    } else if (::access(paths.file.c_str(), R_OK) != 0 && errno != ENOENT) {
        *error = kStoreAccessDenied;
        return nullptr;
    }
    return std::make_unique<FilePrefsKey>(path, std::move(paths), access == KeyAccess::Full);
}

int32_t deletePrefsTree(Hive hive, const std::string& path) {
    int32_t error = 0;
    auto key = openPrefsKey(hive, path, KeyAccess::Full, &error);
    if (!key) return error;
    return static_cast<FilePrefsKey*>(key.get())->change(
        [&](prefsfile::Document& doc, bool* changed) {
            prefsfile::removeTree(doc, path);
            *changed = true;
            return static_cast<int32_t>(kStoreOk);
        });
}

}  // namespace platform
