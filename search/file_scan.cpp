// The file side of a scan. A window of the file is mapped (populated in one
// call), scanned and unmapped before the next, so memory use does not grow
// with the file. Where mapping is refused the same windows are filled by
// reads into one buffer. Touching a mapped page past the end of a file that
// was truncated meanwhile raises SIGBUS; the fault guard (files/fault_guard.h)
// jumps back out of the scanner, and the scan fails with a message instead.
#include "search/file_scan.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "files/fault_guard.h"

#ifdef _WIN32
#include <cstdio>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavrin::search::detail {

namespace {

constexpr std::size_t hit_buffer_size = 1024;
const char* const shrank = "the file became shorter while it was searched";

// False when the scanner faulted on a page that is no longer in the file.
bool guarded_scan(BlockScanner& scanner, const Window& window, std::size_t from, Hit* out,
                  std::size_t& count, std::size_t& next) {
    auto scan = [&] { count = scanner.scan(window, from, out, hit_buffer_size, next); };
    return guarded(scan);
}

#ifndef _WIN32

// An open descriptor, closed on every way out.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

std::string system_reason(int error) {
    return std::strerror(error);
}

#endif

// The scan's loop over blocks, whatever provides the bytes. fill(offset,
// length) makes the window's bytes visible and returns them (nullptr and a
// reason on failure); release() ends the window.
template <typename Fill, typename Release>
ScanResult scan_blocks(std::uint64_t size, std::size_t block, std::size_t overlap,
                       BlockScanner& scanner, const std::function<void(const Hit&)>& deliver,
                       const Observer& observer, Fill fill, Release release) {
    ScanResult result;
    result.bytes = size;
    std::vector<Hit> hits(hit_buffer_size);
    // Cancel is looked at between slices of a block (and every hit_buffer_size
    // hits), so it is seen at once whatever the hits' density.
    const std::size_t slice_starts = std::max<std::size_t>(2, scanner.starts_per_check());
    const auto cancelled = [&] {
        return observer.cancel != nullptr && observer.cancel->load(std::memory_order_relaxed);
    };
    for (std::uint64_t offset = 0; offset < size; offset += block) {
        if (cancelled()) {
            result.end = ScanEnd::cancelled;
            return result;
        }
        Window window;
        window.offset = offset;
        window.file_size = size;
        window.length =
            static_cast<std::size_t>(std::min<std::uint64_t>(size - offset, block + overlap));
        window.starts = static_cast<std::size_t>(std::min<std::uint64_t>(size - offset, block));
        std::string reason;
        window.data = fill(offset, window.length, reason);
        if (window.data == nullptr) {
            result.end = ScanEnd::failed;
            result.reason = reason;
            return result;
        }
        for (std::size_t from = 0; from < window.starts;) {
            if (from > 0 && cancelled()) {
                release();
                result.end = ScanEnd::cancelled;
                return result;
            }
            // The same bytes, fewer starts: the scanner stops at the slice's end.
            Window slice = window;
            slice.starts = std::min(window.starts, from + slice_starts);
            std::size_t count = 0;
            std::size_t next = slice.starts;
            if (!guarded_scan(scanner, slice, from, hits.data(), count, next)) {
                release();
                result.end = ScanEnd::failed;
                result.reason = shrank;
                return result;
            }
            for (std::size_t i = 0; i < count; ++i) {
                if (deliver) {
                    deliver(hits[i]);
                }
            }
            result.hits += count;
            from = next;
        }
        release();
        if (observer.progress) {
            observer.progress(offset + window.starts, size);
        }
    }
    if (observer.progress && size == 0) {
        observer.progress(0, 0);
    }
    return result;
}

// A sectored target's stream scanned as scan_blocks scans a file: each window
// of the stream is gathered from the sectors that hold it, which fill makes
// visible in one piece (so a mapped image costs one copy, not a read and a copy).
template <typename Fill, typename Release>
ScanResult scan_opened(const Target& target, std::uint64_t size, std::size_t block,
                       std::size_t overlap, BlockScanner& scanner,
                       const std::function<void(const Hit&)>& deliver, const Observer& observer,
                       Fill fill, Release release) {
    if (!target.sectored) {
        return scan_blocks(size, block, overlap, scanner, deliver, observer, fill, release);
    }
    const Sectors& sectors = target.sectors;
    ScanResult failure;
    failure.end = ScanEnd::failed;
    if (sectors.sector_size == 0 || sectors.data_size == 0 ||
        sectors.data_at + sectors.data_size > sectors.sector_size) {
        failure.reason = "the sectors' layout is not usable";
        return failure;
    }
    const std::uint64_t count =
        size > sectors.base ? (size - sectors.base) / sectors.sector_size : 0;
    std::vector<std::uint8_t> gathered;
    auto gather = [&](std::uint64_t offset, std::size_t length,
                      std::string& reason) -> const std::uint8_t* {
        gathered.resize(length);
        const std::uint64_t first = offset / sectors.data_size;
        const std::uint64_t last = (offset + length - 1) / sectors.data_size;
        const std::uint8_t* raw =
            fill(sectors.base + first * sectors.sector_size,
                 static_cast<std::size_t>((last - first + 1) * sectors.sector_size), reason);
        if (raw == nullptr) {
            return nullptr;
        }
        auto copy = [&] {
            std::size_t done = 0;
            std::uint64_t within = offset % sectors.data_size;
            for (std::uint64_t sector = 0; done < length; ++sector, within = 0) {
                const auto part = static_cast<std::size_t>(
                    std::min<std::uint64_t>(sectors.data_size - within, length - done));
                std::memcpy(gathered.data() + done,
                            raw + sector * sectors.sector_size + sectors.data_at + within, part);
                done += part;
            }
        };
        const bool copied = guarded(copy);
        release();
        if (!copied) {
            reason = shrank;
            return nullptr;
        }
        return gathered.data();
    };
    // Small blocks keep the gathered bytes in the cache while they are scanned.
    const std::size_t gathered_block = std::min<std::size_t>(block, std::size_t{1} << 20);
    return scan_blocks(count * sectors.data_size, gathered_block, overlap, scanner, deliver,
                       observer, gather, [] {});
}

}  // namespace

