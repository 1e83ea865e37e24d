#include "support/ClipboardSupport.h"

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstdarg>
#include <map>

namespace kvtest {

namespace {

bool IsTimed(const CKVMsg& msg)
{
    return msg.m_byKind == MSG_NOTE || msg.m_byKind == MSG_REST || msg.m_byKind == MSG_CHORD;
}

std::vector<CKVMsg*> Children(CKVObject& node)
{
    std::vector<CKVMsg*> out;
    for (short i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (!ref || !ref->byOwner)
            continue;
        if (CKVMsg* msg = node.m_pSystem ? node.m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr)
            out.push_back(msg);
    }
    return out;
}

void CollectTimed(CKVObject& node, std::vector<CKVMsg*>& out)
{
    for (CKVMsg* msg : Children(node)) {
        if (IsTimed(*msg))
            out.push_back(msg);
        else if (msg->m_byKind == MSG_BEAM)
            CollectTimed(*msg, out);
    }
}

std::string Hex(const CKVObject& node)
{
    std::string text;
    char cell[4];
    for (int i = 0; i < node.m_wHeadLen && node.m_pHead; ++i) {
        std::snprintf(cell, sizeof cell, "%02X", node.m_pHead[i]);
        text += cell;
    }
    return text;
}

std::vector<CKVMsg*> NotesOf(CKVMsg& msg)
{
    if (msg.m_byKind != MSG_CHORD)
        return {&msg};
    std::vector<CKVMsg*> notes;
    for (CKVMsg* member : Children(msg)) {
        if (member->m_byKind == MSG_NOTE)
            notes.push_back(member);
    }
    std::sort(notes.begin(), notes.end(), [](CKVMsg* a, CKVMsg* b) { return a->GetMidiKey() < b->GetMidiKey(); });
    return notes;
}

struct Range {
    std::vector<std::vector<CKVMsg*>> timed; // per measure of the range, sorted
    std::vector<CKVMeas*> meas;
    std::map<CKVMsg*, int> number;
};

void Line(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Line(std::string& out, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    out += text;
    out += '\n';
}

} // namespace

std::vector<CKVMsg*> ClipboardTest::Timed(CKVMeas* meas)
{
    std::vector<CKVMsg*> out;
    CollectTimed(*meas, out);
    std::stable_sort(out.begin(), out.end(), [](CKVMsg* a, CKVMsg* b) { return a->m_nPosX < b->m_nPosX; });
    return out;
}

std::string PasteView(CKVDoc& doc, int firstStaff, int staves, LONG firstMeas, LONG measures, BYTE voice,
                      bool withOthers)
{
    CKVSystem* system = doc.m_arrSystem.GetAt(0);
    Range range;
    for (int s = firstStaff; s < firstStaff + staves; ++s) {
        CKVStaff* staff = system->GetStaff(static_cast<short>(s));
        for (LONG m = firstMeas; m < firstMeas + measures; ++m) {
            CKVMeas* meas = staff ? staff->GetMeas(m) : nullptr;
            std::vector<CKVMsg*> timed;
            if (meas)
                CollectTimed(*meas, timed);
            timed.erase(std::remove_if(timed.begin(), timed.end(),
                                       [voice](CKVMsg* msg) { return voice != 0 && msg->m_byVoice != voice; }),
                        timed.end());
            std::stable_sort(timed.begin(), timed.end(), [](CKVMsg* a, CKVMsg* b) {
                if (a->m_byVoice != b->m_byVoice)
                    return a->m_byVoice < b->m_byVoice;
                if (a->m_nStartTime != b->m_nStartTime)
                    return a->m_nStartTime < b->m_nStartTime;
                return NotesOf(*a).front()->GetMidiKey() < NotesOf(*b).front()->GetMidiKey();
            });
            for (CKVMsg* msg : timed) {
                for (CKVMsg* note : NotesOf(*msg))
                    range.number.emplace(note, static_cast<int>(range.number.size()) + 1);
            }
            range.timed.push_back(timed);
            range.meas.push_back(meas);
        }
    }

    std::string out;
    auto numberOf = [&](DWORD id) {
        CKVMsg* msg = system->GetMsgFromMap(id);
        const auto found = msg ? range.number.find(msg) : range.number.end();
        return found == range.number.end() ? 0 : found->second;
    };
    for (size_t k = 0; k < range.meas.size(); ++k) {
        Line(out, "measure %zu", k);
        short firstX = 0;
        bool hasFirst = false;
        for (CKVMsg* msg : range.timed[k]) {
            if (msg->m_wFlag & MSGFLAG_GRACE)
                continue;
            if (!hasFirst || msg->m_nPosX < firstX)
                firstX = msg->m_nPosX;
            hasFirst = true;
        }
        for (CKVMsg* msg : range.timed[k]) {
            std::string keys;
            for (CKVMsg* note : NotesOf(*msg))
                keys += " " + std::to_string(note->GetMidiKey());
            Line(out, " kind %u voice %u dur %u dots %u tuplet %u start %d play %d grace %d keys%s", msg->m_byKind,
                 msg->m_byVoice, msg->m_wDuration & 0xFF, msg->m_byDots, msg->m_wObjWord, msg->m_nStartTime,
                 msg->m_nPlayTime, (msg->m_wFlag & MSGFLAG_GRACE) ? 1 : 0, keys.c_str());
            for (CKVMsg* note : NotesOf(*msg)) {
                // The order of a note's children is no part of the music.
                std::vector<std::string> lines;
                for (CKVMsg* child : Children(*note)) {
                    std::string line;
                    if (child->m_byKind == MSG_TIE || child->m_byKind == MSG_SLUR)
                        Line(line, "  link %u from %d to %d", child->m_byKind, numberOf(child->m_dwWord),
                             numberOf(static_cast<DWORD>(child->m_lHeight)));
                    else if (child->m_byKind != MSG_TUPLET)
                        Line(line, "  child %u head %s", child->m_byKind, Hex(*child).c_str());
                    lines.push_back(line);
                }
                std::sort(lines.begin(), lines.end());
                for (const std::string& line : lines)
                    out += line;
            }
        }
        if (!range.meas[k] || !withOthers)
            continue;
        for (CKVMsg* msg : Children(*range.meas[k])) {
            const BYTE kind = msg->m_byKind;
            if (IsTimed(*msg) || kind == MSG_BEAM || kind == MSG_TUPLET || (voice != 0 && msg->m_byVoice != voice))
                continue;
            Line(out, " other %u voice %u head %s x %d", kind, msg->m_byVoice, Hex(*msg).c_str(),
                 msg->m_nPosX - firstX);
        }
    }
    return out;
}

} // namespace kvtest
