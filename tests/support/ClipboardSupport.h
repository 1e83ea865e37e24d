#pragma once
// Clipboard images in tests: a malloc'd image buffer as a host keeps one,
// the cursor put where a paste goes, and a selection fixture on the paged
// score of the selection tests.

#include "document/ClipboardSystem.h"
#include "document/KVDoc.h"
#include "support/SelectionSupport.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace kvtest {

// The buffer a host hands to CopyDataToMem: it starts as malloc(1), as the
// host's first buffer does, and is freed with free().
struct ImageBuffer {
    unsigned char* data = static_cast<unsigned char*>(std::malloc(1));
    DWORD size = 0;
    ImageBuffer() = default;
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;
    ~ImageBuffer() { std::free(data); }
    std::vector<unsigned char> Bytes() const { return std::vector<unsigned char>(data, data + size); }
};

class ClipboardTest : public SelectionTest {
protected:
    // The image of the current selection.
    DWORD Copy(ImageBuffer& image, unsigned char voice = 0, int cut = 0)
    {
        image.size = Doc().CopyDataToMem(image.data, voice, cut);
        return image.size;
    }

    // The cursor at a staff and a measure of page 0 (3 measures per block),
    // caret position 0, nothing selected.
    void CursorAt(int staff, int meas)
    {
        Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
        Doc().JumpToPage(0);
        CKVPage* page = Page(0);
        Doc().m_nCurBlock = static_cast<short>(meas / 3);
        Doc().m_pCurBlock = page->GetBlock(Doc().m_nCurBlock);
        Doc().m_nCurMeas = static_cast<short>(meas % 3);
        Doc().m_nCurStaff = static_cast<short>(staff);
        Doc().m_nCaretPos = 0;
    }

    // The image of a whole measure.
    void CopyMeasure(ImageBuffer& image, int staff, int meas)
    {
        SelectMeas(staff, meas);
        ASSERT_GT(Copy(image), 8u);
    }

    // Three quarters of voice 1 from firstX on, timed, and a text 10 units
    // right of the first.
    void FillMeasure(CKVMeas* m, short firstX = 32)
    {
        for (int i = 0; i < 3; ++i)
            Note(m, {.x = static_cast<short>(firstX + 64 * i), .y = static_cast<short>(-3 * i)});
        score->Symbol(m, MSG_TEXT2, static_cast<short>(firstX + 10), -30);
        m->UpdateStartTime(1, 0, 0, 0);
    }

    // A page text at (x, y) of a page.
    CKVMsg* PageText(int page, short x, short y)
    {
        CKVMsg model;
        model.m_byKind = MSG_FREETEXT;
        model.m_nPosX = x;
        model.m_nPosY = y;
        const char text[] = "Allegro";
        model.SetHead(sizeof text, reinterpret_cast<unsigned char*>(const_cast<char*>(text)));
        CKVMsg* msg = Doc().AddMsg(Page(page), &model, 1, 0);
        EXPECT_NE(msg, nullptr);
        return msg;
    }

    short Paste(const ImageBuffer& image, unsigned char voice = 0, int autoBeam = 0)
    {
        return Doc().PastMemoryTo(image.data, image.size, voice, 0, autoBeam);
    }

    // A note with a MIDI head (as every stored note has one), its key from
    // its height unless given.
    CKVMsg* Note(CKVObject* parent, const NoteShape& shape, int key = -1)
    {
        CKVMsg* note = score->Note(parent, shape);
        MidiNoteHead head;
        head.byKey = static_cast<BYTE>(key >= 0 ? key : 64 - shape.y / 3);
        head.dwGateTime = 200;
        ScoreBuilder::SetMidiHead(note, head);
        return note;
    }

    // The notes, rests and chords of a measure (beam members included), by
    // position.
    std::vector<CKVMsg*> Timed(CKVMeas* meas);
};

// What a paste keeps of a range of staves and measures, one line per symbol,
// ids numbered within the range: per staff, measure and voice the notes,
// rests and chords in time order (kind, voice, duration, dots, tuplet word,
// start and play time, MIDI keys), the ties and slurs by the notes they
// join, each note's lyrics, marks and chord symbols, and each measure's
// other symbols with their head bytes and x from the first note. Positions,
// vertical places, accidentals, beam groups and tuplet symbols are left out:
// a paste derives them again. voice 0 takes every voice. Without others the
// measures' other symbols are left out (a rectangle takes only those whose
// handle it meets).
std::string PasteView(CKVDoc& doc, int firstStaff, int staves, LONG firstMeas, LONG measures, BYTE voice = 0,
                      bool withOthers = true);

} // namespace kvtest
