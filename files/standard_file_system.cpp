// FileSystem over POSIX file descriptors, or the same calls of the Windows C
// runtime in a MinGW build (binary mode there, so no byte is translated).
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "files/fault_guard.h"
#include "files/file_system.h"

#if defined(_WIN32)
#include <io.h>
#include <share.h>

#include <filesystem>
#include <system_error>
#else
#include <sys/mman.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace tavrin {

namespace {

Status system_failure(const char* what, int error = errno) {
    return Status::failure(error == EEXIST ? Status::Code::already_exists : Status::Code::io_error,
                           std::string(what) + " (" + std::strerror(error) + ")");
}

#if !defined(_WIN32)
// The folder holding path, as a path that can be opened.
std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}
#endif

const char* kind_of_node(unsigned mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
#if !defined(_WIN32)
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
#endif
    return "a special file";
}

Status not_regular(unsigned mode) {
    return Status::failure(Status::Code::not_regular,
                           std::string("it is ") + kind_of_node(mode) + ", not a regular file");
}

#if defined(_WIN32)
using ssize_type = int;
using stat_type = struct _stati64;
constexpr int binary_flag = O_BINARY;
constexpr int open_extra_flags = 0;
constexpr int owner_only = _S_IREAD | _S_IWRITE;
int sys_close(int fd) {
    return ::_close(fd);
}
ssize_type sys_read(int fd, void* data, std::size_t length) {
    return ::_read(fd, data, static_cast<unsigned>(length));
}
ssize_type sys_write(int fd, const void* data, std::size_t length) {
    return ::_write(fd, data, static_cast<unsigned>(length));
}
bool sys_seek(int fd, std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())) {
        errno = EOVERFLOW;
        return false;
    }
    return ::_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) >= 0;
}
int sys_fstat(int fd, stat_type& info) {
    return ::_fstati64(fd, &info);
}
int sys_stat(const std::string& path, stat_type& info) {
    return ::_stati64(path.c_str(), &info);
}
bool sys_truncate(int fd, std::uint64_t size) {
    return ::_chsize_s(fd, static_cast<long long>(size)) == 0;
}
int sys_sync(int fd) {
    return ::_commit(fd);
}
// The C runtime's rename refuses to replace an existing file; this one does.
bool sys_rename(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    if (error) {
        errno = error.value();
    }
    return !error;
}
// The C runtime gives no file numbers.
FileId id_of(const stat_type&) {
    return {};
}
#else
using ssize_type = ssize_t;
using stat_type = struct stat;
constexpr int binary_flag = 0;
constexpr int open_extra_flags = O_CLOEXEC | O_NOCTTY;
constexpr int owner_only = S_IRUSR | S_IWUSR;
int sys_close(int fd) {
    return ::close(fd);
}
ssize_type sys_read(int fd, void* data, std::size_t length) {
    return ::read(fd, data, length);
}
ssize_type sys_write(int fd, const void* data, std::size_t length) {
    return ::write(fd, data, length);
}
bool sys_seek(int fd, std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        errno = EOVERFLOW;
        return false;
    }
    return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}
int sys_fstat(int fd, stat_type& info) {
    return ::fstat(fd, &info);
}
int sys_stat(const std::string& path, stat_type& info) {
    return ::stat(path.c_str(), &info);
}
bool sys_truncate(int fd, std::uint64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}
int sys_sync(int fd) {
    return ::fsync(fd);
}
bool sys_rename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}
FileId id_of(const stat_type& info) {
    return {true, static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

// Follows the links of path one by one, so that a link to a name that does not
// exist yet still leads to that name.
Status resolve_links(const std::string& path, std::string& resolved) {
    resolved = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(resolved.c_str(), &info) != 0) {
            return errno == ENOENT ? Status::success() : system_failure("cannot look at it");
        }
        if (!S_ISLNK(info.st_mode)) {
            return Status::success();
        }
        std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) +
                                 2);
        const ssize_t length = ::readlink(resolved.c_str(), target.data(), target.size());
        if (length < 0) {
            return system_failure("cannot read the link");
        }
        if (static_cast<std::size_t>(length) >= target.size()) {
            return system_failure("cannot read the link", ENAMETOOLONG);
        }
        const std::string next(target.data(), static_cast<std::size_t>(length));
        resolved = !next.empty() && next[0] == '/' ? next : folder_of(resolved) + "/" + next;
    }
    return system_failure("cannot follow its links", ELOOP);
}

