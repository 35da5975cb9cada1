#include "platform/storage/Storage.h"

#include "platform/core/Trace.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
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

struct FileBytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};

// Reads the whole file into memory that nothing fills before the read does.
FileBytes readWhole(int fd, const std::string& path)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw errnoError(errno, path, "cannot examine");
    if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > Storage::kMaxFileSize)
        throw StorageError(StorageError::Cause::tooLarge, path, path + " is too large to be a document");
    const size_t size = static_cast<size_t>(st.st_size);
    FileBytes bytes{std::make_unique_for_overwrite<uint8_t[]>(size), 0};
    while (bytes.size < size) {
        const ssize_t n = ::pread(fd, bytes.data.get() + bytes.size, size - bytes.size, static_cast<off_t>(bytes.size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw errnoError(errno, path, "cannot read");
        }
        if (n == 0)
            break;  // the file shrank meanwhile: keep what is there
        bytes.size += static_cast<size_t>(n);
    }
    return bytes;
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

// Where the bytes of a compound file being built go, each at its offset: libgsf writes the
// streams' sectors in order and the header, at the start, last.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void writeAt(uint64_t offset, const uint8_t* data, size_t size) = 0;
};

// A growing buffer.
class MemorySink final : public Sink {
public:
    void writeAt(uint64_t offset, const uint8_t* data, size_t size) override
    {
        const size_t end = static_cast<size_t>(offset) + size;
        if (end > m_bytes.size())
            m_bytes.resize(end);
        std::memcpy(m_bytes.data() + offset, data, size);
    }
    std::vector<uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

// A new file beside the one it is to replace, made with the old file's permissions (or what a
// new file would get). Removed when it goes without having replaced anything.
class TempFile {
public:
    explicit TempFile(const std::string& path)
        : m_path(writable(path)),
          m_folder(folderOf(path)),
          m_temp(m_folder + "/." + nameOf(path) + ".XXXXXX"),
          m_fd(::mkostemp(m_temp.data(), O_CLOEXEC))
    {
        if (m_fd.get() < 0)
            throw failure("cannot write ");
        m_made = true;
        struct stat old {};
        if (::stat(path.c_str(), &old) == 0) {
            m_mode = old.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            m_mode = 0666 & ~mask;
        }
    }
    ~TempFile()
    {
        if (m_made)
            ::unlink(m_temp.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    void writeAt(uint64_t offset, const uint8_t* data, size_t size)
    {
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(m_fd.get(), data + done, size - done, static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw failure("cannot write ");
            }
            done += static_cast<size_t>(n);
        }
    }
    // Puts the whole file on the disk and renames it over the old one.
    void replace()
    {
        if (::fchmod(m_fd.get(), m_mode) != 0 || ::fsync(m_fd.get()) != 0 || ::close(m_fd.release()) != 0)
            throw failure("cannot write ");
        if (::rename(m_temp.c_str(), m_path.c_str()) != 0)
            throw failure("cannot replace ");
        m_made = false;
        // The rename reaches the disk with the folder.
        Fd dir(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() >= 0)
            ::fsync(dir.get());
    }

private:
    // A file the user may not write stays as it is, though the folder would let a rename
    // replace it.
    static const std::string& writable(const std::string& path)
    {
        if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0)
            throw StorageError(StorageError::Cause::accessDenied, path, "cannot write " + path + ": it is read-only");
        return path;
    }
    StorageError failure(const char* what) const
    {
        return StorageError(StorageError::Cause::writeFailed, m_path, what + m_path + ": " + std::strerror(errno));
    }

    std::string m_path;
    std::string m_folder;
    std::string m_temp;
    Fd m_fd;
    bool m_made = false;
    mode_t m_mode = 0;
};

// The file's bytes in blocks, each announced to the probe with the bytes written before it.
// libgsf writes its tables a few bytes at a time: runs of bytes that follow one another are
// gathered into a block before they go to the file.
class FileSink final : public Sink {
public:
    FileSink(TempFile& file, const Storage::WriteProbe& probe) : m_file(file), m_probe(probe)
    {
        m_block.reserve(kBlock);
    }

    void writeAt(uint64_t offset, const uint8_t* data, size_t size) override
    {
        if (offset != m_blockOffset + m_block.size())
            flush();
        if (m_block.empty())
            m_blockOffset = offset;
        while (size > 0) {
            size_t part = kBlock;
            if (m_block.empty() && size >= kBlock) {
                // A whole block goes as it is.
                put(data, part);
            } else {
                part = std::min(size, kBlock - m_block.size());
                m_block.insert(m_block.end(), data, data + part);
                if (m_block.size() == kBlock)
                    flush();
            }
            data += part;
            size -= part;
        }
    }
    // Writes what is gathered.
    void flush()
    {
        if (!m_block.empty()) {
            put(m_block.data(), m_block.size());
            m_block.clear();
        }
    }
    uint64_t written() const { return m_written; }

private:
    // Writes bytes at the block's offset, which then moves past them.
    void put(const uint8_t* data, size_t size)
    {
        if (m_probe)
            m_probe(m_written);
        m_file.writeAt(m_blockOffset, data, size);
        m_written += size;
        m_blockOffset += size;
    }

