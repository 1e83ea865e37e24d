// Control handles of symbols by kind: the per-kind templates, the rectangles
// made from them, and the head, accidental and dot handles of notes and rests.

#include "model/KVMsg.h"

#include "model/KVCtrlPoint.h"
#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVPage.h"
#include "model/MeasPlace.h"
#include "model/NodeDoc.h"
#include "model/NewObject.h"
#include "model/TickMath.h"

#include <initializer_list>
#include <new>

using measplace::LineSpacingOf;

namespace {

// One template entry: offset from the anchor and kind word.
struct HandleTemplate {
    short dx;
    short dy;
    WORD kind;
};

constexpr WORD kMove = CKVCtrlPoint::kMoveWhole;
constexpr WORD kShape = CKVCtrlPoint::kReshape;
constexpr WORD kShapeAlt = CKVCtrlPoint::kReshapeAlt;

// Tuplet forms (low byte of the flag word) that keep or drop the handles.
constexpr int kTupletOneHandleForm = 4;
constexpr int kTupletNoHandleForm = 5;

bool IsPageSymbol(const CKVMsg& msg)
{
    return msg.m_byParentKind == CKVPage::PARENT_KIND_PAGE;
}

// The document whose symbol-size table sizes the symbol's glyphs: its
// system's, or for a page-level symbol its page's. The title texts carry a
// page link that is only a marker and give none.
CKVDoc* GlyphDocOf(const CKVMsg& msg)
{
    if (CKVDoc* doc = DocOf(msg))
        return doc;
    if (IsPageSymbol(msg) && reinterpret_cast<std::uintptr_t>(msg.m_pPage) > 1)
        return static_cast<CKVPage*>(msg.m_pPage)->m_pDoc;
    return nullptr;
}

// Reads the chord part of a chord symbol; false for any other symbol, also
// for a plain symbol that only carries kind 69.
bool ChordPartsOf(CKVMsg& msg, ChordSymbolParts& parts)
{
    return msg.m_byKind == MSG_CHORDSYMBOL && msg.GetChordSymbolParts(parts);
}

// The template of a kind; `keep` is set when the kind's current handles must
// stay as they are (a tuplet form above 5).
// Made for every symbol a read adds, so it lives on the stack: no kind has
// more than five handles.
class HandleTemplates {
public:
    static constexpr size_t kMost = 5;
    HandleTemplates() = default;
    HandleTemplates(std::initializer_list<HandleTemplate> list)
    {
        for (const HandleTemplate& entry : list)
            if (m_size < kMost)
                m_entries[m_size++] = entry;
    }
    size_t size() const { return m_size; }
    const HandleTemplate* begin() const { return m_entries; }
    const HandleTemplate* end() const { return m_entries + m_size; }

private:
    HandleTemplate m_entries[kMost] {};
    size_t m_size = 0;
};

HandleTemplates TemplateOf(CKVMsg& msg, bool& keep)
{
    keep = false;
    const short x2 = msg.m_nPosX2;
    const short y2 = msg.m_nPosY2;
    const short w16 = static_cast<short>(msg.m_wObjWord);
    const short w32 = static_cast<short>(msg.m_dwWord);
    switch (msg.m_byKind) {
    case MSG_TEXT:
    case MSG_FREETEXT:
        return {{2, 2, kMove}};
    case MSG_TEMPO:
        return {{0, 0, kMove}, {x2, msg.ConvertYbyZoom(y2), kMove}};
    case MSG_TIE:
        return {{0, 0, kMove}, {0, 0, kShapeAlt}, {0, 0, kShape}, {0, 0, kShapeAlt}};
    case MSG_SLUR:
        return {{0, 0, kMove}, {0, 0, kMove}, {0, 0, kMove}, {0, 0, kMove}};
    case MSG_CODA:
        if (msg.m_wDuration == 1)
            return {{0, 0, kMove}, {0, 0, kMove}};
        return {{0, 0, kMove}};
    case MSG_ARPEGGIO:
        return {{0, 0, kMove}, {x2, y2, kMove}};
    case MSG_LINE:
    case MSG_TRILL:
    case MSG_ZIGZAG_N:
        return {{0, 0, kMove}, {x2, y2, kMove}, {0, 0, kMove}};
    case MSG_OCTAVE:
    case MSG_PEDAL:
        if (msg.m_wFlag != 0)
            return {{0, 0, kMove}, {x2, y2, kShape}, {0, y2, kShapeAlt}};
        return {{0, 0, kMove}, {x2, -5, kShape}, {x2, y2, kShapeAlt}};
    case MSG_TUPLET: {
        const int form = msg.m_wFlag & 0xFF;
        if (form < kTupletOneHandleForm)
            return {{0, 0, kShapeAlt}, {0, 0, kMove}, {0, 0, kShapeAlt}, {0, 0, kMove}};
        if (form == kTupletOneHandleForm)
            return {{0, 0, kMove}};
        keep = form > kTupletNoHandleForm;
        return {};
    }
    case MSG_HAIRPIN:
        return {{0, 0, kMove}, {w16, w32, kMove}, {w16, y2, kMove}, {0, 0, kMove}};
    case MSG_LYRIC:
        return {{0, 0, kShape}};
    case MSG_DYNAMIC:
    case MSG_FONTGLYPH:
    case MSG_BREATH:
    case MSG_ORNAMENT:
    case MSG_MEASREPEAT:
    case MSG_SLIDE1:
    case MSG_SLIDE2:
    case MSG_SLIDE3:
    case MSG_SLIDE4:
    case MSG_GLYPHMARK:
    case MSG_MARKUP:
    case MSG_MARKDOWN:
    case MSG_BIGMARKDOWN:
        return {{2, 2, kMove}};
    case MSG_CLEF:
        return {{6, -12, kShape}};
    case MSG_TREMOLO:
        return {{0, 0, kShapeAlt}, {0, 0, kShapeAlt}, {0, 0, kShapeAlt}};
    case MSG_ELLIPSE: {
        const short hx = static_cast<short>(x2 >> 1);
        const short hy = static_cast<short>(y2 >> 1);
        return {{hx, 0, kShapeAlt}, {0, hy, kShape}, {hx, y2, kShapeAlt}, {x2, hy, kShape}, {hx, 0, kMove}};
    }
    case MSG_RECTANGLE:
    case MSG_ROUNDRECT:
    case MSG_CUSTOM:
        return {{0, 0, kMove}, {0, y2, kMove}, {x2, y2, kMove}, {x2, 0, kMove}, {0, 0, kMove}};
    case MSG_ZIGZAG_M:
        return {{0, 0, kMove}, {y2, 0, kMove}, {x2, 0, kShape}};
    case MSG_PAGESLUR:
        return {{0, 0, kMove}, {x2, y2, kMove}, {w16, w32, kMove}, {0, 0, kMove}};
    case MSG_CURVE:
        return {{0, 0, kMove}, {x2, 0, kShape}, {x2, y2, kMove}};
    case MSG_CHORDSYMBOL: {
        HandleTemplate fret {0, 0, kMove};
        HandleTemplate rhythm {0, 0, kMove};
        if (ChordSymbolParts parts; ChordPartsOf(msg, parts)) {
            fret = {parts.fretX, parts.fretY, kMove};
            if (parts.hasRhythm)
                rhythm = {parts.rhythmX, parts.rhythmY, kMove};
        }
        return {{0, 0, kMove}, fret, rhythm};
    }
    case MSG_BEZIER:
        return {{0, 0, kMove}, {w16, w32, kMove}, {static_cast<short>(msg.m_wFlag), static_cast<short>(msg.m_lHeight), kMove},
                {x2, y2, kMove}, {0, 0, kMove}};
    default:
        return {{0, 0, kMove}};
    }
}

// The entry of a symbol-size group, or null when the index lies outside it
// (a stored word of 0, or past the group).
template <size_t N>
const SIZE* SizeAt(const SIZE (&group)[N], int index)
{
    return index >= 0 && static_cast<size_t>(index) < N ? &group[index] : nullptr;
}

// The glyph rectangle (0, -height, width, 0), shifted as the kind wants.
// False when the kind has no glyph handle for this index. An empty rectangle
// when there is no document or the stored word points outside its group.
bool GlyphRect(CKVMsg& msg, int handle, CRect& rect)
{
    const int kind = msg.m_byKind;
    const bool glyphKind = kind == MSG_NOTEMARK || kind == MSG_DYNAMIC || kind == MSG_CLEF || kind == MSG_BREATH ||
                           kind == MSG_ORNAMENT || kind == MSG_CAESURA || kind == MSG_MEASREPEAT ||
                           (kind >= MSG_SLIDE1 && kind <= MSG_SLIDE4) || kind == MSG_MARKUP ||
                           kind == MSG_MARKDOWN || kind == MSG_BIGMARKDOWN ||
                           ((kind == MSG_OCTAVE || kind == MSG_PEDAL) && handle == 0);
    if (!glyphKind)
        return false;
    rect.SetRectEmpty();
    CKVDoc* doc = GlyphDocOf(msg);
    if (!doc)
        return true;

    const int word = msg.m_wDuration;
    const SIZE* size = nullptr;
    switch (kind) {
    case MSG_NOTEMARK:
        size = SizeAt(doc->m_sizeMark, static_cast<int>(msg.m_wHeadType) - 1);
        break;
    case MSG_OCTAVE:
        size = SizeAt(doc->m_sizeFurther, word - 1);
        break;
    case MSG_PEDAL:
        size = &doc->m_sizeSingle[7];
        break;
    case MSG_DYNAMIC:
        size = SizeAt(doc->m_sizeDynamic, word - 1);
        break;
    case MSG_CLEF:
        size = SizeAt(doc->m_sizeClef, word - 1);
        break;
    case MSG_BREATH:
        size = &doc->m_sizeSingle[1];
        break;
    case MSG_ORNAMENT:
        size = &doc->m_sizeSingle[6];
        break;
    case MSG_CAESURA:
        size = &doc->m_sizeSingle[0];
        break;
    case MSG_MEASREPEAT:
        size = &doc->m_sizePair[word == 1 ? 0 : 1];
        break;
    case MSG_MARKUP:
        size = &doc->m_sizeSingle[8];
        break;
    case MSG_MARKDOWN:
        size = &doc->m_sizeSingle[9];
        break;
    case MSG_BIGMARKDOWN:
        size = &doc->m_sizeSingle[10];
        break;
    default: // the slides
        size = &doc->m_sizeSingle[2 + kind - MSG_SLIDE1];
        break;
    }
    if (!size)
        return true;

    const int w = size->cx;
    const int h = size->cy;
    rect.SetRect(0, -h, w, 0);
    switch (kind) {
    case MSG_NOTEMARK: {
        const int entry = static_cast<int>(msg.m_wHeadType) - 1;
        if (entry == 14 || entry == 15 || entry == 30 || entry == 31 || (entry >= 40 && entry <= 45) || entry == 47)
            rect.OffsetRect(0, h >> 1);
        break;
    }
    case MSG_DYNAMIC:
        if (word - 1 <= 2)
            rect.OffsetRect(0, h >> 1);
        break;
    case MSG_CLEF:
        if (word - 1 == 3)
            rect.OffsetRect(0, -(h >> 1));
        if (word - 1 == 6 && IsPageSymbol(msg))
            rect.OffsetRect(0, -h);
        break;
    case MSG_MEASREPEAT:
        if (!IsPageSymbol(msg))
            rect.SetRect(-(w >> 1), -h, w >> 1, 0);
        break;
    case MSG_MARKUP:
    case MSG_MARKDOWN:
        rect.OffsetRect(-(w >> 2), h >> 1);
        break;
    default:
        break;
    }
    return true;
}

// Whether handle 2 of a chord symbol shows the rhythm pattern's place.
bool ShowsRhythmHandle(CKVMsg& msg)
{
    ChordSymbolParts parts;
    if (!ChordPartsOf(msg, parts) || !parts.hasRhythm)
        return false;
    if (IsPageSymbol(msg))
        return true;
    const CKVDoc* doc = GlyphDocOf(msg);
    return CKVCtrlTool::m_bShowRhythm || (doc && doc->m_bShowRhythm);
}

} // namespace

