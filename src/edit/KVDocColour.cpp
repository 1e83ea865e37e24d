// The colour, line thickness and size of the selected symbols.

#include "document/KVDoc.h"

#include "document/SelHit.h"
#include "edit/EditFrame.h"
#include "model/HitShapes.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/TickMath.h"

#include <functional>

namespace {

// A lyric keeps its colour at byte 8 of its head.
constexpr WORD kLyricColourAt = 8;

// The lines and shapes that take a thickness: the outlined kinds but Bézier
// curves and custom symbols.
bool IsGraphicKind(BYTE kind)
{
    return hitshape::HasOutline(kind) && kind != MSG_BEZIER && kind != MSG_CUSTOM;
}

bool HasHandles(const CKVMsg& msg)
{
    return msg.m_arrCtrlPoint.GetSize() > 0;
}

// Colours the symbols of one covered measure whose first handle meets the
// test rectangle: notes, rests, octave lines and the members of groups and
// chords of the voice only, marks and other kinds whatever their voice. A
// hit member colours its group or chord too.
class CColourWalk {
public:
    // A walk that only looks (`probe`) changes nothing and tells whether the
    // walk would colour anything.
    enum class Mode { Paint, Probe };

    CColourWalk(CKVDoc& doc, const selhit::MeasPlace& place, const CRect& test, int voice, DWORD colour,
                Mode mode = Mode::Paint)
        : m_doc(doc), m_place(place), m_test(test), m_voice(voice), m_colour(colour), m_probe(mode == Mode::Probe)
    {
    }

    bool Run()
    {
        tickmath::ForEachChild(*m_place.meas, [this](CKVMsg* msg, short) {
            switch (msg->m_byKind) {
            case MSG_NOTE:
            case MSG_REST:
                Note(*msg, nullptr, nullptr);
                break;
            case MSG_BEAM:
                Group(*msg);
                break;
            case MSG_CHORD:
                Chord(*msg, nullptr);
                break;
            case MSG_OCTAVE:
                if (CEditFrame::VoiceMatches(*msg, m_voice) && Hit(*msg))
                    Colour(*msg);
                break;
            default:
                if (Hit(*msg))
                    Colour(*msg);
                break;
            }
            return false;
        });
        return m_reached;
    }

    // Gives a symbol the colour; a lyric takes it in its head, when the
    // head is long enough to hold it.
    static bool Paint(CKVMsg& msg, DWORD colour)
    {
        if (!Paints(msg))
            return false;
        if (msg.m_byKind != MSG_LYRIC) {
            msg.m_crColor = colour;
            return true;
        }
        for (int i = 0; i < 4; ++i)
            msg.m_pHead[kLyricColourAt + i] = static_cast<unsigned char>(colour >> (8 * i));
        return true;
    }

private:
    static bool Paints(const CKVMsg& msg)
    {
        return msg.m_byKind != MSG_LYRIC || (msg.m_pHead && msg.m_wHeadLen >= kLyricColourAt + 4);
    }

    bool Hit(CKVMsg& msg)
    {
        CRect handle;
        return selhit::HandleOnPage(*m_place.block, m_place.measIndex, m_place.staffIndex, *m_place.meas, msg,
                                    handle) &&
               selhit::Meets(handle, m_test);
    }

    void Colour(CKVMsg& msg)
    {
        if (m_probe)
            m_reached = m_reached || Paints(msg);
        else if (Paint(msg, m_colour))
            m_doc.m_bModified = 1;
    }

    // A note or rest standing alone or in a group or chord, then its parts.
    void Note(CKVMsg& note, CKVMsg* group, CKVMsg* chord)
    {
        if (!HasHandles(note) || !CEditFrame::VoiceMatches(note, m_voice))
            return;
        if (Hit(note)) {
            for (CKVMsg* container : {group, chord}) {
                if (container)
                    Colour(*container);
            }
            Colour(note);
        }
        tickmath::ForEachChild(note, [&](CKVMsg* part, short) {
            CRect handle;
            if (HasHandles(*part) &&
                selhit::PartHandleOnPage(*m_place.block, m_place.measIndex, m_place.staffIndex, *m_place.meas, note,
                                         *part, handle) &&
                selhit::Meets(handle, m_test))
                Colour(*part);
            return false;
        });
    }