// An attribute that only the system or an administrator may set (a security
// label, a trusted attribute) is kept where permitted; one of the user's own
// must be copied or the save fails.
bool may_skip_attribute(const std::string& name, int error) {
    return name.rfind("user.", 0) != 0 &&
           (error == EPERM || error == EACCES || error == ENOTSUP || error == EOPNOTSUPP);
}

Status copy_extended_attributes(const std::string& from, const std::string& to) {
    ssize_t length = ::listxattr(from.c_str(), nullptr, 0);
    if (length < 0) {
        return errno == ENOTSUP ? Status::success()
                                : system_failure("cannot list its extended attributes");
    }
    std::vector<char> names(static_cast<std::size_t>(length) + 1);
    length = ::listxattr(from.c_str(), names.data(), names.size());
    if (length < 0) {
        return system_failure("cannot list its extended attributes");
    }
    for (std::size_t at = 0; at < static_cast<std::size_t>(length);) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        ssize_t size = ::getxattr(from.c_str(), name.c_str(), nullptr, 0);
        std::vector<char> value(size > 0 ? static_cast<std::size_t>(size) : 1);
        if (size >= 0) {
            size = ::getxattr(from.c_str(), name.c_str(), value.data(), value.size());
        }
        if (size < 0 || ::setxattr(to.c_str(), name.c_str(), value.data(),
                                   static_cast<std::size_t>(size), 0) != 0) {
            if (may_skip_attribute(name, errno)) {
                continue;
            }
            return system_failure(("cannot keep its extended attribute " + name).c_str());
        }
    }
    return Status::success();
}
#endif

// Repeats step, one read or write from done on, until length bytes are done,
// a call moves none, or one fails; a call a signal cut short is retried.
template <typename Step>
Status move_all(std::size_t length, std::size_t& done, const char* failure, Step step) {
    done = 0;
    while (done < length) {
        const ssize_type moved = step(done);
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved < 0) {
            return system_failure(failure);
        }
        if (moved == 0) {
            break;
        }
        done += static_cast<std::size_t>(moved);
    }
    return Status::success();
}

// A single call may move fewer bytes than asked when a signal arrives; those
// are retried here so that "fewer" reaching the caller means end of file (read)
// or a full disk (write).
class StandardFile final : public File {
  public:
    explicit StandardFile(int fd) : fd_(fd) {}
    ~StandardFile() override {
        if (fd_ >= 0) {
            sys_close(fd_);
        }
    }
    StandardFile(const StandardFile&) = delete;
    StandardFile& operator=(const StandardFile&) = delete;

    Status size(std::uint64_t& bytes) override {
        stat_type info{};
        if (sys_fstat(fd_, info) != 0) {
            return system_failure("cannot get its size");
        }
        bytes = info.st_size < 0 ? 0 : static_cast<std::uint64_t>(info.st_size);
        return Status::success();
    }

    Status seek(std::uint64_t offset) override {
        return sys_seek(fd_, offset) ? Status::success() : system_failure("cannot seek in it");
    }

    Status read(std::span<std::uint8_t> buffer, std::size_t& done) override {
        return move_all(buffer.size(), done, "reading failed", [&](std::size_t at) {
            return sys_read(fd_, buffer.data() + at, buffer.size() - at);
        });
    }

    Status write(std::span<const std::uint8_t> data, std::size_t& done) override {
        return move_all(data.size(), done, "writing failed", [&](std::size_t at) {
            return sys_write(fd_, data.data() + at, data.size() - at);
        });
    }