bool GrowHandles(CKVObject& node, int count)
{
    // The list takes its room once rather than growing handle by handle.
    node.m_arrCtrlPoint.Reserve(count);
    // A symbol's handles come from the pool in one run where it can give
    // one; each is still counted as an allocation of its own.
    constexpr int kRunMost = 8;
    const int missing = count - node.m_arrCtrlPoint.GetSize();
    void* blocks[kRunMost];
    const int run = missing <= kRunMost ? KvPoolAllocateRun(sizeof(CKVCtrlPoint), blocks, missing) : 0;
    for (int i = 0; i < run; ++i) {
        if (KvAllocationFails()) {
            for (int j = i; j < run; ++j)
                KvPoolFree(blocks[j]);
            ReportOutOfMemory(1);
            return false;
        }
        node.m_arrCtrlPoint.Add(::new (blocks[i]) CKVCtrlPoint());
    }
    while (node.m_arrCtrlPoint.GetSize() < count) {
        CKVCtrlPoint* handle = KvNewReported<CKVCtrlPoint>();
        if (!handle)
            return false;
        node.m_arrCtrlPoint.Add(handle);
    }
    return true;
}

CKVCtrlPoint* HandleAt(CKVObject& node, int index)
{
    return index >= 0 && index < node.m_arrCtrlPoint.GetSize() ? node.m_arrCtrlPoint.GetAt(index) : nullptr;
}

