// Chord symbols from the older chord kinds and from Encore chords.

#include "harmony/ChordSymbol.h"

#include "harmony/ChordRtBsInfo.h"
#include "model/TextHelpers.h"
#include "platform/Profile.h"

#include <string>
#include <vector>

namespace {

constexpr UINT kShapeProfileString = 127;
constexpr UINT kChordFolderString = 131;
constexpr UINT kConversionProfileString = 145;

constexpr const char* kOldSection = "ChordConv2.0->2.2";
constexpr const char* kEncoreSection = "Enc4.1->Kvc2.2";
constexpr int kProfileBuffer = 100;

CString ChordFolderFile(UINT fileString)
{
    CString folder;
    CString file;
    folder.LoadString(kChordFolderString);
    file.LoadString(fileString);
    return CString(szCurDirectory) + "\\" + folder + "\\" + file;
}

// The codes of the dictionary's "(major)" entry, or none.
void TakeMajorCodes(CChordSurfix& surfix)
{
    surfix.ResetInfo();
    POSITION at = procChordSurfix.FindSurfixShortName("(major)");
    if (!at)
        return;
    if (CChordSurfix* entry = procChordSurfix.GetNextSurfix(at))
        surfix.SetInfo(entry->GetInfo());
}

// The head of an older chord text, read without ever passing its end.
class HeadReader {
public:
    HeadReader(const unsigned char* head, int length) : m_head(head), m_length(head ? length : 0) {}

    // Up to `count` bytes; fewer when the head ends first.
    std::string Take(long long count)
    {
        if (count <= 0)
            return {};
        const long long left = m_length - m_at;
        const int n = static_cast<int>(count < left ? count : left);
        std::string bytes(reinterpret_cast<const char*>(m_head) + m_at, static_cast<size_t>(n));
        m_at += n;
        return bytes;
    }

    // A length byte and that many bytes; false (nothing taken) when the
    // piece does not fit.
    bool TakePiece(std::string& piece)
    {
        if (m_at >= m_length)
            return false;
        const int length = m_head[m_at];
        if (m_at + 1 + length > m_length)
            return false;
        piece.assign(reinterpret_cast<const char*>(m_head) + m_at + 1, static_cast<size_t>(length));
        m_at += 1 + length;
        return true;
    }

    bool TakeByte(BYTE& value)
    {
        if (m_at >= m_length)
            return false;
        value = m_head[m_at++];
        return true;
    }

private:
    const unsigned char* m_head;
    int m_length;
    int m_at = 0;
};

CString FromBytes(const std::string& bytes)
{
    // A zero byte would end the text early; the older names hold none, so
    // the text stops there as the older program's did.
    return CString(bytes.c_str());
}

// Splits a whole chord name after its root at the first '/' that really
// starts a bass: the parser must take a note name from what follows it.
short CutBass(CString& text)
{
    for (int p = 1; p + 1 < text.GetLength(); ++p) {
        if (text[p] != '/' || static_cast<unsigned char>(text[p + 1]) < 'A')
            continue;
        CString after = text.Mid(p + 1);
        const int before = after.GetLength();
        const short bass = procChordRtBsInfo.GetBaseNoFromStr(after);
        if (after.GetLength() == before)
            continue;
        text = text.Left(p);
        return bass;
    }
    return 0;
}

} // namespace

short CChordSymbol::RootNoFromOldVersion(short letter, short accidental)
{
    static const short natural[7] = {0, 3, 6, 7, 10, 13, 16};
    if (letter < 0 || letter > 6)
        return 0;
    short root = natural[letter];
    if (accidental == 1)
        ++root;
    else if (accidental == 2)
        --root;
    if (root >= 17)
        root = static_cast<short>(root - 17);
    else if (root < 0)
        root = static_cast<short>(root + 17);
    return root;
}

int CChordSymbol::ConvertSurfixFromOld(CString& surfix)
{
    char value[kProfileBuffer] = {};
    GetPrivateProfileStringA(kOldSection, surfix, "", value, kProfileBuffer, ChordFolderFile(kConversionProfileString));
    if (value[0] == '\0')
        return 0;
    surfix = value;
    return 1;
}

void CChordSymbol::AnalyzeOldSurfixName(CString& text)
{
    CString upper;
    CString main;
    CString tension;
    CString rest = text;
    CString part;
    while (GetStringInBracket(part, rest)) {
        if (part == "(major)" || part == "(Major)") {
            upper.Empty();
            main.Empty();
            tension.Empty();
            rest.Empty();
            break;
        }
        const int length = part.GetLength();
        bool holdsTension = false;
        bool holdsRaise = false;
        for (int i = 1; i < length; ++i) {
            const char c = part[i];
            holdsTension = holdsTension || c == '#' || c == 'b' || c == '$';
            holdsRaise = holdsRaise || c == '+' || c == '-';
        }
        if (holdsTension && tension.IsEmpty())
            tension = part;
        else if (holdsRaise)
            upper += part;
        else
            main += part;
    }
    main = rest + main;

    CString name = main;
    if (!tension.IsEmpty())
        name += "~" + tension;
    if (!upper.IsEmpty())
        name += "~" + upper;
    m_Surfix.SetRealName(name);
}

