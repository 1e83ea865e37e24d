// Commands of the document on measures and staves: rests into a range of
// measures, the drum table, chord-text colours, notes shown on another staff,
// the position scale of measures, and hiding or showing staves.

#include "document/KVDoc.h"

void CKVDoc::InsertRestToMeas(short, short, unsigned char)
{
    KV_PENDING("CKVDoc::InsertRestToMeas");
}

void CKVDoc::ChangeDrumTable(short, int)
{
    KV_PENDING("CKVDoc::ChangeDrumTable");
}

void CKVDoc::UpdateColorChordText(DWORD)
{
    KV_PENDING("CKVDoc::UpdateColorChordText");
}

void CKVDoc::ViewNoteByWhichStaff(short, int)
{
    KV_PENDING("CKVDoc::ViewNoteByWhichStaff");
}

void CKVDoc::SetPakPosByNote(short, CKVMsg*, short, int)
{
    KV_PENDING("CKVDoc::SetPakPosByNote");
}

int CKVDoc::GetMeasPak(LONG, short&, short&)
{
    KV_PENDING("CKVDoc::GetMeasPak(beats)");
    return 0;
}

int CKVDoc::GetMeasPak(LONG, CString&, CString&)
{
    KV_PENDING("CKVDoc::GetMeasPak(text)");
    return 0;
}

void CKVDoc::StaffHide()
{
    KV_PENDING("CKVDoc::StaffHide");
}

void CKVDoc::StaffVisible()
{
    KV_PENDING("CKVDoc::StaffVisible");
}