void DeleteHandles(CKVObject& node)
{
    for (int i = 0; i < node.m_arrCtrlPoint.GetSize(); ++i)
        delete node.m_arrCtrlPoint.GetAt(i);
    node.m_arrCtrlPoint.RemoveAll();
}

void CKVMsg::MakeMsgCtrlPoint()
{
    if (tickmath::IsVoiceEntry(*this)) {
        MakeNoteCtrlPoint();
        return;
    }
    bool keep = false;
    HandleTemplates entries = TemplateOf(*this, keep);
    if (keep)
        return;
    short triples[HandleTemplates::kMost * 3];
    short* out = triples;
    for (const HandleTemplate& entry : entries) {
        *out++ = entry.dx;
        *out++ = entry.dy;
        *out++ = static_cast<short>(entry.kind);
    }
    // A list made for an earlier kind or form may be shorter than this
    // template; it grows to the template's length.
    m_byCtrlCount = static_cast<BYTE>(entries.size());
    UpdateMsgCtrlPointers(triples);

    if (m_byKind == MSG_TRILL) {
        if (CKVCtrlPoint* line = HandleAt(*this, 2))
            line->m_rect.SetRect(-3, -3, m_nPosX2 + 3, m_nPosY2 + 3);
    }
}

void CKVMsg::UpdateMsgCtrlPointers(short* handleTemplate)
{
    const int count = m_byCtrlCount;
    if (count == 0 || !handleTemplate)
        return;
    if (!GrowHandles(*this, count))
        return;
    for (int i = 0; i < count; ++i) {
        CKVCtrlPoint* handle = m_arrCtrlPoint.GetAt(i);
        if (!handle)
            continue;
        const int dx = handleTemplate[3 * i];
        const int dy = handleTemplate[3 * i + 1];
        handle->m_wKind = static_cast<WORD>(handleTemplate[3 * i + 2]);
        CRect& rect = handle->m_rect;
        if (m_byKind == MSG_FREETEXT) {
            rect.SetRect(dx, dy, m_nPosX2 + dx, m_nPosY2 + dy);
        } else if (GlyphRect(*this, i, rect)) {
            // Glyph handles lie on the glyph; the template offset is unused.
        } else if (m_byKind == MSG_MULTIREST) {
            rect.SetRectEmpty();
        } else if (m_byKind == MSG_CHORDSYMBOL) {
            if (i == 2 && !ShowsRhythmHandle(*this))
                rect.SetRectEmpty();
            else
                rect.SetRect(dx, dy, dx, dy);
        } else {
            rect.SetRect(dx - 3, dy - 3, dx + 3, dy + 3);
        }
    }
}