    static constexpr size_t kBlock = size_t(1) << 16;
    TempFile& m_file;
    const Storage::WriteProbe& m_probe;
    std::vector<uint8_t> m_block;
    uint64_t m_blockOffset = 0;
    uint64_t m_written = 0;
};

// A libgsf output that hands what it is given to a Sink, so that a container is written
// where it belongs without being gathered in a buffer of libgsf's. What the sink throws may
// not cross libgsf's frames: it is kept, and the builder throws it again once libgsf is done.
// Until then every write is taken and dropped, for libgsf's closing pads sectors in loops
// that never end when a write fails.
struct SinkTarget {
    Sink& sink;
    std::exception_ptr failure;
};

struct SinkOutput {
    GsfOutput output;
    SinkTarget* target;
};

gboolean sinkWrite(GsfOutput* output, size_t size, const guint8* data)
{
    SinkTarget* target = reinterpret_cast<SinkOutput*>(output)->target;
    if (target->failure)
        return TRUE;
    try {
        // libgsf moves its offset past the bytes once this returns.
        target->sink.writeAt(static_cast<uint64_t>(output->cur_offset), data, size);
    } catch (...) {
        target->failure = std::current_exception();
    }
    return TRUE;
}

gboolean sinkSeek(GsfOutput* /*output*/, gsf_off_t /*offset*/, GSeekType /*whence*/)
{
    // libgsf keeps the offset; the next write goes there.
    return TRUE;
}

gboolean sinkClose(GsfOutput* /*output*/)
{
    return TRUE;
}

GType sinkOutputType()
{
    static const GType type = g_type_register_static_simple(
        GSF_OUTPUT_TYPE, "PlatStorageSinkOutput", sizeof(GsfOutputClass),
        [](gpointer cls, gpointer) {
            auto* output = static_cast<GsfOutputClass*>(cls);
            output->Write = sinkWrite;
            output->Seek = sinkSeek;
            output->Close = sinkClose;
        },
        sizeof(SinkOutput), nullptr, GTypeFlags(0));
    return type;
}

// One stream of a compound file being built: what libgsf's stream is given, gathered into
// blocks, since a writer hands over a few bytes at a time. A failure of the sink below ends
// the writing at once with what the sink threw.
class ChildStream final : public ByteStream {
public:
    ChildStream(GsfOutput* child, SinkTarget& target) : m_child(child), m_target(target) {}

    size_t read(void* /*buffer*/, size_t /*size*/) override { return 0; }
    std::optional<uint64_t> remaining() const override { return 0; }
    void write(const void* data, size_t size) override
    {
        if (size == 0)
            return;
        const auto* bytes = static_cast<const uint8_t*>(data);
        if (size <= kBlock - m_used) {
            std::memcpy(m_block.data() + m_used, bytes, size);
            m_used += size;
            return;
        }
        flush();
        if (size >= kBlock) {
            put(bytes, size);
            return;
        }
        std::memcpy(m_block.data(), bytes, size);
        m_used = size;
    }
    void flush() override
    {
        if (m_used > 0) {
            put(m_block.data(), m_used);
            m_used = 0;
        }
    }

private:
    void put(const uint8_t* data, size_t size)
    {
        const bool written = gsf_output_write(m_child, size, data);
        if (m_target.failure)
            std::rethrow_exception(m_target.failure);
        if (!written)
            throw StorageError(StorageError::Cause::writeFailed, "", "cannot write a stream");
    }

