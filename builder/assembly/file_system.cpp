#include "builder/assembly/file_system.h"

#include "format/unique_resource.h"

#include <ctype.h>
#include <errno.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

fs::path pathOf(const std::string& utf8)
{
    return fs::u8path(utf8);
}

#ifndef _WIN32
// Seconds between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochInFileTime = 11644473600ull;
#endif

bool lastWriteTime(const std::string& path, uint64_t& fileTime)
{
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(pathOf(path).wstring().c_str(), GetFileExInfoStandard, &data))
        return false;
    fileTime = uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
    return true;
#else
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return false;
    int64_t seconds = int64_t(st.st_mtim.tv_sec) + int64_t(kUnixEpochInFileTime);
    if (seconds < 0)
        seconds = 0;
    fileTime = uint64_t(seconds) * 10000000ull + uint64_t(st.st_mtim.tv_nsec) / 100;
    return true;
#endif
}

const char* specialKindOf(fs::file_type type)
{
    switch (type) {
    case fs::file_type::fifo: return "a FIFO (named pipe)";
    case fs::file_type::socket: return "a socket";
    case fs::file_type::block:
    case fs::file_type::character: return "a device";
    case fs::file_type::directory:
    case fs::file_type::regular: return nullptr;
    default: return "neither a file nor a folder";
    }
}

// Device and inode (volume and file index on Windows) of what the path
// leads to.
bool identityOf(const std::string& path, uint64_t& device, uint64_t& inode)
{
#ifdef _WIN32
    HANDLE handle =
        CreateFileW(pathOf(path).wstring().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information;
    bool ok = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    device = information.dwVolumeSerialNumber;
    inode = uint64_t(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
    return ok;
#else
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return false;
    device = uint64_t(st.st_dev);
    inode = uint64_t(st.st_ino);
    return true;
#endif
}

}  // namespace

bool resolvedPath(const std::string& path, std::string& out)
{
    std::error_code error;
    fs::path resolved = fs::canonical(pathOf(path), error);
    if (error)
        return false;
    out = resolved.u8string();
    return true;
}

bool examinePath(const std::string& path, PathInfo& out)
{
    out = PathInfo();
    std::error_code error;
    fs::file_status status = fs::status(pathOf(path), error);
    if (error || !fs::exists(status))
        return false;
    out.exists = true;
    out.isFolder = fs::is_directory(status);
    out.isFile = fs::is_regular_file(status);
    out.specialKind = specialKindOf(status.type());
    fs::file_status own = fs::symlink_status(pathOf(path), error);
    out.isLink = !error && fs::is_symlink(own);
#ifdef _WIN32
    DWORD attributes = GetFileAttributesW(pathOf(path).wstring().c_str());
    out.isLink = out.isLink || (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT));
#endif
    if (out.isFolder && !identityOf(path, out.device, out.inode))
        return false;
    if (out.isFile) {
        out.size = fs::file_size(pathOf(path), error);
        if (error)
            return false;
    }
    return lastWriteTime(path, out.fileTime);
}

bool listFolder(const std::string& path, std::vector<std::string>& names, std::string& problem)
{
    names.clear();
    std::error_code error;
    fs::directory_iterator it(pathOf(path), error), end;
    for (; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().u8string());
    if (error) {
        problem = error.message();
        return false;
    }
    std::sort(names.begin(), names.end());
    return true;
}

bool openRegularFile(const std::string& path, UniqueFile& out, uint64_t& size, std::string& problem)
{
    out.reset();
    size = 0;
#ifdef _WIN32
    FILE* file = _wfopen(pathOf(path).wstring().c_str(), L"rb");
    if (!file) {
        problem = strerror(errno);
        return false;
    }
    // A disk file, checked on the handle: not a pipe, console or device.
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    LARGE_INTEGER length;
    bool regular = GetFileType(handle) == FILE_TYPE_DISK && GetFileSizeEx(handle, &length) && length.QuadPart >= 0;
    uint64_t measured = regular ? uint64_t(length.QuadPart) : 0;
#else
    // Not blocking on open: a FIFO put in the file's place would otherwise
    // wait for a writer for ever.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = strerror(errno);
        return false;
    }
    struct stat st;
    bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    uint64_t measured = regular ? uint64_t(st.st_size) : 0;
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        problem = strerror(errno);
        close(fd);
        return false;
    }
