#include "builder/extract/output_folder.h"

#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const char kExistsMessage[] =
    "a file of that name is there already (from before, or another packaged file of the same name); extract "
    "never writes into an existing file";

#ifdef _WIN32

std::wstring widen(const std::string& text, UINT codePage)
{
    if (text.empty())
        return std::wstring();
    int length = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), &wide[0], length);
    return wide;
}

std::string systemMessage(DWORD code)
{
    char buffer[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                                  sizeof buffer, nullptr);
    while (length && strchr("\r\n .", buffer[length - 1]))
        --length;
    return length ? std::string(buffer, length) : "error " + std::to_string(code);
}

// Owns a file handle.
struct FileHandle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~FileHandle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

// Creates the folder unless it exists as a real folder; false for a file or
// a reparse point in its place.
bool ensureFolder(const std::wstring& path, std::string& error)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
            return true;
        error = "cannot create the folder: " + systemMessage(GetLastError());
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        error = "a link or junction stands where a folder belongs";
        return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "a file stands where a folder belongs";
        return false;
    }
    return true;
}

bool createRootChain(const std::string& root, std::string& error)
{
    std::wstring path = widen(root, CP_ACP);
    // Each prefix that ends before a separator, skipping a drive ("C:") and
    // the empty prefix of an absolute path.
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != L'\\' && path[i] != L'/')
            continue;
        std::wstring prefix = path.substr(0, i);
        if (prefix.size() == 2 && prefix[1] == L':')
            continue;
        if (GetFileAttributesW(prefix.c_str()) == INVALID_FILE_ATTRIBUTES &&
            !CreateDirectoryW(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            error = "cannot create the folder: " + systemMessage(GetLastError());
            return false;
        }
    }
    return true;
}

#else

std::string errnoMessage(int code)
{
    return strerror(code);
}

// Owns a file descriptor.
struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            close(fd);
    }
};

bool ensureFolder(const std::string& path, std::string& error)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        if (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST)
            return true;
        error = "cannot create the folder: " + errnoMessage(errno);
        return false;
    }
    if (S_ISLNK(info.st_mode)) {
        error = "a symbolic link stands where a folder belongs";
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = "a file stands where a folder belongs";
        return false;
    }
    return true;
}

bool createRootChain(const std::string& root, std::string& error)
{
    for (size_t i = 1; i <= root.size(); ++i) {
        if (i < root.size() && root[i] != '/')
            continue;
        std::string prefix = root.substr(0, i);
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create the folder: " + errnoMessage(errno);
            return false;
        }
    }
    return true;
}

#endif

}  // namespace

bool OutputFolder::open(std::string& error)
{
    if (root_.empty())
        root_ = ".";
    return createRootChain(root_, error);
}

#ifdef _WIN32

bool OutputFolder::writeFile(const std::vector<std::string>& names, const ContentSource& source, uint64_t fileTime,
                             std::string& error)
{
    std::wstring path = widen(root_, CP_ACP);
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        path += L'\\';
        path += widen(names[i], CP_UTF8);
        if (!ensureFolder(path, error))
            return false;
    }
    path += L'\\';
    path += widen(names.back(), CP_UTF8);
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        error = "a link stands where the file belongs";
        return false;
    }
    // Only a new file: one that exists may be a hard link to a file
    // elsewhere, which writing would change too.
    FileHandle file;
    file.handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file.handle == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        error = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS
                    ? std::string(kExistsMessage)
                    : "cannot create the file: " + systemMessage(code);
        return false;
    }
    std::string writeError;
    ContentWriter write = [&](const uint8_t* p, size_t left) {
        while (left) {
            DWORD chunk = left > 0x10000000 ? 0x10000000 : DWORD(left);
            DWORD written = 0;
            if (!WriteFile(file.handle, p, chunk, &written, nullptr) || written != chunk) {
                writeError = "cannot write the file: " + systemMessage(GetLastError());
                return false;
            }
            p += chunk;
            left -= chunk;
        }
        return true;
    };
    if (!source(write, error)) {
        if (!writeError.empty()) {
            error = writeError;
            return false;
        }
        CloseHandle(file.handle);
        file.handle = INVALID_HANDLE_VALUE;
        DeleteFileW(path.c_str());
        return false;
    }
    if (fileTime) {
        FILETIME time;
        time.dwLowDateTime = DWORD(fileTime);
        time.dwHighDateTime = DWORD(fileTime >> 32);
        if (!SetFileTime(file.handle, nullptr, nullptr, &time)) {
            error = "cannot set the file's time: " + systemMessage(GetLastError());
            return false;
        }
    }
    return true;
}

#else

bool OutputFolder::writeFile(const std::vector<std::string>& names, const ContentSource& source, uint64_t fileTime,
                             std::string& error)
{
    std::string path = root_;
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        path += '/';
        path += names[i];
        if (!ensureFolder(path, error))
            return false;
    }
    path += '/';
    path += names.back();
    // Only a new file (O_EXCL, which also refuses a symbolic link there):
    // one that exists may be a hard link to a file elsewhere, which writing
    // would change too.
    FileDescriptor file;
    file.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (file.fd < 0) {
        struct stat info;
        if (errno == EEXIST && lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
            error = "a symbolic link stands where the file belongs";
        else
            error = errno == EEXIST ? std::string(kExistsMessage) : "cannot create the file: " + errnoMessage(errno);
        return false;
    }
    std::string writeError;
    ContentWriter writeChunk = [&](const uint8_t* p, size_t left) {
        while (left) {
            ssize_t written = write(file.fd, p, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                writeError = "cannot write the file: " + errnoMessage(written < 0 ? errno : ENOSPC);
                return false;
            }
            p += written;
            left -= size_t(written);
        }
        return true;
    };
    if (!source(writeChunk, error)) {
        if (!writeError.empty()) {
            error = writeError;
            return false;
        }
        close(file.fd);
        file.fd = -1;
        unlink(path.c_str());
        return false;
    }
    if (fileTime) {
        // FILETIME counts 100 ns ticks from 1601; the Unix epoch is 11644473600 s later.
        constexpr uint64_t kUnixEpoch = 116444736000000000ull;
        int64_t ticks = int64_t(fileTime - kUnixEpoch);
        struct timespec times[2];
        int64_t seconds = ticks / 10000000;
        int64_t remainder = ticks % 10000000;
        if (remainder < 0) {
            remainder += 10000000;
            --seconds;
        }
        times[0].tv_sec = time_t(seconds);
        times[0].tv_nsec = long(remainder * 100);
        times[1] = times[0];
        if (futimens(file.fd, times) != 0) {
            error = "cannot set the file's time: " + errnoMessage(errno);
            return false;
        }
    }
    if (close(file.fd) != 0) {
        file.fd = -1;
        error = "cannot write the file: " + errnoMessage(errno);
        return false;
    }
    file.fd = -1;
    return true;
}

#endif

bool OutputFolder::writeFile(const std::vector<std::string>& names, const Bytes& data, uint64_t fileTime,
                             std::string& error)
{
    ContentSource held = [&](const ContentWriter& write, std::string&) { return write(data.data(), data.size()); };
    return writeFile(names, held, fileTime, error);
}
