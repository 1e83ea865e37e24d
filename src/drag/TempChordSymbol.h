#pragma once
// The chord layer under the mouse: a chord symbol placed on a note or in a
// measure, or moved by its name, its fret diagram or its rhythm; and the
// images of a fret diagram and of a rhythm-pattern name, which only show and
// make nothing on a drop.

#include "drag/TempMsg.h"
#include "harmony/ChordSymbol.h"
#include "harmony/FretBoard.h"
#include "harmony/Rhythm.h"

#include <vector>

class CKVBlock;

// Handle 0 grabs the symbol (its name), 1 its fret diagram, 2 its rhythm;
// only the grabbed part moves. The grab offset is kept in the third point.
class CTempChordSymbol : public CChordSymbol, public CTempMsg {
public:
    CTempChordSymbol() = default;
    ~CTempChordSymbol() override = default;
    // Both the chord symbol and the drag state (the image stays behind).
    CTempChordSymbol& operator=(CTempChordSymbol& source);
    using CChordSymbol::operator=;
    using CChordSymbol::Initialize;

    // Inserts, moves or copies the chord symbol itself: 1, or -1 when a new
    // symbol has no measure near the point or a moved one cannot be placed
    // (then with a beep).
    short EndDrag(CPoint pt) override;
    // The symbol at the position in the settings' chord font at 100 %:
    // only the grabbed part of a moved symbol, no rhythm while rhythms are
    // hidden. Every field the drawing touches is given back.
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

    // The y word of a chord symbol above the staff of meas in block: four
    // staff spaces and the staff's upper space of the block above the top
    // line; 65535 without a block, without staves, or when the block does
    // not show that staff.
    int GetChordPos(CKVBlock* block, CKVMeas* meas);

protected:
    CKVMsg& Model() override { return *this; }

private:
    // Puts chord at the page point (x, y): on the note of the current voice
    // there (replacing its chord symbol, whose offsets it takes over) or
    // above the staff of the nearest measure. The inserted symbol, or null
    // when nothing could be placed (a holder whose record holds all its
    // symbols takes none). undo opens an undo step first.
    CKVMsg* MakeChordTextMsg(short x, short y, CKVMsg* chord, int undo);
    // Whether the drop of a moved symbol re-places it (DropElsewhere) rather
    // than shifting its offsets where it is.
    bool MovesElsewhere(const CKVMsg& moved) const;
    // Whether the holder under the drop position takes the symbol; a full
    // one beeps and refuses the drop before anything is backed up. True
    // where no holder is found, which the drop itself refuses.
    bool HolderAtDropTakesIt(CKVDoc& doc, CKVPage* page);
    // A moved symbol (or an Alt copy) re-placed where the position is now,
    // at its dragged height; 1, or -1 with a beep when it cannot be placed.
    short DropElsewhere(CKVDoc& doc, CKVPage* page, CChordSymbol* moved);
    // Backs a measure up once per drop; its live copy.
    CKVMeas* BackUpOnce(CKVMeas* meas);
    // A rhythm counts only while rhythms are shown.
    bool RhythmShown() const;

    std::vector<CKVMeas*> m_backedUp; // live copies backed up by this drop
};

class CTempFretBoard : public CFretBoard, public CTempMsg {
public:
    explicit CTempFretBoard(short size = 240, const char* face = "ZelvoraB") : CFretBoard(size, face) {}
    ~CTempFretBoard() override = default;
    using CFretBoard::operator=;

    // The diagram at the position (its own offsets left out).
    void DrawDraging(CDC* dc) override;

protected:
    CKVMsg& Model() override { return *this; }
};

class CTempRhythm : public CRhythm, public CTempMsg {
public:
    CTempRhythm() = default;
    ~CTempRhythm() override = default;

    // The pattern name at the position at the template's zoom (its own
    // offsets left out).
    void DrawDraging(CDC* dc) override;

protected:
    CKVMsg& Model() override { return *this; }
};
