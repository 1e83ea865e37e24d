#include "document/DeepCopy.h"

#include "document/CopyMsgMap.h"
#include "document/KVDoc.h"
#include "document/UndoEntry.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"

#include <vector>

namespace kvcopy {

namespace {

struct Change {
    enum Kind { kMsg, kRef, kRecord } kind;
    CKVMsg* msg = nullptr;
    MsgRef* ref = nullptr;
    CKVDoc* doc = nullptr;
    SlurRelinkRecord* record = nullptr;
    DWORD id = 0;
    DWORD word = 0;
    LONG height = 0;
};

struct Log {
    std::vector<Change> changes;
    int depth = 0;
};

Log& TheLog()
{
    static Log log;
    return log;
}

void ResetLog()
{
    TheLog().changes.clear();
    TheLog().depth = 0;
}

KvProcessReset s_reset("deep copy change log", &ResetLog);

void Undo(const Change& change)
{
    switch (change.kind) {
    case Change::kMsg:
        change.msg->m_dwMsgId = change.id;
        change.msg->m_dwWord = change.word;
        change.msg->m_lHeight = change.height;
        break;
    case Change::kRef:
        change.ref->dwMsgId = change.id;
        break;
    case Change::kRecord: {
        CPtrArray& list = change.doc->m_arrSlurBackup;
        for (int i = list.GetSize() - 1; i >= 0; --i) {
            if (list.GetAt(i) == change.record) {
                list.RemoveAt(i);
                break;
            }
        }
        delete change.record;
        break;
    }
    }
}

} // namespace

Scope::Scope() : m_mark(TheLog().changes.size()), m_pendingMark(CopyPendingRefCount())
{
    ++TheLog().depth;
}

Scope::~Scope()
{
    Log& log = TheLog();
    if (--log.depth <= 0) {
        log.depth = 0;
        log.changes.clear();
        ResolveCopyPendingRefsFrom(m_pendingMark);
    }
}

void Scope::Fail()
{
    auto& changes = TheLog().changes;
    while (changes.size() > m_mark) {
        Undo(changes.back());
        changes.pop_back();
    }
    DropCopyPendingRefsFrom(m_pendingMark);
}

void LogMsg(CKVMsg* msg)
{
    Change change{Change::kMsg};
    change.msg = msg;
    change.id = msg->m_dwMsgId;
    change.word = msg->m_dwWord;
    change.height = msg->m_lHeight;
    TheLog().changes.push_back(change);
}

void LogRef(MsgRef* ref)
{
    Change change{Change::kRef};
    change.ref = ref;
    change.id = ref->dwMsgId;
    TheLog().changes.push_back(change);
}

void LogRecord(CKVDoc* doc, SlurRelinkRecord* record)
{
    Change change{Change::kRecord};
    change.doc = doc;
    change.record = record;
    TheLog().changes.push_back(change);
}

void FixUpCopiedLinks(CKVSystem* system)
{
    ResolveCopyPendingRefs();
    if (!system)
        return;
    CDWordArray copies;
    GetCopyMsgMapValues(copies);
    for (int i = 0; i < copies.GetSize(); ++i) {
        CKVMsg* msg = system->GetMsgFromMap(copies.GetAt(i));
        if (!msg || !IsLinkKind(msg->m_byKind))
            continue;
        DWORD id = 0;
        if (LookupCopyMsgMap(msg->m_dwWord, id))
            msg->m_dwWord = id;
        if (LookupCopyMsgMap(static_cast<DWORD>(msg->m_lHeight), id))
            msg->m_lHeight = static_cast<LONG>(id);
    }
}

} // namespace kvcopy
