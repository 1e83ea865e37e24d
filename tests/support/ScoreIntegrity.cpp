// The integrity walk of a score: what the tree holds, found by walking it,
// then the cursor, the selection records and the ties and slurs held up
// against it; and the undo, redo and reload check of one command.

#include "support/ScoreIntegrity.h"

#include "document/KVDoc.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "support/CanonicalDump.h"
#include "timing/VoiceRoom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <numeric>
#include <memory>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace kvtest {

namespace {

// Children deeper than this are not looked for: a note in a chord in a beam
// group holds its marks and ties at depth 4.
constexpr int kMaxDepth = 6;

std::string Hex(const void* p)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

// The symbol a reference names, read from the map's slot without the map's
// own clean-up (which would drop a stale reference and hide it).
CKVMsg* Slot(const CKVSystem& system, DWORD id)
{
    if (id == 0 || id >= static_cast<DWORD>(system.m_arrMsgMap.GetSize()))
        return nullptr;
    return static_cast<CKVMsg*>(system.m_arrMsgMap.GetData()[id]);
}

// The notes, rests and chords (whole) of a measure's voices, beam group
// members among them, as re-timing the measure takes them.
void TimedEntries(CKVObject& node, std::vector<CKVMsg*>& out, int depth)
{
    if (depth > kMaxDepth)
        return;
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        CKVMsg* msg = ref && ref->byOwner && node.m_pSystem ? Slot(*node.m_pSystem, ref->dwMsgId) : nullptr;
        if (!msg || msg == &node)
            continue;
        if (tickmath::IsNoteRestChord(*msg))
            out.push_back(msg);
        else if (msg->m_byKind == MSG_BEAM)
            TimedEntries(*msg, out, depth + 1);
    }
}

// A reference that does not own its symbol.
struct Link {
    const CKVObject* holder = nullptr;
    const CKVMsg* msg = nullptr;
};

class Walk {
public:
    explicit Walk(CKVDoc& doc) : m_doc(doc) {}

    std::vector<std::string> StartTimes()
    {
        CollectStructure();
        for (CKVSystem* system : m_systemList)
            CollectSymbols(*system);
        CheckStartTimes();
        return std::move(m_problems);
    }

    std::vector<std::string> Run()
    {
        CollectStructure();
        for (CKVSystem* system : m_systemList)
            CollectSymbols(*system);
        CheckBlocks();
        CheckCursor();
        CheckSelection();
        CheckTiesAndSlurs();
        CheckTuplets();
        CheckVoiceTicks();
        return std::move(m_problems);
    }

private:
    void Problem(const std::string& text) { m_problems.push_back(text); }

    void CollectStructure()
    {
        for (int y = 0; y < m_doc.m_arrSystem.GetSize(); ++y) {
            CKVSystem* system = m_doc.m_arrSystem.GetAt(y);
            if (!system)
                continue;
            m_systems.insert(system);
            m_systemList.push_back(system);
            for (CKVStaffPtrArray* list : {system->m_pStaffArray, system->m_pOssiaStaffArray}) {
                for (int s = 0; list && s < list->GetSize(); ++s) {
                    CKVStaff* staff = list->GetAt(s);
                    if (!staff) {
                        Problem("a staff list of the system holds null");
                        continue;
                    }
                    m_staves.insert(staff);
                    for (int m = 0; m < staff->m_arrMeas.GetSize(); ++m)
                        m_measures.insert(staff->m_arrMeas.GetAt(m));
                }
            }
        }
        for (short p = 0; m_doc.m_pPageArray && p < m_doc.m_pPageArray->GetSize(); ++p) {
            CKVPage* page = static_cast<CKVPage*>(m_doc.m_pPageArray->GetAt(p));
            if (!page) {
                Problem("page " + std::to_string(p) + " is null");
                continue;
            }
            m_pages.insert(page);
            for (auto* list : {&page->m_arrBlock, &page->m_arrOssiaBlock}) {
                for (int b = 0; b < list->GetSize(); ++b)
                    m_blocks.insert(list->GetAt(b));
            }
        }
    }

