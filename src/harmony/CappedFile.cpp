#include "harmony/CappedFile.h"

#include <new>

namespace kvharmony {

bool ReadCappedFile(const CString& path, DWORD limit, std::vector<char>& text, bool* complete)
{
    text.clear();
    try {
        CFile file;
        if (!file.Open(path, CFile::modeRead | CFile::typeBinary))
            return false;
        const DWORD length = file.GetLength();
        if (length > limit)
            return false;
        text.resize(length);
        UINT got = 0;
        while (got < length) {
            const UINT n = file.Read(text.data() + got, length - got);
            if (n == 0)
                break;
            got += n;
        }
        text.resize(got);
        if (complete)
            *complete = got == length;
    } catch (const CFileException&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

} // namespace kvharmony
