#include "platform/storage/Storage.h"

#include "platform/core/Trace.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <strings.h>
#include <sys/file.h>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

void initGsf()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // libgsf complains about damaged files on the console; they are refused, and the
        // trace tells whoever wants to know.
        for (const char* domain : {"libgsf", "libgsf:msole"}) {
            g_log_set_handler(domain, GLogLevelFlags(G_LOG_LEVEL_MASK & ~G_LOG_LEVEL_ERROR),
                              [](const gchar* from, GLogLevelFlags, const gchar* message, gpointer) {
                                  plat::trace("%s: %s", from ? from : "", message ? message : "");
                              },
                              nullptr);
        }
    });
}

StorageError::Cause causeOf(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return StorageError::Cause::notFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return StorageError::Cause::accessDenied;
    case EWOULDBLOCK:
        return StorageError::Cause::locked;
    default:
        return StorageError::Cause::generic;
    }
}

StorageError errnoError(int error, const std::string& path, const char* operation)
{
    return StorageError(causeOf(error), path,
                        std::string(operation) + " " + path + ": " + std::strerror(error));
}

// A descriptor closed when it goes, unless released.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// Opens a regular file without blocking on a pipe or a device.
int openRegular(const std::string& path, int flags)
{
    Fd fd(::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        throw errnoError(errno, path, "cannot open");
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw errnoError(errno, path, "cannot examine");
    if (!S_ISREG(st.st_mode))
        throw StorageError(StorageError::Cause::accessDenied, path, path + " is not a regular file");
    return fd.release();
}

std::vector<uint8_t> readWhole(int fd, const std::string& path)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw errnoError(errno, path, "cannot examine");
    if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > Storage::kMaxFileSize)
        throw StorageError(StorageError::Cause::tooLarge, path, path + " is too large to be a document");
    std::vector<uint8_t> data(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pread(fd, data.data() + done, data.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw errnoError(errno, path, "cannot read");
        }
        if (n == 0)
            break;  // the file shrank meanwhile: keep what is there
        done += static_cast<size_t>(n);
    }
    data.resize(done);
    return data;
}

bool hasSignature(std::span<const uint8_t> data)
{
    return data.size() >= sizeof(Storage::kSignature)
        && std::equal(std::begin(Storage::kSignature), std::end(Storage::kSignature), data.begin());
}