    void CollectSymbols(CKVSystem& system)
    {
        for (CKVStaffPtrArray* list : {system.m_pStaffArray, system.m_pOssiaStaffArray}) {
            for (int s = 0; list && s < list->GetSize(); ++s) {
                CKVStaff* staff = list->GetAt(s);
                for (int m = 0; staff && m < staff->m_arrMeas.GetSize(); ++m) {
                    CKVMeas* meas = staff->m_arrMeas.GetAt(m);
                    if (meas) {
                        m_measList.push_back(meas);
                        CollectChildren(system, *meas, 0);
                    }
                }
            }
        }
    }

    void CollectChildren(CKVSystem& system, CKVObject& node, int depth)
    {
        if (depth > kMaxDepth)
            return;
        // A record counts its references in a byte.
        if (node.m_arrMsgRef.GetSize() > 255)
            Problem(std::string(depth == 0 ? "a measure" : "a symbol") + " holds " +
                    std::to_string(node.m_arrMsgRef.GetSize()) + " symbols, more than its record counts");
        for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
            const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
            if (!ref)
                continue;
            CKVMsg* msg = Slot(system, ref->dwMsgId);
            if (!msg) {
                // A reference that no longer resolves is dropped when it is
                // next read; one to a tie or slur is caught from its note.
                continue;
            }
            if (msg == &node)
                continue;
            if (!ref->byOwner) {
                m_links.push_back({&node, msg});
                continue;
            }
            if (!m_owned.insert(msg).second) {
                Problem("symbol " + std::to_string(ref->dwMsgId) + " is owned twice");
                continue;
            }
            m_ownerOf[msg] = &node;
            m_idOf[msg] = ref->dwMsgId;
            m_byId[{&system, ref->dwMsgId}] = msg;
            if (msg->m_byKind == MSG_NOTE)
                m_notes.push_back(msg);
            // The marks a walk gives the members of groups and chords are
            // stored: a note standing in its measure carries neither.
            if (depth == 0 && msg->m_byKind == MSG_NOTE &&
                (msg->m_wFlag & (MSGFLAG_BEAM_MEMBER | MSGFLAG_CHORD_MEMBER)))
                Problem(NoteName(msg) + " stands in its measure with the mark of a group or chord member");
            CollectChildren(system, *msg, depth + 1);
        }
    }

    // A block's staves are staves of the score, and its measures exist on
    // them.
    void CheckBlocks()
    {
        for (const void* b : m_blocks) {
            CKVBlock* block = const_cast<CKVBlock*>(static_cast<const CKVBlock*>(b));
            for (int s = 0; block->m_pStaffArray && s < block->m_pStaffArray->GetSize(); ++s) {
                CKVStaff* staff = block->m_pStaffArray->GetAt(s);
                if (!m_staves.count(staff)) {
                    Problem("block " + Hex(block) + " shows staff " + std::to_string(s) + " " + Hex(staff) +
                            ", which is not in the score");
                }
            }
        }
    }

    std::string PageIndex(const void* page)
    {
        for (short p = 0; p < m_doc.m_pPageArray->GetSize(); ++p)
            if (m_doc.m_pPageArray->GetAt(p) == page)
                return std::to_string(p);
        return "?";
    }

    // Where a block of the tree stands: its page and index.
    std::string BlockPlace(const CKVBlock* block)
    {
        for (short p = 0; p < m_doc.m_pPageArray->GetSize(); ++p) {
            CKVPage* page = static_cast<CKVPage*>(m_doc.m_pPageArray->GetAt(p));
            for (auto* list : {&page->m_arrBlock, &page->m_arrOssiaBlock}) {
                for (int b = 0; b < list->GetSize(); ++b)
                    if (list->GetAt(b) == block)
                        return std::string(list == &page->m_arrBlock ? "block " : "ossia block ") +
                               std::to_string(b) + " of page " + std::to_string(p);
            }
        }
        return "nowhere";
    }

    void CheckCursor()
    {
        CKVDoc& d = m_doc;
        std::string where = " (cursor page " + std::to_string(d.m_nCurPage) + " block " +
                            std::to_string(d.m_nCurBlock) + " staff " + std::to_string(d.m_nCurStaff) + " measure " +
                            std::to_string(d.m_nCurMeas);
        if (d.m_pCurBlock && m_blocks.count(d.m_pCurBlock))
            where += "; its block shows " + std::to_string(d.m_pCurBlock->GetStaffNum()) + " staves and " +
                     std::to_string(d.m_pCurBlock->m_nMeasCount) + " measures";
        where += ")";
        if (d.m_pCurSystem && !m_systems.count(d.m_pCurSystem))
            Problem("the cursor's system is not in the score" + where);

        // The page.
        if (d.m_pCurPage && !m_pages.count(d.m_pCurPage)) {
            Problem("the cursor's page is not in the score" + where);
            return;
        }
        if (d.m_pCurPage && PageIndex(d.m_pCurPage) != std::to_string(d.m_nCurPage))
            Problem("the cursor's page is page " + PageIndex(d.m_pCurPage) + ", not its index" + where);

        // The block, in the page's normal or ossia list at its index.
        if (!d.m_pCurBlock) {
            if (d.m_nCurBlock != -1)
                Problem("the cursor has no block but block index " + std::to_string(d.m_nCurBlock) + where);
        } else if (!m_blocks.count(d.m_pCurBlock)) {
            Problem("the cursor's block is not in the score" + where);
            return;
        } else if (!d.m_pCurPage) {
            Problem("the cursor has a block but no page" + where);
        } else {
            CKVPage* page = d.m_pCurPage;
            const bool ossia = d.m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA;
            auto& list = ossia ? page->m_arrOssiaBlock : page->m_arrBlock;
            if (d.m_nCurBlock < 0 || d.m_nCurBlock >= list.GetSize() || list.GetAt(d.m_nCurBlock) != d.m_pCurBlock)
                Problem("the cursor's block is not block " + std::to_string(d.m_nCurBlock) + " of its page but " +
                        BlockPlace(d.m_pCurBlock) + where);
        }

        // The staff, in the block's list at its index.
        if (!d.m_pCurStaff) {
            if (d.m_nCurStaff != -1)
                Problem("the cursor has no staff but staff index " + std::to_string(d.m_nCurStaff) + where);
        } else if (!m_staves.count(d.m_pCurStaff)) {
            Problem("the cursor's staff is not in the score" + where);
            return;
        } else if (d.m_pCurBlock && m_blocks.count(d.m_pCurBlock)) {
            CKVStaffPtrArray* staves = d.m_pCurBlock->m_pStaffArray;
            if (!staves || d.m_nCurStaff < 0 || d.m_nCurStaff >= staves->GetSize() ||
                staves->GetAt(d.m_nCurStaff) != d.m_pCurStaff)
                Problem("the cursor's staff is not staff " + std::to_string(d.m_nCurStaff) + " of its block" +
                        where);
        } else {
            Problem("the cursor has a staff but no block" + where);
        }

        // The measure, on the staff at the block's first measure plus its
        // index.
        if (!d.m_pCurMeas) {
            if (d.m_nCurMeas != -1)
                Problem("the cursor has no measure but measure index " + std::to_string(d.m_nCurMeas) + where);
        } else if (!m_measures.count(d.m_pCurMeas)) {
            Problem("the cursor's measure is not in the score" + where);
        } else if (d.m_pCurStaff && m_staves.count(d.m_pCurStaff) && d.m_pCurBlock && m_blocks.count(d.m_pCurBlock)) {
            // An ossia staff holds only the measures of its block.
            const bool ossia = d.m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA;
            const LONG at = (ossia ? 0 : d.m_pCurBlock->m_nFirstMeas) + d.m_nCurMeas;
            auto& measures = d.m_pCurStaff->m_arrMeas;
            if (d.m_nCurMeas < 0 || at < 0 || at >= measures.GetSize() || measures.GetAt(at) != d.m_pCurMeas)
                Problem("the cursor's measure is not measure " + std::to_string(d.m_nCurMeas) +
                        " of its block on its staff" + where);
        } else {
            Problem("the cursor has a measure but no staff or block" + where);
        }
    }

    void CheckSelection()
    {
        if (!m_doc.m_pSelRectArray)
            return;
        for (int i = 0; i < m_doc.m_pSelRectArray->GetSize(); ++i) {
            const SelRect* rec = static_cast<const SelRect*>(m_doc.m_pSelRectArray->GetAt(i));
            const std::string what = "selection record " + std::to_string(i) + " (kind " +
                                     std::to_string(rec ? rec->nKind : 0) + ")";
            if (!rec) {
                Problem(what + " is null");
                continue;
            }
            if (rec->pPage && !m_pages.count(rec->pPage))
                Problem(what + " names a page not in the score");
            if (rec->pBlock && !m_blocks.count(rec->pBlock))
                Problem(what + " names a block not in the score");
            if (rec->pStaff && !m_staves.count(rec->pStaff))
                Problem(what + " names a staff not in the score");
            if (rec->pMeas && !m_measures.count(rec->pMeas))
                Problem(what + " names a measure not in the score");
            const bool needsPage = rec->nKind != SelRect::kStaff;
            const bool needsBlock = rec->nKind == SelRect::kMeas || rec->nKind == SelRect::kBlockStaff;
            if ((needsPage && !rec->pPage) || (needsBlock && !rec->pBlock) ||
                (rec->nKind == SelRect::kMeas && !rec->pMeas) ||
                ((rec->nKind == SelRect::kBlockStaff || rec->nKind == SelRect::kStaff) && !rec->pStaff))
                Problem(what + " lacks an object its kind names");
        }
    }

    std::string NoteName(const CKVMsg* note)
    {
        const auto id = m_idOf.find(note);
        return "note " + (id == m_idOf.end() ? std::string("?") : std::to_string(id->second));
    }

    void CheckTiesAndSlurs()
    {
        // Which notes hold which ties and slurs, linked or owned.
        std::unordered_map<const CKVMsg*, std::vector<const CKVMsg*>> held;
        std::unordered_set<const CKVMsg*> linkedBy;
        for (const Link& link : m_links) {
            const CKVMsg* holder = static_cast<const CKVMsg*>(link.holder);
            // A tuplet's other notes name it too; a copy of a measure must
            // point them at its own copy, not at one an undo step keeps.
            if (link.msg->m_byKind == MSG_TUPLET && !m_owned.count(link.msg))
                Problem(NoteName(holder) + " holds a tuplet that is not in the score");
            if (link.msg->m_byKind != MSG_TIE && link.msg->m_byKind != MSG_SLUR)
                continue;
            if (!m_owned.count(link.msg)) {
                Problem(NoteName(holder) + " holds a tie or slur that is not in the score");
                continue;
            }
            held[holder].push_back(link.msg);
        }
        for (const CKVMsg* msg : m_owned) {
            if (msg->m_byKind != MSG_TIE && msg->m_byKind != MSG_SLUR)
                continue;
            const char* kind = msg->m_byKind == MSG_TIE ? "tie" : "slur";
            const CKVObject* owner = m_ownerOf[msg];
            const CKVSystem* system = msg->m_pSystem;
            const CKVMsg* first = Find(system, msg->m_dwWord);
            const CKVMsg* second = Find(system, static_cast<DWORD>(msg->m_lHeight));
            const std::string name = std::string(kind) + " " + std::to_string(m_idOf[msg]) + " from " +
                                     std::to_string(msg->m_dwWord) + " to " + std::to_string(msg->m_lHeight);
            if (!first || first != owner) {
                Problem(name + ": its first note " + (first ? "does not own it" : "is not in the score"));
                continue;
            }
            held[first].push_back(msg);
            if (!second) {
                Problem(name + ": its second note is not in the score");
                continue;
            }
            bool holds = false;
            for (const Link& link : m_links)
                holds = holds || (link.holder == second && link.msg == msg);
            if (!holds)
                Problem(name + ": its second note does not hold it");
            // Two ties between the same two notes are one too many: removing
            // one leaves the other without its flags. Slurs set no flags, and
            // a tie beside a slur is judged a slur when its notes can no
            // longer be tied, so two slurs may join the same notes.
            if (msg->m_byKind == MSG_TIE && !m_tiePairs.insert({first, second}).second)
                Problem(name + ": another tie joins the same two notes");
        }
        for (const CKVMsg* note : m_notes) {
            int starting = 0;
            int ending = 0;
            const DWORD id = m_idOf[note];
            for (const CKVMsg* link : held[note]) {
                if (link->m_byKind != MSG_TIE)
                    continue;
                starting += link->m_dwWord == id ? 1 : 0;
                ending += static_cast<DWORD>(link->m_lHeight) == id ? 1 : 0;
            }
            const bool starts = starting > 0;
            const bool ends = ending > 0;
            const bool startFlag = note->m_wFlag & MSGFLAG_TIE_START;
            const bool endFlag = note->m_wFlag & MSGFLAG_TIE_END;
            if (startFlag != starts || endFlag != ends) {
                char flag[8];
                std::snprintf(flag, sizeof flag, "%04X", note->m_wFlag);
                Problem(NoteName(note) + " has flag 0x" + flag + " but starts " + std::to_string(starting) +
                        " ties and ends " + std::to_string(ending));
            }
        }
    }

    // A tuplet that a note holds is in the score, owned by its first note,
    // and its last note holds it.
    void CheckTuplets()
    {
        for (const Link& link : m_links) {
            if (link.msg->m_byKind == MSG_TUPLET && !m_owned.count(link.msg))
                Problem(NoteName(static_cast<const CKVMsg*>(link.holder)) + " holds a tuplet that is not in the score");
        }
        for (const CKVMsg* msg : m_owned) {
            if (msg->m_byKind != MSG_TUPLET)
                continue;
            const std::string name = "tuplet " + std::to_string(m_idOf[msg]);
            const CKVMsg* first = Find(msg->m_pSystem, msg->m_dwWord);
            const CKVMsg* last = Find(msg->m_pSystem, static_cast<DWORD>(msg->m_lHeight));
            if (!first || first != m_ownerOf[msg])
                Problem(name + ": its first note " + (first ? "does not own it" : "is not in the score"));
            else if (!last)
                Problem(name + ": its last note is not in the score");
            else if (last != first && std::none_of(m_links.begin(), m_links.end(), [&](const Link& l) {
                         return l.holder == last && l.msg == msg;
                     }))
                Problem(name + ": its last note does not hold it");
        }
    }

    // Re-timing a voice in position order gives each entry the sum of the
    // exact play times before it, rounded up; the stored start times must be
    // those. (Two entries at one position may stand in either order.)
    void CheckStartTimes()
    {
        for (CKVMeas* meas : m_measList) {
            std::vector<CKVMsg*> entries;
            TimedEntries(*meas, entries, 0);
            for (int voice = 1; voice <= CKVMeas::VOICES; ++voice) {
                std::vector<CKVMsg*> line;
                for (CKVMsg* msg : entries)
                    if (msg->m_byVoice == voice && !tickmath::IsGrace(*msg))
                        line.push_back(msg);
                std::stable_sort(line.begin(), line.end(), [](const CKVMsg* a, const CKVMsg* b) {
                    return a->m_nPosX != b->m_nPosX ? a->m_nPosX < b->m_nPosX : a->m_nStartTime < b->m_nStartTime;
                });
                std::int64_t num = 0;
                std::int64_t den = 1;
                for (CKVMsg* msg : line) {
                    const std::int64_t start = num / den + (num % den > 0 ? 1 : 0);
                    if (msg->m_nStartTime != start) {
                        std::string order;
                        for (const CKVMsg* entry : line)
                            order += " " + std::to_string(entry->m_nPosX) + "@" + std::to_string(entry->m_nStartTime) +
                                     (entry->m_byParentKind == OBJ_MSG ? "g" : "");
                        Problem(std::string(msg->m_byKind == MSG_CHORD ? "chord" : msg->m_byKind == MSG_REST ? "rest" : "note") +
                                " at " + std::to_string(msg->m_nPosX) + " of voice " + std::to_string(voice) +
                                " in measure " + MeasName(*meas) + " starts at " + std::to_string(msg->m_nStartTime) +
                                ", its place in the voice gives " + std::to_string(start) + " (position@start:" + order + ")");
                        break;
                    }
                    std::int64_t playNum = 0;
                    std::int64_t playDen = 1;
                    tickmath::PlayFraction(*msg, playNum, playDen);
                    const std::int64_t common = std::lcm(den, playDen);
                    num = num * (common / den) + playNum * (common / playDen);
                    den = common;
                }
            }
        }
    }


    // A voice's start times are 16-bit: however they stand now, the play
    // times of its notes, rests and chords may add up to 32,767 ticks at
    // most, or the next re-timing wraps them.
    void CheckVoiceTicks()
    {
        for (CKVMeas* meas : m_measList) {
            const std::array<std::int64_t, CKVMeas::VOICES> ticks = VoiceTicks(*meas);
            for (size_t v = 0; v < ticks.size(); ++v) {
                if (ticks[v] > static_cast<std::int64_t>(CVoiceRoom::kMaxTicks))
                    Problem("voice " + std::to_string(v + 1) + " of measure " + MeasName(*meas) + " takes " +
                            std::to_string(ticks[v]) + " ticks, more than its 16-bit start times reach");
            }
        }
    }

    static std::string MeasName(CKVMeas& meas)
    {
        CKVStaff* staff = static_cast<CKVStaff*>(meas.m_pParent);
        if (!staff)
            return "?";
        for (int m = 0; m < staff->m_arrMeas.GetSize(); ++m)
            if (staff->m_arrMeas.GetAt(m) == &meas)
                return std::to_string(m) + " of staff " + std::to_string(staff->GetIndexInSystem());
        return "?";
    }

    const CKVMsg* Find(const CKVSystem* system, DWORD id)
    {
        const auto found = m_byId.find({system, id});
        return found == m_byId.end() ? nullptr : found->second;
    }

    CKVDoc& m_doc;
    std::vector<std::string> m_problems;
    std::vector<CKVSystem*> m_systemList;
    std::unordered_set<const void*> m_systems;
    std::unordered_set<const void*> m_pages;
    std::unordered_set<const void*> m_blocks;
    std::unordered_set<const void*> m_staves;
    std::unordered_set<const void*> m_measures;
    std::vector<CKVMeas*> m_measList;
    std::unordered_set<const CKVMsg*> m_owned;
    std::unordered_map<const CKVMsg*, const CKVObject*> m_ownerOf;
    std::unordered_map<const CKVMsg*, DWORD> m_idOf;
    std::map<std::pair<const CKVSystem*, DWORD>, const CKVMsg*> m_byId;
    std::vector<const CKVMsg*> m_notes;
    std::vector<Link> m_links;
    std::set<std::pair<const CKVMsg*, const CKVMsg*>> m_tiePairs;
};

