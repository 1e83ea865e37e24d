#pragma once
// The temporary system of a clipboard image: making it, its staves and
// measures, and trimming what a copy left empty.

#include "Platform.h"

class CKVBlock;
class CKVDoc;
class CKVMeas;
class CKVPage;
class CKVStaff;
class CKVSystem;
struct SelRect;

namespace kvclip {

// A system of the document, not in its system list, whose id map has as
// many empty slots as the master's so that every id it hands out lies above
// the live ones; its key tables and the copy-pointer map are emptied. Null
// after the out-of-memory report.
CKVSystem* NewTempSystem(CKVDoc& doc);

// A staff appended to the temporary system with the model's staff kind (an
// ossia staff's object kind when ossia is set).
CKVStaff* NewStaff(CKVSystem& system, const CKVStaff& model, bool ossia);

// A measure with the model's settings, not yet in the staff's list.
CKVMeas* NewMeas(CKVStaff& staff, CKVMeas& model);

// The staff's leading measures without symbols are deleted.
void DropLeadingEmptyMeas(CKVStaff& staff);

// Staves whose measures are all empty are deleted, then the leading measure
// columns empty on every remaining staff. Columns between filled ones stay,
// so that a pasted passage keeps its rests.
void DropEmptyStavesAndLeadingColumns(CKVSystem& system);

// Removes a staff from the system's list and deletes it.
void DeleteStaff(CKVSystem& system, CKVStaff* staff);

// Which records a copy of one staff within one block takes: the clipboard
// copies every such record of the selection, a rectangle drag only the first.
enum StaffRecords { kEveryStaffRecord, kFirstRecordOnly };

// What an image took of the selection, so that a cut or a drag move takes
// away that and nothing more: an image holds one copy, by the kind of the
// first record, while the selection may hold several records, a rectangle
// may reach the normal blocks of a page besides the ossia block it was
// copied from, and a drag image carries no page symbols.
struct Carried {
    // Every record of one staff within one block, or the first alone.
    StaffRecords records = kFirstRecordOnly;
    // The page a rectangle was copied from; null when it names none.
    CKVPage* page = nullptr;
    // The index among the page's ossia blocks of the one a rectangle was
    // copied from; -1 for the normal blocks. An index, as the page's blocks
    // may be replaced by their live copies while the cut deletes.
    int ossiaBlock = -1;
    // Whether the page symbols a rectangle meets went along.
    bool pageSymbols = false;

    // Whether record `index` of the selection went into the image.
    bool TakesRecord(int index, const SelRect& record) const;
    // Whether a rectangle's copy took the staff at `staffIndex` of a block
    // of the page it shows on: an ossia block gives its first staff alone.
    bool TakesStaff(const CKVPage& shownOn, const CKVBlock& block, int staffIndex) const;
};

// Copies what the selection's first record covers into the temporary
// system, by the record's kind, and says in `carried` what the copy took.
// False after the out-of-memory report.
bool CopySelection(CKVDoc& doc, CKVSystem& temp, SelRect& first, unsigned char voice, StaffRecords records,
                   Carried& carried);

// Copies what a kind-1 record covers on its page into the temporary system:
// the page's ossia blocks first (the first whose copy leaves a measure with
// symbols is the copy), else every normal block with one temporary staff
// per master staff, the empty staves and leading empty columns dropped. A
// record without a page copies nothing. False after the out-of-memory report.
bool CopyRect(CKVDoc& doc, CKVSystem& temp, SelRect& record, unsigned char voice, Carried& carried);

// Copies what a record of kind 2, 3 or 4 covers, whole measures, into one
// temporary staff; leading empty measures are dropped, and the staff when
// none remains. False after the out-of-memory report.
bool CopyStaves(CKVDoc& doc, CKVSystem& temp, SelRect& first, unsigned char voice, StaffRecords records,
                Carried& carried);

} // namespace kvclip