int CChordSymbol::MakeFromOldChordSymbol()
{
    const bool fret = m_byKind == MSG_OLDFRET;
    if (!fret && m_byKind != MSG_OLDCHORDNAME)
        return 0;

    HeadReader head(m_pHead, m_wHeadLen);
    std::string bytes = head.Take(static_cast<long long>(m_dwWord));
    // A diagram without a name stays the diagram it is.
    if (fret && FromBytes(bytes).IsEmpty())
        return 0;

    short root = 0;
    short bass = 0;
    CString text;
    if (fret) {
        text = FromBytes(bytes);
        root = procChordRtBsInfo.GetRootNoFromStr(text);
        bass = CutBass(text);
    } else {
        root = RootNoFromOldVersion(static_cast<short>(m_wDuration), static_cast<short>(m_wObjWord));
        // The tensions were stored apart from the suffix, without their
        // brackets; they go back as one group.
        std::vector<std::string> pieces;
        bool bracketed = false;
        std::string piece;
        bool complete = true;
        for (int i = 0; i < m_nPosY2; ++i) {
            if (!head.TakePiece(piece)) {
                complete = false;
                break;
            }
            pieces.push_back(piece);
            bracketed = bracketed || piece.find_first_of("()") != std::string::npos;
        }
        if (pieces.empty() || bracketed) {
            for (const std::string& each : pieces)
                bytes += each;
        } else {
            bytes += "(";
            for (size_t i = 0; i < pieces.size(); ++i)
                bytes += (i ? "," : "") + pieces[i];
            bytes += ")";
        }
        text = FromBytes(bytes);
        BYTE letter = 0;
        // The bass letter follows the last piece; a head that ended
        // among the pieces has none.
        if (complete && m_nPosX2 >= 0 && head.TakeByte(letter))
            bass = static_cast<short>(RootNoFromOldVersion(letter, m_nPosX2) + 1);
    }

    if (text.IsEmpty())
        text = " (major)";
    m_Surfix.SetRealName(text);
    POSITION at = procChordSurfix.FindSurfixShortName(text);
    CChordSurfix* entry = at ? procChordSurfix.GetNextSurfix(at) : nullptr;
    if (entry) {
        m_Surfix = *entry;
    } else if (ConvertSurfixFromOld(text)) {
        m_Surfix.SetRealName(text);
        POSITION real = procChordSurfix.FindSurfixRealName(text);
        CChordSurfix* named = real ? procChordSurfix.GetNextSurfix(real) : nullptr;
        if (named)
            m_Surfix.SetInfo(named->GetInfo());
        else
            TakeMajorCodes(m_Surfix);
    } else {
        AnalyzeOldSurfixName(text);
        TakeMajorCodes(m_Surfix);
    }

    if (bass == root + 1)
        bass = 0;
    m_nRoot = root;
    m_nBass = bass;
    m_bShowName = TRUE;
    m_bShowFret = fret ? TRUE : FALSE;
    m_FretBoard.m_FretInfo.SetFretEmpty();
    ReadFretInfo(ChordFolderFile(kShapeProfileString));

    delete m_pRhythm;
    m_pRhythm = nullptr;
    m_byKind = MSG_CHORDSYMBOL;
    // The older text and fret bytes mean nothing to a chord symbol.
    SetHead(0, nullptr);
    return 1;
}

int CChordSymbol::MakeFromEncChordSymbol(const CString& encoreSurfix)
{
    const short root = RootNoFromOldVersion(m_nRoot, m_nPosX2);

    char value[kProfileBuffer] = {};
    GetPrivateProfileStringA(kEncoreSection, encoreSurfix, encoreSurfix, value, kProfileBuffer,
                             ChordFolderFile(kConversionProfileString));
    CString name = value;
    CString codes = "43";
    const int slash = name.Find('\\');
    if (slash >= 0) {
        codes = name.Mid(slash + 1);
        name = name.Left(slash);
    }
    if (name.IsEmpty()) {
        name = "(major)";
        codes = "43";
    } else if (codes.IsEmpty()) {
        codes = "43";
    }
    m_Surfix.SetRealName(name);
    m_Surfix.InfoFromString(codes);

    short bass = m_nBass >= 0 ? static_cast<short>(RootNoFromOldVersion(m_nBass, m_nPosY2) + 1) : 0;
    if (bass == root + 1)
        bass = 0;
    m_nRoot = root;
    m_nBass = bass;
    m_bShowName = TRUE;
    m_bShowFret = m_wHeadType == 1 ? TRUE : FALSE;
    m_FretBoard.m_FretInfo.SetFretEmpty();
    ReadFretInfo(ChordFolderFile(kShapeProfileString));
    if (m_bShowFret)
        m_nPosY = static_cast<short>(m_nPosY - 24);

    delete m_pRhythm;
    m_pRhythm = nullptr;
    m_byKind = MSG_CHORDSYMBOL;
    return 1;
}

int CChordSymbol::ReadFretInfo(const CString& profilePath)
{
    CString surfix = m_Surfix.GetShortName();
    return m_FretBoard.m_FretInfo.ReadInfoFromProfile(m_nRoot, m_nBass, surfix, profilePath);
}