std::unique_ptr<CKVDoc> Reloaded(CKVDoc& doc)
{
    CMemFile file;
    if (doc.Save(&file) != 1)
        return nullptr;
    file.SeekToBegin();
    auto loaded = std::make_unique<CKVDoc>();
    if (loaded->Load(&file, 3) != 0)
        return nullptr;
    return loaded;
}

// A staff of the score without its name symbol.
bool UnnamedStaff(CKVDoc& doc)
{
    for (int y = 0; y < doc.m_arrSystem.GetSize(); ++y) {
        CKVSystem* system = doc.m_arrSystem.GetAt(y);
        for (CKVStaffPtrArray* list : {system ? system->m_pStaffArray : nullptr,
                                       system ? system->m_pOssiaStaffArray : nullptr}) {
            for (int s = 0; list && s < list->GetSize(); ++s) {
                CKVStaff* staff = list->GetAt(s);
                bool named = false;
                for (int i = 0; staff && i < staff->m_arrMsgRef.GetSize(); ++i) {
                    const MsgRef* ref = staff->m_arrMsgRef.GetAt(i);
                    const CKVMsg* msg = ref && ref->dwMsgId < static_cast<DWORD>(system->m_arrMsgMap.GetSize())
                                            ? static_cast<CKVMsg*>(system->m_arrMsgMap.GetAt(static_cast<int>(ref->dwMsgId)))
                                            : nullptr;
                    named = named || (msg && msg->m_byKind == MSG_STAFFNAME);
                }
                if (!named)
                    return true;
            }
        }
    }
    return false;
}