#endif
    UniqueFile owned(file);
    if (!regular) {
        problem = "it is not a regular file (a FIFO, device or socket stands there now)";
        return false;
    }
    size = measured;
    out = std::move(owned);
    return true;
}

bool readFileBytes(const std::string& path, Bytes& out, std::string& problem)
{
    out.reset();
    UniqueFile file;
    uint64_t size = 0;
    if (!openRegularFile(path, file, size, problem))
        return false;
    bool ok = size <= SIZE_MAX && out.allocate(size_t(size));
    if (!ok)
        problem = "not enough memory to hold it";
    // A file that grew while being read is read as it was when measured;
    // one that shrank is an error.
    if (ok && size && fread(out.data(), 1, size_t(size), file.get()) != size) {
        problem = ferror(file.get()) ? strerror(errno) : "the file changed while it was read";
        ok = false;
    }
    if (!ok)
        out.reset();
    return ok;
}

OutputFile::~OutputFile()
{
    discard();
}

void OutputFile::discard()
{
    if (file_) {
        fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
#ifdef _WIN32
        _wremove(pathOf(temporary_).wstring().c_str());
#else
        unlink(temporary_.c_str());
#endif
        temporary_.clear();
    }
}

bool OutputFile::open(const std::string& path, std::string& problem)
{
    discard();
    path_ = path;
#ifdef _WIN32
    temporary_ = path + ".tmp-" + std::to_string(_getpid());
    file_ = _wfopen(pathOf(temporary_).wstring().c_str(), L"w+b");
    if (!file_) {
        problem = strerror(errno);
        temporary_.clear();
        return false;
    }
#else
    std::string name = path + ".tmp-XXXXXX";
    int fd = mkstemp(&name[0]);
    if (fd < 0) {
        problem = strerror(errno);
        return false;
    }
    temporary_ = name;
    // mkstemp creates the file for its owner only; an installer is as
    // readable as any file the user makes.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0777 & ~mask);
    file_ = fdopen(fd, "w+b");
    if (!file_) {
        problem = strerror(errno);
        close(fd);
        discard();
        return false;
    }
#endif
    return true;
}

bool OutputFile::commit(std::string& problem)
{
    if (!file_) {
        problem = "the file is not open";
        return false;
    }
    bool ok = true;
    if (fflush(file_) != 0) {
        problem = strerror(errno);
        ok = false;
    }
#ifndef _WIN32
    if (ok && fsync(fileno(file_)) != 0) {
        problem = strerror(errno);
        ok = false;
    }
#endif
    if (fclose(file_) != 0 && ok) {
        problem = strerror(errno);
        ok = false;
    }
    file_ = nullptr;
#ifdef _WIN32
    if (ok && !MoveFileExW(pathOf(temporary_).wstring().c_str(), pathOf(path_).wstring().c_str(),
                           MOVEFILE_REPLACE_EXISTING)) {
        problem = "cannot replace the file (error " + std::to_string(GetLastError()) + ")";
        ok = false;
    }
#else
    if (ok && rename(temporary_.c_str(), path_.c_str()) != 0) {
        problem = strerror(errno);
        ok = false;
    }
#endif
    if (ok)
        temporary_.clear();
    else
        discard();
    return ok;
}

bool writeFileAtomically(const std::string& path, const Bytes& bytes, std::string& problem)
{
    OutputFile output;
    if (!output.open(path, problem))
        return false;
    if (bytes.size() && fwrite(bytes.data(), 1, bytes.size(), output.file()) != bytes.size()) {
        problem = strerror(errno);
        return false;
    }
    return output.commit(problem);
}

bool isTerminal(FILE* stream)
{
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

std::string programFolder()
{
#ifdef _WIN32
    wchar_t buffer[32768];
    DWORD length = GetModuleFileNameW(nullptr, buffer, 32768);
    if (length == 0 || length >= 32768)
        return std::string();
    return fs::path(std::wstring(buffer, length)).parent_path().u8string();
#else
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().u8string();
#endif
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder == ".")
        return name;
    char last = folder.back();
    if (last == '/' || last == '\\')
        return folder + name;
    return folder + "/" + name;
}

bool isAbsolutePath(const std::string& path)
{
    if (!path.empty() && (path[0] == '/' || path[0] == '\\'))
        return true;
    return path.size() >= 2 && path[1] == ':' && isalpha(uint8_t(path[0]));
}
