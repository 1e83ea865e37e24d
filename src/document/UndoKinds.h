#pragma once
// The class behind each snapshot kind of undo entry, in one table, for the
// code that links, replays, frees and deletes the objects an entry names.

#include "document/KVFileInfo.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"

#include <type_traits>

// Calls visit(std::type_identity<T>{}) with the class T of the objects of a
// snapshot kind (measure, staff, block, page, file info, pointer list) and
// returns true. Returns false without calling it for the whole-document
// kind, the structural kinds and unknown kinds.
template <class Visit>
bool VisitSnapshotClass(short kind, Visit&& visit)
{
    switch (kind) {
    case UndoEntry::kMeas:
        visit(std::type_identity<CKVMeas> {});
        return true;
    case UndoEntry::kStaff:
        visit(std::type_identity<CKVStaff> {});
        return true;
    case UndoEntry::kBlock:
        visit(std::type_identity<CKVBlock> {});
        return true;
    case UndoEntry::kPage:
        visit(std::type_identity<CKVPage> {});
        return true;
    case UndoEntry::kFileInfo:
        visit(std::type_identity<CKVFileInfo> {});
        return true;
    case UndoEntry::kPtrArray:
        visit(std::type_identity<CKVBackupPtrArray> {});
        return true;
    default:
        return false;
    }
}

// Tells a snapshot object that its undo pair has changed, so that the live
// member takes its place in the tree. The score classes call this member
// ObjectFeedback, the file info and the pointer lists ObjectFeedBack.
template <class T>
void FeedBackSnapshot(T& object)
{
    if constexpr (requires { object.ObjectFeedback(); })
        object.ObjectFeedback();
    else
        object.ObjectFeedBack();
}