// What a query may not change, taken before and after it.
struct DocState {
    std::vector<unsigned char> bytes;
    std::string content;
    BOOL modified = 0;
    std::vector<const void*> measures;
    std::vector<int> undo;
    BOOL allPages = 0;
    std::vector<std::tuple<int, const void*, const void*, const void*, const void*, int, int, int, int>> records;

    DocState(CKVDoc& doc, unsigned compared)
    {
        // Saving clears the modified flag, which is read first and put back.
        modified = doc.m_bModified;
        bytes = SavedBytes(doc);
        if (compared & kScoreContent)
            content = CanonicalDump(doc);
        doc.m_bModified = modified;
        for (CKVSystem* system : {doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr}) {
            for (CKVStaffPtrArray* list : {system ? system->m_pStaffArray : nullptr,
                                           system ? system->m_pOssiaStaffArray : nullptr}) {
                for (int s = 0; list && s < list->GetSize(); ++s) {
                    for (int m = 0; list->GetAt(s) && m < list->GetAt(s)->m_arrMeas.GetSize(); ++m)
                        measures.push_back(list->GetAt(s)->m_arrMeas.GetAt(m));
                }
            }
        }
        undo = {static_cast<int>(doc.m_listBackup.GetCount()), doc.m_nUndoneCount, doc.m_arrBackup.GetSize(),
                doc.m_arrSlurBackup.GetSize(), doc.m_bBackupOpen};
        allPages = doc.m_bSelectAllPages;
        for (int i = 0; doc.m_pSelRectArray && i < doc.m_pSelRectArray->GetSize(); ++i) {
            const SelRect* r = static_cast<const SelRect*>(doc.m_pSelRectArray->GetAt(i));
            if (r)
                records.emplace_back(r->nKind, r->pPage, r->pBlock, r->pStaff, r->pMeas, r->rect.left, r->rect.top,
                                     r->rect.right, r->rect.bottom);
        }
    }
};