void CKVMsg::MakeNoteCtrlPoint()
{
    CKVDoc* doc = DocOf(*this);
    if (!doc)
        return;
    if (m_byKind == MSG_NOTE) {
        if (m_arrCtrlPoint.GetSize() == 0)
            m_byCtrlCount = 3;
        if (!GrowHandles(*this, 3))
            return;
        m_arrCtrlPoint.GetAt(0)->m_wKind = CKVCtrlPoint::kMoveWhole;
        m_arrCtrlPoint.GetAt(1)->m_rect.SetRectEmpty();
        m_arrCtrlPoint.GetAt(2)->m_rect.SetRectEmpty();
        // The offset of the head also places the accidental and dot handles.
        NoteCtrlOffset(0);
        return;
    }
    if (m_byKind == MSG_REST) {
        const int code = m_wDuration & 0xFF;
        if (m_arrCtrlPoint.GetSize() != 0 || code > DUR_128TH)
            return;
        if (!GrowHandles(*this, 3))
            return;
        m_byCtrlCount = 3;
        const SIZE glyph = doc->m_sizeRest[code];
        CKVCtrlPoint* head = m_arrCtrlPoint.GetAt(0);
        head->m_wKind = CKVCtrlPoint::kMoveWhole;
        head->m_rect.SetRect(0, -glyph.cy, glyph.cx, 0);
        if (code == DUR_QUARTER)
            head->m_rect.OffsetRect(0, glyph.cy >> 1);
        m_arrCtrlPoint.GetAt(1)->m_rect.SetRectEmpty();
        m_arrCtrlPoint.GetAt(2)->m_rect.SetRectEmpty();
        MakeNoteMarkCtrl();
        return;
    }
    if (m_byKind == MSG_BEAM || m_byKind == MSG_CHORD)
        MakeNoteMarkCtrl();
}

