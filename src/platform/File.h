#pragma once
// CFile over a POSIX file descriptor, CMemFile over a byte buffer, and the
// exception both throw. Exceptions are thrown by value and caught by const&.

#include "String.h"
#include "WinTypes.h"

#include <vector>

class CFileException {
public:
    enum {
        none,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        badSeek,
        hardIO,
        sharingViolation,
        diskFull,
        endOfFile,
    };

    explicit CFileException(int cause = none, LONG osError = -1, LPCTSTR fileName = nullptr);

    int m_cause;
    LONG m_lOsError; // errno, -1 when there is none
    CString m_strFileName;
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        // Sharing is not enforced on this system; the flags are accepted.
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile();
    // Opens the file and throws CFileException when it cannot.
    CFile(LPCTSTR fileName, UINT openFlags);
    // Closes the file, ignoring errors.
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // FALSE on failure, never a throw; `error` receives the reason.
    virtual BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr);

    // Returns the count actually read: fewer than `count` at the end of the
    // file, which is not an error.
    virtual UINT Read(void* buffer, UINT count);
    virtual void Write(const void* buffer, UINT count);
    // Returns the new position. Seeking before the start throws badSeek.
    virtual DWORD Seek(LONG offset, UINT from);
    void SeekToBegin();
    DWORD SeekToEnd();
    virtual DWORD GetLength() const;
    virtual DWORD GetPosition() const;
    virtual void SetLength(DWORD newLength);
    virtual void Flush();
    virtual void Close();
    // Closes without ever throwing.
    virtual void Abort();

    // The name with its extension, the full path, and the name without it.
    virtual CString GetFileName() const;
    virtual CString GetFilePath() const;
    virtual CString GetFileTitle() const;

protected:
    [[noreturn]] void ThrowErrno(int error) const;
    void CheckOpen() const;

    int m_hFile = -1;
    CString m_strFileName;
};

// A file in memory, growing by `growBytes` at a time. The second constructor
// works on the caller's buffer: with `growBytes` 0 the file is the whole
// buffer and cannot grow (writing past its end throws diskFull); otherwise
// the file starts empty and moves to storage of its own once it outgrows
// the buffer. The caller's buffer is never freed or reallocated.
class CMemFile : public CFile {
public:
    explicit CMemFile(UINT growBytes = 1024);
    CMemFile(BYTE* buffer, UINT bufferSize, UINT growBytes = 0);
    ~CMemFile() override;

    // A memory file has no name to open.
    BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr) override;

    UINT Read(void* buffer, UINT count) override;
    void Write(const void* buffer, UINT count) override;
    DWORD Seek(LONG offset, UINT from) override;
    DWORD GetLength() const override;
    DWORD GetPosition() const override;
    void SetLength(DWORD newLength) override;
    void Flush() override;
    // Empties the file.
    void Close() override;
    void Abort() override;

    // Not of the class library: the file's own storage lent to a writer that
    // appends many small records, so that it writes them in place instead of
    // handing the file copies. `block` is a malloc block of `capacity` bytes
    // whose first `used` bytes are the file; the writer may replace it by a
    // larger malloc block (copying those bytes and freeing the old one), as
    // the record writers grow their buffers. The file is not to be used until
    // EndAppend gives the block back, `used` bytes long, with the position at
    // its end. False, with nothing lent, for a file over a caller's buffer, a
    // file that may not grow, and a file not positioned at its end.
    bool BeginAppend(BYTE*& block, DWORD& used, DWORD& capacity);
    void EndAppend(BYTE* block, DWORD used, DWORD capacity);

private:
    void Reserve(DWORD size);
    BYTE* Data() { return m_buffer ? m_buffer : m_storage; }
    const BYTE* Data() const { return m_buffer ? m_buffer : m_storage; }

    UINT m_growBytes;
    BYTE* m_buffer = nullptr; // the caller's buffer, when there is one
    DWORD m_bufferSize = 0;
    BYTE* m_storage = nullptr; // our own, from malloc so that it can be lent
    DWORD m_storageSize = 0;
    bool m_lent = false;
    DWORD m_length = 0;
    DWORD m_position = 0;
};
