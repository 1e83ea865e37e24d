#include "CodePage.h"

#include "ProcessState.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <string>
#include <strings.h>

namespace {

constexpr UINT kDefaultAnsiCodePage = 1252;

UINT s_ansiCodePage = kDefaultAnsiCodePage;

void ResetAnsiCodePage()
{
    s_ansiCodePage = kDefaultAnsiCodePage;
}

KvProcessReset s_reset("ANSI code page", &ResetAnsiCodePage);

// iconv's name of a code page, or null for one we do not know.
const char* IconvName(UINT codePage)
{
    switch (codePage) {
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    default: return nullptr;
    }
}

UINT Resolve(UINT codePage)
{
    return codePage == CP_ACP ? s_ansiCodePage : codePage;
}

// Windows decodes the five bytes Windows-1252 leaves undefined to the C1
// controls of the same value, and encodes those back; iconv rejects both.
bool IsCp1252Hole(unsigned value)
{
    return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D;
}

class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (Valid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts all of the input. At a sequence iconv cannot convert,
    // `onBad(in, left, out)` appends a replacement to `out` and returns how
    // many input bytes to skip, so the conversion always runs to the end.
    template <typename OnBad>
    std::string Run(const char* input, size_t length, OnBad onBad)
    {
        std::string out(length * 2 + 16, '\0');
        size_t used = 0;
        char* in = const_cast<char*>(input);
        size_t inLeft = length;
        bool flushing = false;
        for (;;) {
            char* outPtr = out.data() + used;
            size_t outLeft = out.size() - used;
            const size_t rc = flushing ? iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft)
                                       : iconv(m_cd, &in, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            used = static_cast<size_t>(outPtr - out.data());
            if (rc != static_cast<size_t>(-1)) {
                if (flushing)
                    break;
                // Some decoders hold back a character to combine it with the
                // next one; the flush call writes it out.
                flushing = true;
                continue;
            }
            if (error == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            if (flushing || inLeft == 0)
                break;
            // Emit whatever the converter holds, then the replacement.
            if (out.size() - used < 64)
                out.resize(out.size() * 2 + 64);
            outPtr = out.data() + used;
            outLeft = out.size() - used;
            iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft);
            used = static_cast<size_t>(outPtr - out.data());
            std::string replacement;
            size_t skip = onBad(reinterpret_cast<const unsigned char*>(in), inLeft, replacement);
            if (skip == 0 || skip > inLeft)
                skip = 1;
            in += skip;
            inLeft -= skip;
            if (out.size() - used < replacement.size())
                out.resize(out.size() * 2 + replacement.size());
            std::memcpy(out.data() + used, replacement.data(), replacement.size());
            used += replacement.size();
        }
        out.resize(used);
        return out;
    }

private:
    iconv_t m_cd;
};

void AppendUnit(std::string& out, char16_t unit)
{
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
}

} // namespace

UINT GetACP()
{
    return s_ansiCodePage;
}

BOOL SetAnsiCodePage(UINT codePage)
{
    if (codePage == CP_ACP || !IconvName(codePage))
        return FALSE;
    s_ansiCodePage = codePage;
    return TRUE;
}

BOOL SetAnsiCodePageByName(const char* name)
{
    if (!name)
        return FALSE;
    const char* digits = name;
    if (strncasecmp(digits, "windows-", 8) == 0)
        digits += 8;
    else if (strncasecmp(digits, "cp", 2) == 0)
        digits += 2;
    const size_t count = std::strlen(digits);
    if (count == 0 || count > 5 || std::strspn(digits, "0123456789") != count)
        return FALSE;
    return SetAnsiCodePage(static_cast<UINT>(std::strtoul(digits, nullptr, 10)));
}

int MultiByteToWideChar(UINT codePage, DWORD /*flags*/, LPCSTR multiByte, int multiByteLength,
                        LPWSTR wide, int wideLength)
{
    const UINT resolved = Resolve(codePage);
    const char* name = IconvName(resolved);
    if (!name || !multiByte || multiByteLength == 0 || multiByteLength < -1 || wideLength < 0
        || (wideLength > 0 && !wide))
        return 0;
    const size_t length = multiByteLength == -1 ? std::strlen(multiByte) + 1
                                                : static_cast<size_t>(multiByteLength);

    Converter converter("UTF-16LE", name);
    if (!converter.Valid())
        return 0;
    const bool cp1252 = resolved == 1252;
    const std::string units = converter.Run(multiByte, length,
        [cp1252](const unsigned char* in, size_t, std::string& out) -> size_t {
            AppendUnit(out, cp1252 && IsCp1252Hole(in[0]) ? static_cast<char16_t>(in[0]) : u'\uFFFD');
            return 1;
        });

    const size_t count = units.size() / 2;
    if (count > 0x7FFFFFFF)
        return 0;
    if (wideLength == 0)
        return static_cast<int>(count);
    if (count > static_cast<size_t>(wideLength))
        return 0;
    for (size_t i = 0; i < count; ++i)
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(units[2 * i])
                                        | (static_cast<unsigned char>(units[2 * i + 1]) << 8));
    return static_cast<int>(count);
}

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, LPCWSTR wide, int wideLength,
                        LPSTR multiByte, int multiByteLength, LPCSTR defaultChar,
                        LPBOOL usedDefaultChar)
{
    if (usedDefaultChar)
        *usedDefaultChar = FALSE;
    const UINT resolved = Resolve(codePage);
    const char* name = IconvName(resolved);
    if (!name || !wide || wideLength == 0 || wideLength < -1 || multiByteLength < 0
        || (multiByteLength > 0 && !multiByte))
        return 0;
    size_t count = 0;
    if (wideLength == -1) {
        while (wide[count] != 0)
            ++count;
        ++count;
    } else {
        count = static_cast<size_t>(wideLength);
    }

    // The input as UTF-16LE bytes, whatever the machine's byte order.
    std::string input;
    input.reserve(count * 2);
    for (size_t i = 0; i < count; ++i)
        AppendUnit(input, wide[i]);

    std::string replacement = defaultChar && *defaultChar ? std::string(defaultChar, strnlen(defaultChar, 2)) : "?";
    BOOL usedDefault = FALSE;
    Converter converter(name, "UTF-16LE");
    if (!converter.Valid())
        return 0;
    const bool cp1252 = resolved == 1252;
    const std::string bytes = converter.Run(input.data(), input.size(),
        [&](const unsigned char* in, size_t left, std::string& out) -> size_t {
            if (left < 2) {
                out += replacement;
                usedDefault = TRUE;
                return left;
            }
            const char16_t unit = static_cast<char16_t>(in[0] | (in[1] << 8));
            if (cp1252 && IsCp1252Hole(unit)) {
                out.push_back(static_cast<char>(unit));
                return 2;
            }
            out += replacement;
            usedDefault = TRUE;
            // An unmappable character written as a surrogate pair is one
            // character: skip both halves.
            if (unit >= 0xD800 && unit <= 0xDBFF && left >= 4) {
                const char16_t next = static_cast<char16_t>(in[2] | (in[3] << 8));
                if (next >= 0xDC00 && next <= 0xDFFF)
                    return 4;
            }
            return 2;
        });

    if (usedDefaultChar)
        *usedDefaultChar = usedDefault;
    if (bytes.size() > 0x7FFFFFFF)
        return 0;
    if (multiByteLength == 0)
        return static_cast<int>(bytes.size());
    if (bytes.size() > static_cast<size_t>(multiByteLength))
        return 0;
    std::memcpy(multiByte, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}