    Status overwrite(std::uint64_t offset, std::span<const std::uint8_t> data,
                     std::size_t& done) override {
        done = 0;
        if (data.empty()) {
            return Status::success();
        }
#if defined(_WIN32)
        // Opened for update, the file admits no other writer, so nothing can
        // shorten it between here and the write.
        const Status sought = seek(offset);
        return sought.ok() ? write(data, done) : sought;
#else
        // A store through a shared map cannot extend the file: past its end
        // the store faults, or on its last page it goes nowhere.
        const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
        const std::uint64_t start = offset / page * page;
        const auto length = static_cast<std::size_t>(offset - start) + data.size();
        void* mapped = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_,
                              static_cast<off_t>(start));
        if (mapped == MAP_FAILED) {
            return system_failure("cannot map it for writing");
        }
        std::uint8_t* target = static_cast<std::uint8_t*>(mapped) + (offset - start);
        auto store = [&] { std::memcpy(target, data.data(), data.size()); };
        const bool stored = guarded(store);
        const int synced = stored ? ::msync(mapped, length, MS_SYNC) : 0;
        const int error = errno;
        ::munmap(mapped, length);
        std::uint64_t now = 0;
        Status status = size(now);
        const std::uint64_t inside =
            now > offset ? std::min<std::uint64_t>(now - offset, data.size()) : 0;
        done = static_cast<std::size_t>(status.ok() ? inside : data.size());
        if (status.ok() && inside < data.size()) {
            status =
                Status::failure(Status::Code::changed, "it became shorter (" + std::to_string(now) +
                                                           " bytes) while it was being written");
        } else if (status.ok() && !stored) {
            status = Status::failure(Status::Code::io_error,
                                     "writing failed (the system refused a store into it)");
        } else if (status.ok() && synced != 0) {
            status = system_failure("flushing to disk failed", error);
        }
        return status;
#endif
    }

    Status truncate(std::uint64_t bytes) override {
        std::uint64_t now = 0;
        Status status = size(now);
        if (status.ok() && bytes < now && !sys_truncate(fd_, bytes)) {
            status = system_failure("cannot shorten it");
        }
        return status;
    }

    Status sync() override {
        return sys_sync(fd_) == 0 ? Status::success() : system_failure("flushing to disk failed");
    }

    Status close() override {
        const int fd = fd_;
        fd_ = -1;
        if (fd < 0) {
            return Status::success();
        }
        return sys_close(fd) == 0 ? Status::success() : system_failure("closing failed");
    }

    Status identity(FileId& id) override {
        stat_type info{};
        if (sys_fstat(fd_, info) != 0) {
            return system_failure("cannot look at it");
        }
        id = id_of(info);
        return Status::success();
    }

  private:
    int fd_;
};