void Add(std::vector<std::string>& into, const std::string& where, const std::vector<std::string>& problems)
{
    for (const std::string& p : problems)
        into.push_back(where + ": " + p);
}

} // namespace

std::vector<std::string> IntegrityProblems(CKVDoc& doc)
{
    return Walk(doc).Run();
}

std::array<std::int64_t, CKVMeas::VOICES> VoiceTicks(CKVMeas& meas)
{
    std::vector<CKVMsg*> entries;
    TimedEntries(meas, entries, 0);
    std::array<std::int64_t, CKVMeas::VOICES> num {};
    std::array<std::int64_t, CKVMeas::VOICES> den {};
    den.fill(1);
    for (CKVMsg* msg : entries) {
        if (msg->m_byVoice < 1 || msg->m_byVoice > CKVMeas::VOICES || tickmath::IsGrace(*msg))
            continue;
        const size_t v = static_cast<size_t>(msg->m_byVoice - 1);
        std::int64_t playNum = 0;
        std::int64_t playDen = 1;
        tickmath::PlayFraction(*msg, playNum, playDen);
        const std::int64_t common = std::lcm(den[v], playDen);
        num[v] = num[v] * (common / den[v]) + playNum * (common / playDen);
        den[v] = common;
    }
    std::array<std::int64_t, CKVMeas::VOICES> ticks {};
    for (size_t v = 0; v < ticks.size(); ++v)
        ticks[v] = num[v] / den[v] + (num[v] % den[v] > 0 ? 1 : 0);
    return ticks;
}

