#include "File.h"

#include "Path.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int CauseFromErrno(int error)
{
    switch (error) {
    case 0:
        return CFileException::none;
    case ENOENT:
        return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return CFileException::badPath;
    case EMFILE:
    case ENFILE:
        return CFileException::tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBADF: // a write to a file opened for reading, for instance
        return CFileException::accessDenied;
    case ESPIPE:
        return CFileException::badSeek;
    case EIO:
        return CFileException::hardIO;
    case EBUSY:
    case ETXTBSY:
        return CFileException::sharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return CFileException::diskFull;
    default:
        return CFileException::generic;
    }
}

// Windows tells a missing file (fileNotFound) from a missing folder on the
// way to it (badPath).
int CauseOfOpenFailure(int error, const std::string& mapped)
{
    if (error != ENOENT)
        return CauseFromErrno(error);
    const size_t slash = mapped.find_last_of('/');
    if (mapped.empty() || slash == std::string::npos)
        return CFileException::badPath;
    const std::string parent = slash == 0 ? std::string("/") : mapped.substr(0, slash);
    struct stat info;
    if (stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return CFileException::badPath;
    return CFileException::fileNotFound;
}

} // namespace

CFileException::CFileException(int cause, LONG osError, LPCTSTR fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName ? fileName : "")
{
}

CFile::CFile() = default;

CFile::CFile(LPCTSTR fileName, UINT openFlags)
{
    CFileException error;
    if (!Open(fileName, openFlags, &error))
        throw error;
}

CFile::~CFile()
{
    CFile::Abort();
}

BOOL CFile::Open(LPCTSTR fileName, UINT openFlags, CFileException* error)
{
    Abort();
    const std::string mapped = KvMapPath(fileName);

    int flags = O_CLOEXEC;
    switch (openFlags & 0x3) {
    case modeRead:
        flags |= O_RDONLY;
        break;
    case modeWrite:
        flags |= O_WRONLY;
        break;
    case modeReadWrite:
        flags |= O_RDWR;
        break;
    default:
        if (error)
            *error = CFileException(CFileException::generic, EINVAL, fileName);
        return FALSE;
    }
    if (openFlags & modeCreate)
        flags |= (openFlags & modeNoTruncate) ? O_CREAT : O_CREAT | O_TRUNC;

    int fd = mapped.empty() ? -1 : open(mapped.c_str(), flags, 0666);
    int osError = mapped.empty() ? ENOENT : errno;
    if (fd >= 0) {
        // Windows does not open a folder as a file.
        struct stat info;
        if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
            close(fd);
            fd = -1;
            osError = EACCES;
        }
    }
    if (fd < 0) {
        if (error)
            *error = CFileException(CauseOfOpenFailure(osError, mapped), osError, fileName);
        return FALSE;
    }
    m_hFile = fd;
    m_strFileName = mapped.c_str();
    if (error)
        *error = CFileException();
    return TRUE;
}

void CFile::ThrowErrno(int error) const
{
    throw CFileException(CauseFromErrno(error), error, m_strFileName);
}

void CFile::CheckOpen() const
{
    if (m_hFile < 0)
        throw CFileException(CFileException::invalidFile, EBADF, m_strFileName);
}