    void Chord(CKVMsg& chord, CKVMsg* group)
    {
        tickmath::ForEachChild(chord, [&](CKVMsg* note, short) {
            if (note->m_byKind == MSG_NOTE)
                Note(*note, group, &chord);
            return false;
        });
    }

    void Group(CKVMsg& group)
    {
        tickmath::ForEachChild(group, [&](CKVMsg* member, short) {
            if (member->m_byKind == MSG_NOTE || member->m_byKind == MSG_REST)
                Note(*member, &group, nullptr);
            else if (member->m_byKind == MSG_CHORD)
                Chord(*member, &group);
            return false;
        });
    }

    CKVDoc& m_doc;
    const selhit::MeasPlace& m_place;
    CRect m_test;
    int m_voice;
    DWORD m_colour;
    bool m_probe;
    bool m_reached = false;
};

// Whether any handle of a symbol of a covered measure meets the test
// rectangle; the first that does ends the search.
bool AnyHandleMeets(const selhit::MeasPlace& place, CKVMsg& msg, const CRect& test)
{
    POINT anchor {0, 0};
    if (!selhit::AnchorOnPage(*place.block, place.measIndex, place.staffIndex, *place.meas, msg, anchor))
        return false;
    for (int h = 0; h < msg.m_arrCtrlPoint.GetSize(); ++h) {
        CKVCtrlPoint* point = msg.m_arrCtrlPoint.GetAt(h);
        if (!point)
            continue;
        CRect stored = point->m_rect;
        CRect handle;
        msg.ConvertRectByZoom(stored, handle, static_cast<short>(h));
        handle.OffsetRect(anchor.x, anchor.y);
        if (selhit::Meets(handle, test))
            return true;
    }
    return false;
}

// The lines and shapes of a covered measure that a handle of meets the test
// rectangle.
void ForEachLineMet(const selhit::MeasPlace& place, const CRect& test, const std::function<void(CKVMsg&)>& visit)
{
    tickmath::ForEachChild(*place.meas, [&](CKVMsg* msg, short) {
        if (IsGraphicKind(msg->m_byKind) && AnyHandleMeets(place, *msg, test))
            visit(*msg);
        return false;
    });
}

// A free curve keeps its thickness in its value word, every other line or
// shape in its thickness field.
void GiveThickness(CKVMsg& msg, short thickness)
{
    if (msg.m_byKind == MSG_PAGESLUR)
        msg.m_wDuration = static_cast<WORD>(thickness);
    else
        msg.m_lHeight = thickness;
}

} // namespace

void CKVDoc::SetColorOfSelElement(short voice, DWORD colour)
{
    CRecordWalk walk(*this);
    if (!walk.Open())
        return;
    walk.Run(
        [](CKVMsg& msg) { return HasHandles(msg); },
        [&](CKVMsg& msg) {
            if (CColourWalk::Paint(msg, colour))
                m_bModified = 1;
        },
        [&](const selhit::MeasPlace& place, const CRect& test) {
            return CColourWalk(*this, place, test, voice, colour, CColourWalk::Mode::Probe).Run();
        },
        [&](const selhit::MeasPlace& place, const CRect& test) {
            CColourWalk(*this, place, test, voice, colour).Run();
        });
}

void CKVDoc::SetThickOfSelGraph(short, short thickness)
{
    CRecordWalk walk(*this);
    if (!walk.Open())
        return;
    // Page-level lines and shapes take the thickness as those of measures
    // do: a page backed up for them must also change.
    walk.Run([](CKVMsg& msg) { return IsGraphicKind(msg.m_byKind); },
             [&](CKVMsg& msg) {
                 GiveThickness(msg, thickness);
                 m_bModified = 1;
             },
             [&](const selhit::MeasPlace& place, const CRect& test) {
                 bool reached = false;
                 ForEachLineMet(place, test, [&](CKVMsg&) { reached = true; });
                 return reached;
             },
             [&](const selhit::MeasPlace& place, const CRect& test) {
                 ForEachLineMet(place, test, [&](CKVMsg& msg) {
                     GiveThickness(msg, thickness);
                     m_bModified = 1;
                 });
             });
}

void CKVDoc::SetNoteSize(short voice, short size)
{
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    for (CKVMsg* msg : frame.Collect(voice)) {
        if (msg->m_byKind != MSG_NOTE)
            continue;
        msg->m_wSize = static_cast<WORD>(size);
        msg->MakeNoteCtrlPoint();
    }
    frame.Close();
}