std::vector<unsigned char> SavedBytes(CKVDoc& doc)
{
    CMemFile file;
    if (doc.Save(&file) != 1)
        return {};
    std::vector<unsigned char> bytes(file.GetLength());
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    return bytes;
}

std::vector<std::string> CheckedStep(CKVDoc& doc, const std::function<void()>& command)
{
    std::vector<std::string> problems;
    // Building and loading other scores moves the process-wide staff space
    // that layout reads; the live score keeps its own.
    struct KeepStaffSpace {
        short kept = nCurStaffSpace;
        ~KeepStaffSpace() { nCurStaffSpace = kept; }
    } keep;
    const std::vector<unsigned char> before = SavedBytes(doc);
    const int closedBefore = doc.m_listBackup.GetCount();
    // Start times are the command's to keep: those out of place before it
    // (a score built without timing) are not its fault.
    const std::vector<std::string> timesBefore = Walk(doc).StartTimes();
    command();
    Add(problems, "after the command", IntegrityProblems(doc));
    for (const std::string& p : Walk(doc).StartTimes())
        if (std::find(timesBefore.begin(), timesBefore.end(), p) == timesBefore.end())
            problems.push_back("after the command: " + p);
    const std::vector<unsigned char> after = SavedBytes(doc);
    const bool recorded = doc.m_arrBackup.GetSize() > 0 || doc.m_listBackup.GetCount() != closedBefore;
    if (doc.IsReqBackup() && after != before) {
        if (!recorded) {
            problems.push_back("the command changed the score but recorded no undo step");
        } else {
            doc.MultiUndoStart();
            Add(problems, "after undo", IntegrityProblems(doc));
            if (SavedBytes(doc) != before)
                problems.push_back("undo does not give back the saved bytes from before the command");
            doc.MultiRedoStart();
            Add(problems, "after redo", IntegrityProblems(doc));
            if (SavedBytes(doc) != after)
                problems.push_back("redo does not give back the saved bytes the command left");
        }
    }
    const std::vector<std::string> reload = ReloadProblems(doc);
    problems.insert(problems.end(), reload.begin(), reload.end());
    return problems;
}

