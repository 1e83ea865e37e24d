// The marks an Encore note carries above and below it, as child marks of the
// inserted note: slides, circle marks and the marks of the mark table.

#include "document/KVDoc.h"
#include "import/EncMarkTable.h"
#include "model/KVMsg.h"
#include "model/NodeDoc.h"

namespace {

// Data offsets of the mark codes and their signed positions.
constexpr int kUpMark = 14;
constexpr int kDownMark = 16;

// The mark for one code and position; 1 when added or when the code makes
// none, 0 when adding failed.
int AddEncNoteMark(CKVMsg& note, int code, int pos, bool above)
{
    CKVDoc* doc = DocOf(note);
    if (!doc)
        return 0;
    const int s = doc->m_nStaffSpace;
    const int half = s / 2;
    const LONG height = note.m_lHeight;
    const bool wordNegative = static_cast<LONG>(note.m_dwWord) < 0;
    const int duration = note.m_wDuration & 0xFF;

    CKVMsg mark;
    mark.m_byVoice = note.m_byVoice;
    int x = 0;
    int y = 0;
    // The x of a slide or circle mark below the note.
    const int slideBelowX = duration <= DUR_WHOLE ? 2 : (wordNegative ? half : -half);
    switch (code) {
    case 3:
    case 65:
    case 66:
    case 67:
        mark.m_byKind = code == 3 ? MSG_SLIDE3 : code == 65 ? MSG_SLIDE1 : code == 66 ? MSG_SLIDE2 : MSG_SLIDE4;
        if (above) {
            if (code == 3)
                x = height < 0 ? half : 0;
            else if (code == 67)
                x = wordNegative ? half : -half;
            else if (pos >= 0)
                x = height < 0 ? half : 0;
            else
                x = height > 0 ? -half : 0;
            y = -(half * pos);
        } else {
            x = slideBelowX;
            y = (pos - (code == 65 ? 2 : 1)) * half;
        }
        break;
    case 68:
    case 69:
    case 74:
        mark.m_byKind = code == 68 ? MSG_MARKUP : code == 69 ? MSG_MARKDOWN : MSG_BIGMARKDOWN;
        x = wordNegative ? half : 0;
        y = above ? -half - pos * half : pos * half + half;
        break;
    default: {
        const int index = EncMarkIndex(code);
        if (index < 0 || index >= CKVDoc::kMarkSizes)
            return 1;
        mark.m_byKind = MSG_NOTEMARK;
        mark.m_wHeadType = static_cast<WORD>(index);
        const int m = doc->m_sizeMark[index].cx / 2;
        const int head = doc->GetHeadWidth(duration);
        if (above) {
            x = height <= 0 && duration >= DUR_HALF ? head - m : head / 2 - m;
            y = -half - pos * half + (code == 48 ? half : 0);
        } else {
            x = height > 0 && duration >= DUR_HALF ? -m : head / 2 - m;
            y = pos * half + half;
            if (index == 30)
                y += s * 4 / 3;
            if (index == 16)
                y += s;
        }
        break;
    }
    }
    mark.m_nPosX = static_cast<short>(x);
    mark.m_nPosY = static_cast<short>(y);
    return doc->AddMsg(&note, &mark, 1, 0) ? 1 : 0;
}

} // namespace

int CKVMsg::EncNoteUpToKvcNoteUp(void* data)
{
    const auto* bytes = static_cast<const BYTE*>(data);
    if (!bytes)
        return 1;
    return AddEncNoteMark(*this, bytes[kUpMark], static_cast<signed char>(bytes[kUpMark + 1]), true);
}

int CKVMsg::EncNoteDownToKvcNoteDown(void* data)
{
    const auto* bytes = static_cast<const BYTE*>(data);
    if (!bytes)
        return 1;
    return AddEncNoteMark(*this, bytes[kDownMark], static_cast<signed char>(bytes[kDownMark + 1]), false);
}