void CKVMsg::MakeNoteMarkCtrl()
{
    if (m_byKind == MSG_BEAM || m_byKind == MSG_CHORD) {
        tickmath::ForEachChild(*this, [](CKVMsg* member, short) {
            member->MakeNoteMarkCtrl();
            return false;
        });
        return;
    }
    if (m_byKind != MSG_NOTE || m_arrCtrlPoint.GetSize() < 2)
        return;
    const int s = LineSpacingOf(*this) >> 1;

    if (CKVCtrlPoint* accidental = m_arrCtrlPoint.GetAt(1)) {
        const int code = m_byAccidental & ACCI_CODE_MASK;
        if (m_byAccidental != 0) {
            const int gap = m_nLayout4;
            accidental->m_wKind = CKVCtrlPoint::kReshape;
            const int left = (code == ACCI_DOUBLE_FLAT ? -2 * s : -s) - gap;
            accidental->m_rect.SetRect(left, -s, s - gap, s);
            int shift = s;
            if (code == ACCI_DOUBLE_FLAT)
                shift += s >> 1;
            if (m_byAccidental & ACCI_SHIFT_LEFT)
                shift += 3;
            accidental->m_rect.OffsetRect(-shift, 0);
        } else {
            accidental->m_rect.SetRectEmpty();
        }
    }

    CKVCtrlPoint* dots = HandleAt(*this, 2);
    if (!dots)
        return;
    if (m_byDots > 0) {
        const int offset = m_nLayout3;
        dots->m_wKind = CKVCtrlPoint::kReshape;
        dots->m_rect.SetRect(offset - s, -s, offset + (m_byDots == 1 ? s : 2 * s), s);
        dots->m_rect.OffsetRect(2 * s, -(s >> 1));
    } else {
        dots->m_rect.SetRectEmpty();
    }
}

void CKVMsg::UpdateMsgCtrlRect()
{
    tickmath::ForEachChild(*this, [](CKVMsg* child, short) {
        child->UpdateMsgCtrlRect();
        return false;
    });
    MakeMsgCtrlPoint();
}

bool CKVMsg::GetChordSymbolParts(ChordSymbolParts&)
{
    return false;
}