std::vector<std::string> QueryChanges(CKVDoc& doc, const std::function<void()>& query, unsigned compared)
{
    const DocState before(doc, compared);
    query();
    const DocState after(doc, compared);
    std::vector<std::string> changes;
    if ((compared & kScoreContent) && after.content != before.content)
        changes.push_back("the score");
    if ((compared & kSavedBytes) && after.bytes != before.bytes)
        changes.push_back("the saved bytes");
    if ((compared & kModifiedFlag) && after.modified != before.modified)
        changes.push_back("the modified flag");
    if ((compared & kTreeMeasures) && after.measures != before.measures)
        changes.push_back("the measures of the tree");
    if ((compared & kUndoHistory) && after.undo != before.undo)
        changes.push_back("the undo history or its open step");
    if ((compared & kSelectionRecords) && (after.records != before.records || after.allPages != before.allPages))
        changes.push_back("the selection records");
    return changes;
}

std::vector<std::string> ReloadProblems(CKVDoc& doc)
{
    struct KeepStaffSpace {
        short kept = nCurStaffSpace;
        ~KeepStaffSpace() { nCurStaffSpace = kept; }
    } keep;
    std::unique_ptr<CKVDoc> loaded = Reloaded(doc);
    if (!loaded)
        return {"the score cannot be saved and loaded"};
    // Writing gives a staff made by a command its name symbol, which reading
    // keeps: such a score is compared from its first reload on.
    std::unique_ptr<CKVDoc> again = UnnamedStaff(doc) ? Reloaded(*loaded) : nullptr;
    if (UnnamedStaff(doc) && !again)
        return {"the score cannot be saved and loaded twice"};
    const std::string was = CanonicalDump(again ? *loaded : doc);
    const std::string is = CanonicalDump(again ? *again : *loaded);
    if (was == is)
        return {};
    // The first line that differs, to tell what changed.
    size_t at = 0;
    while (at < was.size() && at < is.size() && was[at] == is[at])
        ++at;
    const size_t start = was.rfind('\n', at) == std::string::npos ? 0 : was.rfind('\n', at) + 1;
    auto line = [&](const std::string& text) { return text.substr(start, text.find('\n', start) - start); };
    return {"a save and a load change the score: \"" + line(was) + "\" becomes \"" + line(is) + "\""};
}

std::string Joined(const std::vector<std::string>& problems)
{
    std::string out;
    for (const std::string& p : problems)
        out += "\n  " + p;
    return out;
}

void ExpectNoCursor(CKVDoc& doc)
{
    EXPECT_EQ(doc.m_pCurBlock, nullptr);
    EXPECT_EQ(doc.m_pCurStaff, nullptr);
    EXPECT_EQ(doc.m_pCurMeas, nullptr);
    EXPECT_EQ(doc.m_nCurBlock, -1);
    EXPECT_EQ(doc.m_nCurStaff, -1);
    EXPECT_EQ(doc.m_nCurMeas, -1);
    EXPECT_EQ(doc.GetCurrentStaffNum(), 0);
    EXPECT_EQ(doc.GetCurrentMeasNum(), -1);
}

} // namespace kvtest