    static constexpr size_t kBlock = size_t(1) << 16;
    GsfOutput* m_child;
    SinkTarget& m_target;
    std::vector<uint8_t> m_block = std::vector<uint8_t>(kBlock);
    size_t m_used = 0;
};

// A stream of the file to be: its name, and what writes its bytes.
struct Source {
    std::string name;
    Storage::StreamWriter writer;
};

// Writes a compound file of the streams into the sink.
void buildInto(Sink& sink, const std::vector<Source>& sources)
{
    initGsf();
    SinkTarget target{sink, nullptr};
    const auto fail = [&target](const std::string& why) {
        if (target.failure)
            std::rethrow_exception(target.failure);
        throw StorageError(StorageError::Cause::writeFailed, "", why);
    };
    GPtr<GsfOutput> output(GSF_OUTPUT(g_object_new(sinkOutputType(), nullptr)));
    reinterpret_cast<SinkOutput*>(output.get())->target = &target;
    // Declared outside the attempt, so that they go after a failure is noted: what libgsf then
    // writes as it lets go is dropped.
    GPtr<GsfOutfile> root;
    GPtr<GsfOutput> child;
    try {
        root.reset(gsf_outfile_msole_new(output.get()));
        if (!root)
            fail("cannot make a compound file");
        for (const Source& source : sources) {
            child.reset(gsf_outfile_new_child(root.get(), source.name.c_str(), FALSE));
            if (!child)
                fail("cannot make stream " + source.name);
            ChildStream stream(child.get(), target);
            source.writer(stream);
            stream.flush();
            if (!gsf_output_close(child.get()))
                fail("cannot write stream " + source.name);
            child.reset();
        }
        if (!gsf_output_close(GSF_OUTPUT(root.get())))
            fail("cannot finish the compound file");
    } catch (...) {
        if (!target.failure)
            target.failure = std::current_exception();
        throw;
    }
    root.reset();
    if (target.failure)
        std::rethrow_exception(target.failure);
}

// The streams as sources that write their bytes whole.
std::vector<Source> sourcesOf(const std::vector<Storage::Stream>& streams)
{
    std::vector<Source> sources;
    for (const Storage::Stream& stream : streams)
        sources.push_back({stream.name, [data = stream.data](ByteStream& out) { out.write(data.data(), data.size()); }});
    return sources;
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

    storage->m_kind = compound ? Kind::compound : Kind::converted;
    return storage;
}

void Storage::load() const
{
    if (m_loaded)
        return;
    FileBytes file = readWhole(m_fd, m_path);
    const std::string& path = m_path;
    const uint8_t* const bytes = file.data.get();
    const size_t size = file.size;
    std::vector<Entry> entries;
    if (m_kind == Kind::converted || !hasSignature(std::span<const uint8_t>(bytes, size))) {
        // Shown as one stream of the file's own bytes, never written back.
        m_kind = Kind::converted;
        entries.push_back(Entry{"Contents", false, true, 0, size, {}});
    } else {
        initGsf();
        GPtr<GsfInput> input(gsf_input_memory_new(bytes, static_cast<gsf_off_t>(size), FALSE));
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
                const gsf_off_t streamSize = gsf_input_size(child.get());
                if (streamSize < 0 || static_cast<uint64_t>(streamSize) > size)
                    throw StorageError(StorageError::Cause::invalid, path,
                                       path + ": stream \"" + entry.name + "\" is larger than the file");
                entry.size = static_cast<size_t>(streamSize);
                if (entry.size > 0) {
                    // libgsf hands out a stream whose sectors follow one another where it lies in the
                    // file's bytes, and gathers a scattered one into a buffer of its own.
                    const guint8* data = gsf_input_read(child.get(), entry.size, nullptr);
                    if (!data)
                        throw StorageError(StorageError::Cause::invalid, path,
                                           path + ": stream \"" + entry.name + "\" is damaged");
                    const uintptr_t at = reinterpret_cast<uintptr_t>(data);
                    const uintptr_t start = reinterpret_cast<uintptr_t>(bytes);
                    if (at >= start && at - start <= size && entry.size <= size - (at - start)) {
                        entry.inFile = true;
                        entry.offset = at - start;
                    } else {
                        entry.copy.assign(data, data + entry.size);
                    }
                }
            }
            entries.push_back(std::move(entry));
        }
    }
    m_bytes = std::move(file.data);
    m_size = file.size;
    m_entries = std::move(entries);
    m_loaded = true;
}

std::vector<std::string> Storage::streamNames() const
{
    load();
    std::vector<std::string> names;
    for (const Entry& entry : m_entries)
        names.push_back(entry.name);
    return names;
}

const Storage::Entry* Storage::find(std::string_view name) const
{
    load();
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
    const std::span<const uint8_t> data = streamData(name);
    return {data.begin(), data.end()};
}

std::span<const uint8_t> Storage::streamData(std::string_view name) const
{
    const Entry* entry = find(name);
    if (!entry)
        throw StorageError(StorageError::Cause::notFound, m_path,
                           m_path + " holds no stream \"" + std::string(name) + "\"");
    if (entry->inFile)
        return {m_bytes.get() + entry->offset, entry->size};
    return entry->copy;
}

std::vector<uint8_t> Storage::build(const std::vector<Stream>& streams)
{
    MemorySink sink;
    buildInto(sink, sourcesOf(streams));
    return sink.take();
}

void Storage::replaceFile(const std::string& path, std::span<const uint8_t> bytes, const WriteProbe& probe)
{
    TempFile file(path);
    FileSink sink(file, probe);
    sink.writeAt(0, bytes.data(), bytes.size());
    sink.flush();
    if (probe)
        probe(sink.written());
    file.replace();
}

namespace {

void writeSources(const std::string& path, const std::vector<Source>& sources, const Storage::WriteProbe& probe)
{
    // The container goes straight into the new file: a large document is never held twice.
    TempFile file(path);
    FileSink sink(file, probe);
    buildInto(sink, sources);
    sink.flush();
    if (probe)
        probe(sink.written());
    file.replace();
}

}  // namespace

void Storage::write(const std::string& path, const std::vector<Stream>& streams, const WriteProbe& probe)
{
    writeSources(path, sourcesOf(streams), probe);
}

void Storage::write(const std::string& path, const std::string& streamName, const StreamWriter& writer,
                    const WriteProbe& probe)
{
    writeSources(path, {{streamName, writer}}, probe);
}

}  // namespace plat