UINT CFile::Read(void* buffer, UINT count)
{
    CheckOpen();
    if (count == 0)
        return 0;
    if (!buffer)
        throw CFileException(CFileException::generic, EFAULT, m_strFileName);
    BYTE* bytes = static_cast<BYTE*>(buffer);
    UINT done = 0;
    while (done < count) {
        const ssize_t n = read(m_hFile, bytes + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno(errno);
        }
        if (n == 0)
            break;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CFile::Write(const void* buffer, UINT count)
{
    CheckOpen();
    if (count == 0)
        return;
    if (!buffer)
        throw CFileException(CFileException::generic, EFAULT, m_strFileName);
    const BYTE* bytes = static_cast<const BYTE*>(buffer);
    UINT done = 0;
    while (done < count) {
        const ssize_t n = write(m_hFile, bytes + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno(errno);
        }
        if (n == 0)
            ThrowErrno(ENOSPC);
        done += static_cast<UINT>(n);
    }
}

DWORD CFile::Seek(LONG offset, UINT from)
{
    CheckOpen();
    int whence;
    switch (from) {
    case begin:
        whence = SEEK_SET;
        break;
    case current:
        whence = SEEK_CUR;
        break;
    case end:
        whence = SEEK_END;
        break;
    default:
        throw CFileException(CFileException::badSeek, EINVAL, m_strFileName);
    }
    const off_t before = lseek(m_hFile, 0, SEEK_CUR);
    const off_t after = before < 0 ? before : lseek(m_hFile, offset, whence);
    if (after < 0)
        throw CFileException(CFileException::badSeek, errno, m_strFileName);
    if (after > static_cast<off_t>(UINT32_MAX)) {
        // Positions are DWORDs: stay where we were.
        lseek(m_hFile, before, SEEK_SET);
        throw CFileException(CFileException::badSeek, EOVERFLOW, m_strFileName);
    }
    return static_cast<DWORD>(after);
}

void CFile::SeekToBegin()
{
    Seek(0, begin);
}

DWORD CFile::SeekToEnd()
{
    return Seek(0, end);
}

DWORD CFile::GetLength() const
{
    CheckOpen();
    struct stat info;
    if (fstat(m_hFile, &info) != 0)
        ThrowErrno(errno);
    return static_cast<DWORD>(info.st_size);
}

DWORD CFile::GetPosition() const
{
    CheckOpen();
    const off_t position = lseek(m_hFile, 0, SEEK_CUR);
    if (position < 0)
        throw CFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<DWORD>(position);
}

void CFile::SetLength(DWORD newLength)
{
    CheckOpen();
    while (ftruncate(m_hFile, static_cast<off_t>(newLength)) != 0) {
        if (errno == EINTR)
            continue;
        // Linux reports a file opened for reading as EINVAL; Windows as
        // access denied.
        const int error = errno;
        if (error == EINVAL && (fcntl(m_hFile, F_GETFL) & O_ACCMODE) == O_RDONLY)
            throw CFileException(CFileException::accessDenied, error, m_strFileName);
        ThrowErrno(error);
    }
}

void CFile::Flush()
{
    CheckOpen();
    // Pipes and devices cannot be synchronised, and have nothing to flush.
    if (fsync(m_hFile) != 0 && errno != EINVAL && errno != EROFS)
        ThrowErrno(errno);
}

void CFile::Close()
{
    if (m_hFile < 0)
        return;
    const int fd = m_hFile;
    m_hFile = -1;
    const CString name = m_strFileName;
    m_strFileName.Empty();
    if (close(fd) != 0 && errno != EINTR)
        throw CFileException(CauseFromErrno(errno), errno, name);
}

void CFile::Abort()
{
    if (m_hFile >= 0)
        close(m_hFile);
    m_hFile = -1;
    m_strFileName.Empty();
}

CString CFile::GetFileName() const
{
    const int slash = m_strFileName.ReverseFind('/');
    return slash < 0 ? m_strFileName : m_strFileName.Mid(slash + 1);
}

CString CFile::GetFilePath() const
{
    return m_strFileName;
}

CString CFile::GetFileTitle() const
{
    const CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}

// CMemFile

CMemFile::CMemFile(UINT growBytes) : m_growBytes(growBytes)
{
}

CMemFile::CMemFile(BYTE* buffer, UINT bufferSize, UINT growBytes)
    : m_growBytes(growBytes), m_buffer(buffer), m_bufferSize(buffer ? bufferSize : 0)
{
    m_length = growBytes == 0 ? m_bufferSize : 0;
}

CMemFile::~CMemFile()
{
    std::free(m_storage);
}

BOOL CMemFile::Open(LPCTSTR fileName, UINT /*openFlags*/, CFileException* error)
{
    if (error)
        *error = CFileException(CFileException::generic, EINVAL, fileName);
    return FALSE;
}

void CMemFile::Reserve(DWORD size)
{
    const DWORD capacity = m_buffer ? m_bufferSize : m_storageSize;
    if (size <= capacity)
        return;
    if (m_growBytes == 0)
        throw CFileException(CFileException::diskFull, ENOSPC);
    uint64_t wanted = (static_cast<uint64_t>(size) + m_growBytes - 1) / m_growBytes * m_growBytes;
    // At least doubling, so that a file written in many pieces is copied a
    // bounded number of times in all.
    wanted = std::max<uint64_t>(wanted, 2 * static_cast<uint64_t>(m_storageSize));
    wanted = std::min<uint64_t>(wanted, UINT32_MAX);
    BYTE* grown = static_cast<BYTE*>(std::malloc(static_cast<size_t>(wanted)));
    if (!grown)
        throw std::bad_alloc();
    // Outgrown the caller's buffer, or our own block: the bytes move on.
    if (m_length > 0)
        std::memcpy(grown, Data(), m_length);
    std::free(m_storage);
    m_storage = grown;
    m_storageSize = static_cast<DWORD>(wanted);
    m_buffer = nullptr;
    m_bufferSize = 0;
}

bool CMemFile::BeginAppend(BYTE*& block, DWORD& used, DWORD& capacity)
{
    if (m_buffer || m_growBytes == 0 || m_lent || m_position != m_length)
        return false;
    block = m_storage;
    used = m_length;
    capacity = m_storageSize;
    m_storage = nullptr;
    m_storageSize = 0;
    m_lent = true;
    return true;
}

void CMemFile::EndAppend(BYTE* block, DWORD used, DWORD capacity)
{
    std::free(m_storage);
    m_storage = block;
    m_storageSize = block ? capacity : 0;
    m_length = block ? std::min(used, capacity) : 0;
    m_position = m_length;
    m_lent = false;
}

UINT CMemFile::Read(void* buffer, UINT count)
{
    if (count == 0 || m_position >= m_length)
        return 0;
    if (!buffer)
        throw CFileException(CFileException::generic, EFAULT);
    const UINT n = std::min<UINT>(count, m_length - m_position);
    std::memcpy(buffer, Data() + m_position, n);
    m_position += n;
    return n;
}

void CMemFile::Write(const void* buffer, UINT count)
{
    if (count == 0)
        return;
    if (!buffer)
        throw CFileException(CFileException::generic, EFAULT);
    const uint64_t end = static_cast<uint64_t>(m_position) + count;
    if (end > UINT32_MAX)
        throw CFileException(CFileException::diskFull, EFBIG);
    Reserve(static_cast<DWORD>(end));
    if (m_position > m_length)
        std::memset(Data() + m_length, 0, m_position - m_length);
    std::memcpy(Data() + m_position, buffer, count);
    m_position = static_cast<DWORD>(end);
    m_length = std::max(m_length, m_position);
}

DWORD CMemFile::Seek(LONG offset, UINT from)
{
    int64_t base;
    switch (from) {
    case begin:
        base = 0;
        break;
    case current:
        base = m_position;
        break;
    case end:
        base = m_length;
        break;
    default:
        throw CFileException(CFileException::badSeek, EINVAL);
    }
    const int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(UINT32_MAX))
        throw CFileException(CFileException::badSeek, EINVAL);
    m_position = static_cast<DWORD>(target);
    return m_position;
}

DWORD CMemFile::GetLength() const
{
    return m_length;
}

DWORD CMemFile::GetPosition() const
{
    return m_position;
}

void CMemFile::SetLength(DWORD newLength)
{
    Reserve(newLength);
    if (newLength > m_length)
        std::memset(Data() + m_length, 0, newLength - m_length);
    m_length = newLength;
    m_position = std::min(m_position, m_length);
}

void CMemFile::Flush()
{
}

void CMemFile::Close()
{
    std::free(m_storage);
    m_storage = nullptr;
    m_storageSize = 0;
    m_buffer = nullptr;
    m_bufferSize = 0;
    m_length = 0;
    m_position = 0;
}

void CMemFile::Abort()
{
    Close();
}
