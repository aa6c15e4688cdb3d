// FileSystem over POSIX file descriptors, or the same calls of the Windows C
// runtime in a MinGW build (binary mode there, so no byte is translated).
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "files/file_system.h"

#if defined(_WIN32)
#include <io.h>

#include <filesystem>
#include <system_error>
#else
#include <unistd.h>
#endif

namespace tavrin {

namespace {

#if defined(_WIN32)
using ssize_type = int;
constexpr int binary_flag = O_BINARY;
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
    return ::_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) >= 0;
}
bool sys_size(int fd, std::uint64_t& bytes) {
    const long long length = ::_filelengthi64(fd);
    bytes = length < 0 ? 0 : static_cast<std::uint64_t>(length);
    return length >= 0;
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
#else
using ssize_type = ssize_t;
constexpr int binary_flag = 0;
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
bool sys_size(int fd, std::uint64_t& bytes) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return false;
    }
    bytes = info.st_size < 0 ? 0 : static_cast<std::uint64_t>(info.st_size);
    return true;
}
int sys_sync(int fd) {
    return ::fsync(fd);
}
bool sys_rename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}
#endif

Status system_failure(const char* what) {
    const int error = errno;
    return Status::failure(error == EEXIST ? Status::Code::already_exists : Status::Code::io_error,
                           std::string(what) + " (" + std::strerror(error) + ")");
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
        return sys_size(fd_, bytes) ? Status::success() : system_failure("cannot get its size");
    }

    Status seek(std::uint64_t offset) override {
        return sys_seek(fd_, offset) ? Status::success() : system_failure("cannot seek in it");
    }

    Status read(std::span<std::uint8_t> buffer, std::size_t& done) override {
        done = 0;
        while (done < buffer.size()) {
            const ssize_type got = sys_read(fd_, buffer.data() + done, buffer.size() - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return system_failure("reading failed");
            }
            if (got == 0) {
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        return Status::success();
    }

    Status write(std::span<const std::uint8_t> data, std::size_t& done) override {
        done = 0;
        while (done < data.size()) {
            const ssize_type put = sys_write(fd_, data.data() + done, data.size() - done);
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put < 0) {
                return system_failure("writing failed");
            }
            if (put == 0) {
                break;
            }
            done += static_cast<std::size_t>(put);
        }
        return Status::success();
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

  private:
    int fd_;
};

class StandardFileSystem final : public FileSystem {
  public:
    Status open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override {
        int flags = binary_flag;
        switch (mode) {
            case OpenMode::read:
                flags |= O_RDONLY;
                break;
            case OpenMode::update:
                flags |= O_RDWR;
                break;
            case OpenMode::create_new:
                flags |= O_WRONLY | O_CREAT | O_EXCL;
                break;
        }
        int fd = -1;
        do {
            fd = ::open(path.c_str(), flags, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            return system_failure(mode == OpenMode::create_new ? "cannot create it"
                                                               : "cannot open it");
        }
        file = std::make_unique<StandardFile>(fd);
        return Status::success();
    }

    Status rename(const std::string& from, const std::string& to) override {
        return sys_rename(from, to) ? Status::success() : system_failure("cannot replace it");
    }

    Status remove(const std::string& path) override {
        return std::remove(path.c_str()) == 0 ? Status::success()
                                              : system_failure("cannot remove it");
    }
};

}  // namespace

FileSystem& standard_file_system() {
    static StandardFileSystem instance;
    return instance;
}

}  // namespace tavrin
