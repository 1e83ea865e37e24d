// The record form of a page: 24 bytes, then its blocks, its ossia blocks and
// its page-level symbols.

#include "model/KVPage.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "model/KVBlock.h"
#include "model/KVMsg.h"
#include "model/NewObject.h"

#include <climits>
#include <new>

using namespace kvrec;

namespace {

void PutLong(unsigned char* p, LONG value)
{
    PutU32(p, static_cast<DWORD>(value));
}

LONG GetLong(const unsigned char* p)
{
    return static_cast<LONG>(GetU32(p));
}

bool ReadBlocks(CKVPage& page, CTypedPtrArray<CPtrArray, CKVBlock*>& list, int count, unsigned char* buffer,
                DWORD* pos, DWORD* length, CKVDoc* doc)
{
    for (int i = 0; i < count; ++i) {
        CKVBlock* block = KvNewReported<CKVBlock>();
        if (!block)
            return false;
        block->m_pPage = &page;
        if (!block->Read(buffer, pos, length, doc)) {
            delete block;
            return false;
        }
        list.Add(block);
    }
    return true;
}

} // namespace

int CKVPage::Write(unsigned char*& buffer, DWORD* used, DWORD* capacity)
{
    const int blocks = m_arrBlock.GetSize();
    const int ossia = m_arrOssiaBlock.GetSize();
    const int symbols = m_arrMsg.GetSize();
    if (blocks > SHRT_MAX || ossia > SHRT_MAX || symbols > SHRT_MAX)
        return 0;
    Writer out(buffer, used, capacity);
    unsigned char* r = out.Append(kPageRecord);
    if (!r)
        return 0;
    PutU16(r, static_cast<WORD>(blocks));
    PutU16(r + 2, static_cast<WORD>(ossia));
    PutU16(r + 4, static_cast<WORD>(symbols));
    PutLong(r + 8, m_rcPrint.left);
    PutLong(r + 12, m_rcPrint.top);
    PutLong(r + 16, m_rcPrint.right);
    PutLong(r + 20, m_rcPrint.bottom);
    for (int i = 0; i < blocks; ++i) {
        if (!m_arrBlock.GetAt(i)->Write(buffer, used, capacity))
            return 0;
    }
    for (int i = 0; i < ossia; ++i) {
        if (!m_arrOssiaBlock.GetAt(i)->Write(buffer, used, capacity))
            return 0;
    }
    // Page-level symbols are written plain, a chord symbol without its
    // chord part.
    for (int i = 0; i < symbols; ++i) {
        if (!m_arrMsg.GetAt(i)->Write(buffer, used, capacity))
            return 0;
    }
    return 1;
}

int CKVPage::Read(unsigned char* buffer, DWORD* pos, DWORD* length, CKVDoc* doc)
{
    Reader in(buffer, pos, length);
    const unsigned char* r = in.Take(kPageRecord);
    if (!r)
        return 0;
    const int blocks = static_cast<short>(GetU16(r));
    const int ossia = static_cast<short>(GetU16(r + 2));
    const int symbols = static_cast<short>(GetU16(r + 4));
    m_rcPrint.SetRect(GetLong(r + 8), GetLong(r + 12), GetLong(r + 16), GetLong(r + 20));
    if (blocks < 0 || ossia < 0 || symbols < 0)
        return 0;
    const size_t least = kBlockRecord * (static_cast<size_t>(blocks) + static_cast<size_t>(ossia)) +
                         kMinMsgRecord * static_cast<size_t>(symbols);
    if (!in.Has(least))
        return 0;
    if (!ReadBlocks(*this, m_arrBlock, blocks, buffer, pos, length, doc) ||
        !ReadBlocks(*this, m_arrOssiaBlock, ossia, buffer, pos, length, doc))
        return 0;

    for (int i = 0; i < symbols; ++i) {
        CKVMsg* msg = KvNewReported<CKVMsg>();
        bool ok = msg != nullptr;
        if (ok) {
            msg->Initialize(nullptr, OBJ_MSG);
            msg->m_pPage = this;
            msg->m_byParentKind = PARENT_KIND_PAGE;
            ok = msg->Read(buffer, pos, length) != 0;
        }
        if (!ok) {
            // A page keeps all its symbols or none.
            delete msg;
            for (int k = 0; k < m_arrMsg.GetSize(); ++k)
                delete m_arrMsg.GetAt(k);
            m_arrMsg.RemoveAll();
            return 0;
        }
        m_arrMsg.Add(msg);
    }
    ReportReadProgress(doc, *pos);
    return 1;
}
