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
// message ("cannot open it (No such file or directory)"). A success may carry
// a warning in reason, written the same way: the file was written, but
// something after that went wrong and the user should know.
struct Status {
    enum class Code {
        ok,
        io_error,         // the system refused an operation
        already_exists,   // create_new found a file of that name
        not_in_file,      // an offset or a length reaches outside the file, or a read came up short
        too_many_colors,  // a raw CLUT file of more than 256 colour words
        does_not_fit,     // an injection would write past the end of the file
        invalid_argument,  // a CLUT kind or colour count outside its range
        not_regular,       // a folder, FIFO, socket or device where a file was expected
        read_only,         // a file the user may not (or chose not to) overwrite
        changed,           // the file was changed or replaced while it was being written
    };

    Code code = Code::ok;
    std::string reason;

    bool ok() const { return code == Code::ok; }
    bool warns() const { return ok() && !reason.empty(); }
    static Status success() { return {}; }
    static Status warning(std::string reason) { return {Code::ok, std::move(reason)}; }
    static Status failure(Code code, std::string reason) { return {code, std::move(reason)}; }
};

// Which file a path or an open file is. Not known where the system gives no
// file numbers (the Windows C runtime); two ids tell only when both are known.
struct FileId {
    bool known = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

inline bool same_file(const FileId& a, const FileId& b) {
    return a.known && b.known && a.device == b.device && a.inode == b.inode;
}
inline bool other_file(const FileId& a, const FileId& b) {
    return a.known && b.known && !same_file(a, b);
}

// What a save learns about its target before it writes.
struct PathInfo {
    // The path with every symbolic link followed, also when the last one
    // names a file that does not exist yet: the file a save must write.
    std::string resolved;
    bool exists = false;
    bool regular = false;
    // The user may write it, and it is not marked read-only for everyone.
    bool writable = false;
    // A new file can be created beside it.
    bool folder_writable = false;
    // The number of names the file has.
    std::uint64_t links = 1;
    // A new file may take its place. False where the system cannot show the
    // links and attributes a new file would lose (the Windows C runtime).
    bool may_replace = true;
    FileId id;
};

enum class OpenMode {
    read,        // an existing regular file, read only
    update,      // an existing regular file, read and overwritten in place; never created
    create_new,  // a file that must not exist yet, write only
    // As create_new, but readable and writable by its owner only, until
    // copy_attributes gives it the mode of the file it is to replace.
    create_private,
};
// Opening for read or update never waits on a FIFO or device: anything but a
// regular file is refused with not_regular.

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
    // Overwrites bytes at offset of an existing file without ever growing it,
    // also when another program shortens the file meanwhile: then it fails
    // with changed, "it became shorter ...". On failure done bounds the bytes
    // that may differ now (from offset on); on success they are on the disk.
    virtual Status overwrite(std::uint64_t offset, std::span<const std::uint8_t> data,
                             std::size_t& done) = 0;
    // Shortens (never lengthens) the file to size bytes.
    virtual Status truncate(std::uint64_t size) = 0;
    // Pushes what was written to the disk.
    virtual Status sync() = 0;
    virtual Status close() = 0;
    virtual Status identity(FileId& id) = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    virtual Status open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) = 0;
    // Puts from in the place of to in one step; to may exist and is replaced.
    virtual Status rename(const std::string& from, const std::string& to) = 0;
    virtual Status remove(const std::string& path) = 0;

    // Follows path's symbolic links and describes what is there; a missing
    // file is not a failure (info.exists is false).
    virtual Status inspect(const std::string& path, PathInfo& info) = 0;
    // The file path names now, its links followed.
    virtual Status identity(const std::string& path, FileId& id) = 0;
    // Gives the file "to" the mode, owner and group (as far as the user may
    // set them) and the extended attributes of the file "from".
    virtual Status copy_attributes(const std::string& from, const std::string& to) = 0;
    // Pushes the folder holding path to the disk, so that a rename in it lasts.
    virtual Status sync_folder(const std::string& path) = 0;
    // A folder for a backup copy when the file's own folder is read-only;
    // empty when there is none.
    virtual std::string spare_folder() = 0;
};

// The operating system's files through POSIX calls (their Windows C runtime
// equivalents in a MinGW build). Stateless; lives for the whole run. Its first
// use makes the process ignore SIGXFSZ (unless a handler is set), so that a
// write beyond the file size limit fails with a message instead of killing
// the program.
FileSystem& standard_file_system();

}  // namespace tavrin