class StandardFileSystem final : public FileSystem {
  public:
    StandardFileSystem() {
#if !defined(_WIN32)
        // Without this a write past `ulimit -f` kills the process with no word
        // and leaves its temporary file; ignored, the write fails with EFBIG.
        struct sigaction current {};
        if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            std::signal(SIGXFSZ, SIG_IGN);
        }
#endif
    }

    Status open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override {
        int flags = binary_flag | open_extra_flags;
        int permissions = 0666;
        bool existing = true;
        switch (mode) {
            case OpenMode::read:
                flags |= O_RDONLY;
                break;
            case OpenMode::update:
                flags |= O_RDWR;
                break;
            case OpenMode::create_new:
                flags |= O_WRONLY | O_CREAT | O_EXCL;
                existing = false;
                break;
            case OpenMode::create_private:
                flags |= O_WRONLY | O_CREAT | O_EXCL;
                permissions = owner_only;
                existing = false;
                break;
        }
#if !defined(_WIN32)
        // Opening a FIFO or a device may wait for a peer: never wait, look first.
        if (existing) {
            flags |= O_NONBLOCK;
        }
#endif
        int fd = -1;
        do {
#if defined(_WIN32)
            // A file open for update admits no other writer (no FILE_SHARE_WRITE)
            // until it is closed, so nothing can shorten it under an injection.
            fd = mode == OpenMode::update ? ::_sopen(path.c_str(), flags, _SH_DENYWR, permissions)
                                          : ::open(path.c_str(), flags, permissions);
#else
            fd = ::open(path.c_str(), flags, permissions);
#endif
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            return system_failure(existing ? "cannot open it" : "cannot create it");
        }
        auto opened = std::make_unique<StandardFile>(fd);
        if (existing) {
            stat_type info{};
            if (sys_fstat(fd, info) != 0) {
                return system_failure("cannot open it");
            }
            if (!S_ISREG(info.st_mode)) {
                return not_regular(static_cast<unsigned>(info.st_mode));
            }
#if !defined(_WIN32)
            const int status_flags = ::fcntl(fd, F_GETFL);
            if (status_flags < 0 || ::fcntl(fd, F_SETFL, status_flags & ~O_NONBLOCK) != 0) {
                return system_failure("cannot open it");
            }
#endif
        }
        file = std::move(opened);
        return Status::success();
    }

    Status rename(const std::string& from, const std::string& to) override {
        return sys_rename(from, to) ? Status::success() : system_failure("cannot replace it");
    }

    Status remove(const std::string& path) override {
        return std::remove(path.c_str()) == 0 ? Status::success()
                                              : system_failure("cannot remove it");
    }

    Status inspect(const std::string& path, PathInfo& info) override {
        info = PathInfo{};
#if defined(_WIN32)
        info.resolved = path;
#else
        Status status = resolve_links(path, info.resolved);
        if (!status.ok()) {
            return status;
        }
#endif
        stat_type found{};
#if defined(_WIN32)
        // The C runtime does not stat a device name such as NUL; opened, it shows.
        if (sys_stat(info.resolved, found) != 0) {
            const int fd = ::_open(info.resolved.c_str(), O_RDONLY | O_BINARY);
            if (fd >= 0) {
                const bool looked = sys_fstat(fd, found) == 0;
                ::_close(fd);
                if (looked && !S_ISREG(found.st_mode)) {
                    info.exists = true;
                    return Status::success();
                }
            }
        }
#endif
        if (sys_stat(info.resolved, found) != 0) {
            if (errno == ENOENT) {
                info.folder_writable = folder_writable(info.resolved);
                return Status::success();
            }
            return system_failure("cannot look at it");
        }
        info.exists = true;
        info.regular = S_ISREG(found.st_mode);
        info.links = static_cast<std::uint64_t>(found.st_nlink);
        info.id = id_of(found);
#if defined(_WIN32)
        info.writable = (found.st_mode & _S_IWRITE) != 0;
        info.may_replace = false;
#else
        info.writable = ::access(info.resolved.c_str(), W_OK) == 0 && (found.st_mode & 0222) != 0;
#endif
        info.folder_writable = folder_writable(info.resolved);
        return Status::success();
    }

    Status identity(const std::string& path, FileId& id) override {
        stat_type info{};
        if (sys_stat(path, info) != 0) {
            return system_failure("cannot look at it");
        }
        id = id_of(info);
        return Status::success();
    }

    Status copy_attributes(const std::string& from, const std::string& to) override {
#if defined(_WIN32)
        // The only attribute is read-only, and a read-only file is never replaced.
        (void)from;
        (void)to;
        return Status::success();
#else
        struct stat info {};
        if (::stat(from.c_str(), &info) != 0) {
            return system_failure("cannot look at it");
        }
        // Owner and group where permitted; a user may still give the group.
        if (::chown(to.c_str(), info.st_uid, info.st_gid) != 0) {
            static_cast<void>(::chown(to.c_str(), static_cast<uid_t>(-1), info.st_gid));
        }
        // After chown, which clears the set-id bits.
        if (::chmod(to.c_str(), info.st_mode & 07777) != 0) {
            return system_failure("cannot give the new file its permissions");
        }
        return copy_extended_attributes(from, to);
#endif
    }

    Status sync_folder(const std::string& path) override {
#if defined(_WIN32)
        // The C runtime cannot flush a folder.
        (void)path;
        return Status::success();
#else
        const int fd = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return system_failure("cannot flush its folder to disk");
        }
        int result = ::fsync(fd);
        // Some file systems cannot flush a folder, and say so.
        if (result != 0 && (errno == EINVAL || errno == ENOTSUP)) {
            result = 0;
        }
        const int error = errno;
        ::close(fd);
        return result == 0 ? Status::success()
                           : system_failure("cannot flush its folder to disk", error);
#endif
    }

    std::string spare_folder() override {
#if defined(_WIN32)
        return {};
#else
        const char* home = std::getenv("HOME");
        struct stat info {};
        if (home == nullptr || *home == '\0' || ::stat(home, &info) != 0 ||
            !S_ISDIR(info.st_mode) || ::access(home, W_OK) != 0) {
            return {};
        }
        return home;
#endif
    }

  private:
    static bool folder_writable(const std::string& path) {
#if defined(_WIN32)
        (void)path;
        return true;
#else
        return ::access(folder_of(path).c_str(), W_OK | X_OK) == 0;
#endif
    }
};

}  // namespace

FileSystem& standard_file_system() {
    static StandardFileSystem instance;
    return instance;
}

}  // namespace tavrin