template <class T>
struct GObjectUnref {
    void operator()(T* object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <class T>
using GPtr = std::unique_ptr<T, GObjectUnref<T>>;

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Storage::~Storage()
{
    if (m_fd >= 0)
        ::close(m_fd);  // drops the lock
}

bool Storage::isStorageFile(const std::string& path)
{
    Fd fd(openRegular(path, O_RDONLY));
    uint8_t head[sizeof(kSignature)] = {};
    ssize_t n;
    do {
        n = ::pread(fd.get(), head, sizeof(head), 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        throw errnoError(errno, path, "cannot read");
    return hasSignature(std::span<const uint8_t>(head, static_cast<size_t>(n)));
}

std::unique_ptr<Storage> Storage::open(const std::string& path)
{
    std::unique_ptr<Storage> storage(new Storage);
    storage->m_path = path;

    const bool compound = isStorageFile(path);
    int fd = -1;
    if (compound) {
        // Read-write and exclusive; else read-only beside other readers.
        try {
            Fd rw(openRegular(path, O_RDWR));
            if (::flock(rw.get(), LOCK_EX | LOCK_NB) == 0) {
                fd = rw.release();
                storage->m_access = Access::readWrite;
            }
        } catch (const StorageError& e) {
            if (e.cause() != StorageError::Cause::accessDenied)
                throw;
        }
    }
    if (fd < 0) {
        Fd ro(openRegular(path, O_RDONLY));
        if (::flock(ro.get(), LOCK_SH | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EWOULDBLOCK)
                throw StorageError(StorageError::Cause::locked, path, path + " is already open for editing");
            throw errnoError(error, path, "cannot lock");
        }
        fd = ro.release();
        storage->m_access = Access::readOnly;
    }
    storage->m_fd = fd;

    std::vector<uint8_t> bytes = readWhole(fd, path);
    if (!compound || !hasSignature(bytes)) {
        // Shown as one stream of the file's own bytes, never written back.
        storage->m_kind = Kind::converted;
        storage->m_entries.push_back(Entry{"Contents", std::move(bytes), false});
        return storage;
    }

    storage->m_kind = Kind::compound;
    initGsf();
    GPtr<GsfInput> input(gsf_input_memory_new(bytes.data(), static_cast<gsf_off_t>(bytes.size()), FALSE));
    GError* error = nullptr;
    GPtr<GsfInfile> root(gsf_infile_msole_new(input.get(), &error));
    if (!root) {
        std::string why = error && error->message ? error->message : "not a valid compound file";
        if (error)
            g_error_free(error);
        throw StorageError(StorageError::Cause::invalid, path, path + ": " + why);
    }
    const int count = gsf_infile_num_children(root.get());
    for (int i = 0; i < count; ++i) {
        const char* name = gsf_infile_name_by_index(root.get(), i);
        GPtr<GsfInput> child(gsf_infile_child_by_index(root.get(), i));
        if (!name || !child)
            throw StorageError(StorageError::Cause::invalid, path, path + ": a damaged directory entry");
        Entry entry;
        entry.name = name;
        if (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0) {
            entry.isStorage = true;
        } else {
            const gsf_off_t size = gsf_input_size(child.get());
            if (size < 0 || static_cast<uint64_t>(size) > bytes.size())
                throw StorageError(StorageError::Cause::invalid, path,
                                   path + ": stream \"" + entry.name + "\" is larger than the file");
            entry.data.resize(static_cast<size_t>(size));
            size_t done = 0;
            while (done < entry.data.size()) {
                const size_t block = std::min<size_t>(entry.data.size() - done, 1 << 16);
                if (!gsf_input_read(child.get(), block, entry.data.data() + done))
                    throw StorageError(StorageError::Cause::invalid, path,
                                       path + ": stream \"" + entry.name + "\" is damaged");
                done += block;
            }
        }
        storage->m_entries.push_back(std::move(entry));
    }
    return storage;
}

std::vector<std::string> Storage::streamNames() const
{
    std::vector<std::string> names;
    for (const Entry& entry : m_entries)
        names.push_back(entry.name);
    return names;
}

const Storage::Entry* Storage::find(std::string_view name) const
{
    for (const Entry& entry : m_entries) {
        if (!entry.isStorage && entry.name.size() == name.size()
            && ::strncasecmp(entry.name.data(), name.data(), name.size()) == 0)
            return &entry;
    }
    return nullptr;
}

bool Storage::hasStream(std::string_view name) const
{
    return find(name) != nullptr;
}

std::vector<uint8_t> Storage::readStream(std::string_view name) const
{
    const Entry* entry = find(name);
    if (!entry)
        throw StorageError(StorageError::Cause::notFound, m_path,
                           m_path + " holds no stream \"" + std::string(name) + "\"");
    return entry->data;
}

std::vector<uint8_t> Storage::build(const std::vector<Stream>& streams)
{
    initGsf();
    GPtr<GsfOutput> memory(gsf_output_memory_new());
    {
        GPtr<GsfOutfile> root(gsf_outfile_msole_new(memory.get()));
        if (!root)
            throw StorageError(StorageError::Cause::writeFailed, "", "cannot make a compound file");
        for (const Stream& stream : streams) {
            GPtr<GsfOutput> child(gsf_outfile_new_child(root.get(), stream.name.c_str(), FALSE));
            if (!child)
                throw StorageError(StorageError::Cause::writeFailed, "", "cannot make stream " + stream.name);
            const bool ok = gsf_output_write(child.get(), stream.data.size(), stream.data.data());
            if (!gsf_output_close(child.get()) || !ok)
                throw StorageError(StorageError::Cause::writeFailed, "", "cannot write stream " + stream.name);
        }
        if (!gsf_output_close(GSF_OUTPUT(root.get())))
            throw StorageError(StorageError::Cause::writeFailed, "", "cannot finish the compound file");
    }
    const gsf_off_t size = gsf_output_size(memory.get());
    const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory.get()));
    std::vector<uint8_t> bytes;
    if (data && size > 0)
        bytes.assign(data, data + size);
    return bytes;
}

void Storage::replaceFile(const std::string& path, std::span<const uint8_t> bytes, const WriteProbe& probe)
{
    // A file the user may not write stays as it is, though the folder would let a rename
    // replace it.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0)
        throw StorageError(StorageError::Cause::accessDenied, path, "cannot write " + path + ": it is read-only");
    const std::string folder = folderOf(path);
    std::string temp = folder + "/." + nameOf(path) + ".XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0)
        throw StorageError(StorageError::Cause::writeFailed, path,
                           "cannot write " + path + ": " + std::strerror(errno));
    try {
        // The new file gets the old one's permissions, or what a new file would get.
        struct stat old {};
        mode_t mode;
        if (::stat(path.c_str(), &old) == 0) {
            mode = old.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        size_t done = 0;
        while (done < bytes.size()) {
            if (probe)
                probe(done);
            const size_t block = std::min<size_t>(bytes.size() - done, 1 << 16);
            const ssize_t n = ::write(fd.get(), bytes.data() + done, block);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw StorageError(StorageError::Cause::writeFailed, path,
                                   "cannot write " + path + ": " + std::strerror(errno));
            }
            done += static_cast<size_t>(n);
        }
        if (probe)
            probe(done);
        if (::fchmod(fd.get(), mode) != 0 || ::fsync(fd.get()) != 0 || ::close(fd.release()) != 0)
            throw StorageError(StorageError::Cause::writeFailed, path,
                               "cannot write " + path + ": " + std::strerror(errno));
        if (::rename(temp.c_str(), path.c_str()) != 0)
            throw StorageError(StorageError::Cause::writeFailed, path,
                               "cannot replace " + path + ": " + std::strerror(errno));
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    // The rename reaches the disk with the folder.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

void Storage::write(const std::string& path, const std::vector<Stream>& streams, const WriteProbe& probe)
{
    const std::vector<uint8_t> bytes = build(streams);
    replaceFile(path, bytes, probe);
}

}  // namespace plat
