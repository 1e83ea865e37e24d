#pragma once
// The automatic chord namer of a document: reads the melody of staff 0,
// decides its key and replaces the staff's chord symbols with named chords.

#include "Platform.h"

class CKVDoc;
class CAutoStaff;

class CKVAutoCodeName {
public:
    // Defined in harmony/KVAutoCodeName.cpp
    // Both pointers start null; the namer owns nothing outside Process.
    CKVAutoCodeName();
    // Copies both pointers (the model pointer is null outside Process).
    CKVAutoCodeName(const CKVAutoCodeName& other);
    CKVAutoCodeName& operator=(const CKVAutoCodeName& other);
    ~CKVAutoCodeName();

    // Stores the document; non-zero when it is not null.
    int Open(CKVDoc* doc);
    // Names the chords of staff 0 as one undoable step. 1 on success; 0
    // without a document, when memory runs short (the score unchanged) or
    // when an insertion failed (one undo restores the score). The argument
    // is handed to the linking step and changes nothing.
    int Process(int option);
    int Close();
    int GetProgress();
    int GetVariantNum();
    // Removes every chord symbol (kind 69) of staff 0, keeping the first
    // rhythm pattern of each measure in the model. Needs the model of
    // Process: outside it nothing changes and the result is 0.
    unsigned char DeleteChordCode();
    CKVDoc* GetDoc() const { return m_pDoc; }

protected:
    // The passes of Process, in their order. Each returns 1 (0 only when an
    // allocation of the model failed).
    unsigned char Preprocess1();
    unsigned char Preprocess2();
    unsigned char DecideCenterLevel();
    unsigned char ThinkHarmonyAB();
    unsigned char DecideNonChordNode();
    unsigned char RegisterPresentNode();
    unsigned char ProduceCandNote();
    // 0 when a segment of the linking could not be allocated.
    unsigned char ProduceCode(int option);
    // 0 when the document refused a symbol.
    unsigned char InsertChordCode();
    unsigned char DeleteContents();

    // The analysis model: null except during Process.
    CAutoStaff* m_pAutoStaff;
    CKVDoc* m_pDoc;
};