bool filesystem_size(const std::string& path, std::uint64_t& size, std::string& reason) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(path, error);
    if (error) {
        // The size is then 2^64 - 1, which would read as a file cut short.
        reason = "cannot get its size (" + error.message() + ")";
        return false;
    }
    size = bytes;
    return true;
}

ScanResult scan_file(const Target& target, std::size_t overlap, BlockScanner& scanner,
                     const std::function<void(const Hit&)>& deliver, const Observer& observer,
                     const ScanSettings& settings) {
    const std::size_t block = std::max<std::size_t>(64, (settings.block_size + 31) / 32 * 32);
    if (target.source != nullptr) {
        std::vector<std::uint8_t> buffer;
        auto fill = [&](std::uint64_t offset, std::size_t length,
                        std::string& reason) -> const std::uint8_t* {
            buffer.resize(length);
            return target.source->read(offset, buffer, reason) ? buffer.data() : nullptr;
        };
        return scan_blocks(target.source->size, block, overlap, scanner, deliver, observer, fill,
                           [] {});
    }
    const std::string& path = target.path;
    ScanResult failure;
    failure.end = ScanEnd::failed;

#ifdef _WIN32
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) {
        failure.reason = error.message();
        return failure;
    }
    if (std::filesystem::is_directory(status)) {
        failure.reason = "it is a folder, not a file";
        return failure;
    }
    if (!std::filesystem::is_regular_file(status)) {
        failure.reason = "it is not a regular file";
        return failure;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        failure.reason = "it cannot be opened";
        return failure;
    }
    std::uint64_t size = 0;
    if (!filesystem_size(path, size, failure.reason)) {
        std::fclose(file);
        return failure;
    }
    std::vector<std::uint8_t> buffer;
    auto fill = [&](std::uint64_t offset, std::size_t length,
                    std::string& reason) -> const std::uint8_t* {
        buffer.resize(length);
        if (_fseeki64(file, static_cast<long long>(offset), SEEK_SET) != 0 ||
            std::fread(buffer.data(), 1, length, file) != length) {
            reason = shrank;
            return nullptr;
        }
        return buffer.data();
    };
    ScanResult result =
        scan_opened(target, size, block, overlap, scanner, deliver, observer, fill, [] {});
    std::fclose(file);
    return result;
