// The one way Tavrin touches the disk: a small file-system interface, its
// standard implementation, and the status every file operation returns.
// Everything in files/ takes a FileSystem explicitly, so a test can put a
// failure at any single step (open, read, write, sync, close, rename, ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tavrin {

// Success, or a failure with a reason written to follow a file name in a
// message ("cannot open it (No such file or directory)").
struct Status {
    enum class Code {
        ok,
        io_error,         // the system refused an operation
        already_exists,   // create_new found a file of that name
        not_in_file,      // an offset or a length reaches outside the file, or a read came up short
        too_many_colors,  // a raw CLUT file of more than 256 colour words
        does_not_fit,     // an injection would write past the end of the file
        invalid_argument,  // a CLUT kind or colour count outside its range
    };

    Code code = Code::ok;
    std::string reason;

    bool ok() const { return code == Code::ok; }
    static Status success() { return {}; }
    static Status failure(Code code, std::string reason) { return {code, std::move(reason)}; }
};

enum class OpenMode {
    read,        // an existing file, read only
    update,      // an existing file, read and overwritten in place; never created or truncated
    create_new,  // a file that must not exist yet, write only
};

// An open file. The destructor closes a file that close() was not called on,
// ignoring any error; call close() wherever its result matters.
class File {
  public:
    virtual ~File() = default;

    virtual Status size(std::uint64_t& bytes) = 0;
    virtual Status seek(std::uint64_t offset) = 0;
    // Reads at most buffer.size() bytes from the current position; done says
    // how many arrived, fewer only at the end of the file.
    virtual Status read(std::span<std::uint8_t> buffer, std::size_t& done) = 0;
    // Writes at the current position; done says how many bytes were written.
    virtual Status write(std::span<const std::uint8_t> data, std::size_t& done) = 0;
    // Pushes what was written to the disk.
    virtual Status sync() = 0;
    virtual Status close() = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    virtual Status open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) = 0;
    // Puts from in the place of to in one step; to may exist and is replaced.
    virtual Status rename(const std::string& from, const std::string& to) = 0;
    virtual Status remove(const std::string& path) = 0;
};

// The operating system's files through POSIX calls (their Windows C runtime
// equivalents in a MinGW build). Stateless; lives for the whole run.
FileSystem& standard_file_system();

}  // namespace tavrin