#else
    Descriptor descriptor;
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    descriptor.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor.fd < 0) {
        failure.reason = system_reason(errno);
        return failure;
    }
    struct stat info {};
    if (::fstat(descriptor.fd, &info) != 0) {
        failure.reason = system_reason(errno);
        return failure;
    }
    std::uint64_t size = 0;
    if (S_ISDIR(info.st_mode)) {
        failure.reason = "it is a folder, not a file";
        return failure;
    } else if (S_ISREG(info.st_mode)) {
        size = static_cast<std::uint64_t>(info.st_size);
    } else if (S_ISBLK(info.st_mode)) {
        const off_t end = ::lseek(descriptor.fd, 0, SEEK_END);
        if (end < 0) {
            failure.reason = system_reason(errno);
            return failure;
        }
        size = static_cast<std::uint64_t>(end);
    } else {
        failure.reason = "it is not a regular file (a pipe, socket or device)";
        return failure;
    }
    const int flags = ::fcntl(descriptor.fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(descriptor.fd, F_SETFL, flags & ~O_NONBLOCK);
    }

    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    bool mapping = settings.allow_mapping;
    void* mapped = nullptr;
    std::size_t mapped_length = 0;
    std::vector<std::uint8_t> buffer;
    std::uint64_t buffered_from = 0;  // file offset of buffer[0]
    std::size_t buffered = 0;         // bytes of buffer that hold file data

    auto read_window = [&](std::uint64_t offset, std::size_t length,
                           std::string& reason) -> const std::uint8_t* {
        if (buffer.size() < length) {
            buffer.resize(std::max(length, block + overlap));
        }
        // Bytes already read for the previous window's overlap move to the front.
        if (buffered > 0 && offset > buffered_from && offset < buffered_from + buffered) {
            const auto keep = static_cast<std::size_t>(buffered_from + buffered - offset);
            std::memmove(buffer.data(), buffer.data() + (offset - buffered_from), keep);
            buffered = keep;
        } else {
            buffered = 0;
        }
        buffered_from = offset;
        while (buffered < length) {
            const ssize_t got = ::pread(descriptor.fd, buffer.data() + buffered, length - buffered,
                                        static_cast<off_t>(offset + buffered));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                reason = system_reason(errno);
                return nullptr;
            }
            if (got == 0) {
                reason = shrank;
                return nullptr;
            }
            buffered += static_cast<std::size_t>(got);
        }
        return buffer.data();
    };
    auto fill = [&](std::uint64_t offset, std::size_t length,
                    std::string& reason) -> const std::uint8_t* {
        if (mapping) {
            const std::uint64_t start = offset / page * page;
            mapped_length = static_cast<std::size_t>(offset - start) + length;
            int map_flags = MAP_SHARED;
#ifdef MAP_POPULATE
            map_flags |= MAP_POPULATE;
#endif
            mapped = ::mmap(nullptr, mapped_length, PROT_READ, map_flags, descriptor.fd,
                            static_cast<off_t>(start));
            if (mapped != MAP_FAILED) {
                return static_cast<const std::uint8_t*>(mapped) + (offset - start);
            }
            mapped = nullptr;
            mapping = false;  // this file does not map: read it from here on
        }
        return read_window(offset, length, reason);
    };
    auto release = [&] {
        if (mapped != nullptr) {
            ::munmap(mapped, mapped_length);
            mapped = nullptr;
        }
    };
    return scan_opened(target, size, block, overlap, scanner, deliver, observer, fill, release);
#endif
}

}  // namespace tavrin::search::detail
