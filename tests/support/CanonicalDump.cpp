#include "support/CanonicalDump.h"

#include "support/ScoreGenerator.h"

#if KV_GENERATE_CHORD_SYMBOLS
#include "harmony/ChordSymbol.h"
#endif

#include <cstdarg>
#include <cstdio>
#include <map>

namespace kvtest {

namespace {

bool JoinsById(BYTE kind)
{
    return kind == MSG_TIE || kind == MSG_SLUR || kind == MSG_TUPLET;
}

class Dumper {
public:
    explicit Dumper(CKVDoc& doc)
        : m_doc(doc), m_system(doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr)
    {
    }

    std::string Run()
    {
        // Ids first, in file order, so that a tie can name a note that
        // comes after it.
        if (m_system) {
            NumberNode(*m_system);
            for (short i = 0; i < m_system->GetStaffNum(); ++i)
                NumberStaff(*m_system->GetStaff(i));
            for (int i = 0; i < OssiaCount(); ++i)
                NumberStaff(*m_system->GetOssiaStaff(static_cast<short>(i)));
        }

        Line(0, "doc metrics %d %d %d %d", m_doc.m_nStaffSpace, m_doc.m_nScoreFontSize, m_doc.m_nFontHeight,
             m_doc.m_nFontHeight78);
        if (m_system) {
            Line(0, "system staves %d ossia %d", m_system->GetStaffNum(), OssiaCount());
            DumpNode(1, *m_system);
            for (short i = 0; i < m_system->GetStaffNum(); ++i)
                DumpStaff(1, "staff", *m_system->GetStaff(i));
            for (int i = 0; i < OssiaCount(); ++i)
                DumpStaff(1, "ossia-staff", *m_system->GetOssiaStaff(static_cast<short>(i)));
        }
        for (int i = 0; i < 3; ++i) {
            Line(0, "title %d", i);
            DumpMsg(1, *m_doc.m_pTitleMsg[i]);
        }
        const short pages = m_doc.GetPageNum();
        for (short p = 0; p < pages; ++p)
            DumpPage(0, *m_doc.GetPage(p));
        return m_out;
    }

private:
    int OssiaCount() const
    {
        return m_system && m_system->m_pOssiaStaffArray ? m_system->m_pOssiaStaffArray->GetSize() : 0;
    }

    CKVMsg* Lookup(DWORD id) const
    {
        if (!m_system || id == 0 || id >= static_cast<DWORD>(m_system->m_arrMsgMap.GetSize()))
            return nullptr;
        return m_system->m_arrMsgMap.GetAt(static_cast<int>(id));
    }

    void Number(DWORD id)
    {
        if (id != 0 && m_order.find(id) == m_order.end()) {
            const int next = static_cast<int>(m_order.size()) + 1;
            m_order[id] = next;
        }
    }

    // The writer leaves out references whose symbol is gone.
    template <typename Visit>
    void ForLiveRefs(CKVObject& node, Visit visit)
    {
        for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
            const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
            if (!ref || !Lookup(ref->dwMsgId))
                continue;
            visit(*ref, *Lookup(ref->dwMsgId));
        }
    }

    void NumberNode(CKVObject& node)
    {
        ForLiveRefs(node, [this](const MsgRef& ref, CKVMsg& msg) {
            Number(ref.dwMsgId);
            if (ref.byOwner) {
                Number(msg.m_dwMsgId);
                NumberNode(msg);
            }
        });
    }

    void NumberStaff(CKVStaff& staff)
    {
        NumberNode(staff);
        for (LONG m = 0; m < staff.GetMeasNum(); ++m)
            NumberNode(*staff.GetMeas(m));
    }

    std::string Id(DWORD id) const
    {
        if (id == 0)
            return "0";
        const auto found = m_order.find(id);
        return found == m_order.end() ? "?" : "#" + std::to_string(found->second);
    }

    static std::string Hex(const BYTE* bytes, int length)
    {
        std::string text;
        char cell[4];
        for (int i = 0; i < length; ++i) {
            std::snprintf(cell, sizeof cell, "%02X", bytes[i]);
            text += cell;
        }
        return text;
    }

    static std::string Text(const char* chars, size_t size)
    {
        size_t length = 0;
        while (length < size && chars[length])
            ++length;
        return Hex(reinterpret_cast<const BYTE*>(chars), static_cast<int>(length));
    }

    void Line(int depth, const char* format, ...) __attribute__((format(printf, 3, 4)))
    {
        char text[1024];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        m_out.append(static_cast<size_t>(depth) * 2, ' ');
        m_out += text;
        m_out += '\n';
    }

    void DumpHead(int depth, const CKVObject& node)
    {
        if (node.m_wHeadLen > 0 && node.m_pHead)
            Line(depth, "head %s", Hex(node.m_pHead, node.m_wHeadLen).c_str());
    }

    void DumpRefs(int depth, CKVObject& node)
    {
        ForLiveRefs(node, [this, depth](const MsgRef& ref, CKVMsg& msg) {
            Line(depth, "ref %s own %d", Id(ref.dwMsgId).c_str(), ref.byOwner ? 1 : 0);
            if (ref.byOwner)
                DumpMsg(depth + 1, msg);
        });
    }

    void DumpNode(int depth, CKVObject& node)
    {
        Line(depth, "node obj %u word %u", node.m_wObjWord, static_cast<unsigned>(node.m_dwWord));
        DumpHead(depth, node);
        DumpRefs(depth, node);
    }

    void DumpMsg(int depth, CKVMsg& msg)
    {
        const bool joins = JoinsById(msg.m_byKind);
        // Symbols outside the system keep their stored ids.
        const std::string id = msg.m_pSystem ? Id(msg.m_dwMsgId) : std::to_string(msg.m_dwMsgId);
        const std::string word = joins ? Id(msg.m_dwWord) : std::to_string(msg.m_dwWord);
        const std::string height = joins ? Id(static_cast<DWORD>(msg.m_lHeight)) : std::to_string(msg.m_lHeight);
        Line(depth,
             "msg %s kind %u voice %u again %u size %u marks %u,%u acc %u dots %u type %u dur %u flag %u "
             "layout %d,%d,%d,%d perform %d pos %d,%d pos2 %d,%d height %s colour %u obj %u word %s",
             id.c_str(), msg.m_byKind, msg.m_byVoice & 0x0F, msg.m_byReplace & 0x0F, msg.m_wSize & 0xFF,
             msg.m_byMark1, msg.m_byMark2, msg.m_byAccidental & 0x0F, msg.m_byDots & 0x0F, msg.m_wHeadType,
             msg.m_wDuration, msg.m_wFlag, msg.m_nLayout1, msg.m_nLayout2, msg.m_nLayout3, msg.m_nLayout4,
             msg.m_nPerformStart, msg.m_nPosX, msg.m_nPosY, msg.m_nPosX2, msg.m_nPosY2, height.c_str(),
             static_cast<unsigned>(msg.m_crColor), msg.m_wObjWord, word.c_str());
        DumpHead(depth + 1, msg);
#if KV_GENERATE_CHORD_SYMBOLS
        if (CChordSymbol* chord = dynamic_cast<CChordSymbol*>(&msg)) {
            CString suffix = chord->m_Surfix.GetRealName();
            Line(depth + 1, "chord root %d bass %d suffix %s name %d fret %d rhythm %d", chord->m_nRoot,
                 chord->m_nBass, static_cast<const char*>(suffix), chord->m_bShowName ? 1 : 0,
                 chord->m_bShowFret ? 1 : 0, chord->m_pRhythm ? 1 : 0);
        }
#endif
        DumpRefs(depth + 1, msg);
    }

    void DumpMeas(int depth, CKVMeas& meas)
    {
        Line(depth,
             "meas obj %u header %d ending-height %d style %u num %s den %s ending-text %s bars %u,%u clef %u "
             "option %u options %u ending %u,%u,%u,%u lines %u,%u marker %u time %d/%d key %u,%u ending-word %u",
             meas.m_wObjWord, meas.m_nHeaderWidth, static_cast<short>(meas.m_dwWord), meas.m_byTimeStyle,
             Text(meas.m_szTimeNumText, sizeof meas.m_szTimeNumText).c_str(),
             Text(meas.m_szTimeDenText, sizeof meas.m_szTimeDenText).c_str(),
             Text(meas.m_szEndingText, sizeof meas.m_szEndingText).c_str(), meas.m_byStartBar, meas.m_byEndBar,
             meas.m_byInitClef, meas.m_byOption, meas.m_byOptions, meas.m_byEndingNum, meas.m_byEndingPos,
             meas.m_byEndingByte, meas.m_byEndingOffset, meas.m_wEndingLine1, meas.m_wEndingLine2, meas.m_wMarker,
             meas.m_nTimeNum, meas.m_nTimeDen, meas.m_byKeyType, meas.m_byKeyCount, meas.m_wEndingWord);
        DumpHead(depth + 1, meas);
        DumpRefs(depth + 1, meas);
    }

    void DumpStaff(int depth, const char* label, CKVStaff& staff)
    {
        Line(depth,
             "%s name %s clef %u kind %u lines %u channels %s first %s second %s third %s display %u "
             "brackets %u,%u,%u word %u measures %d",
             label, Text(staff.m_szName, sizeof staff.m_szName).c_str(), staff.m_byClefType, staff.m_byStaffKind,
             staff.m_byLineCount, Hex(staff.m_byChannel, CKVStaff::VOICES).c_str(),
             Hex(staff.m_byVoiceFirst, CKVStaff::VOICES).c_str(), Hex(staff.m_byVoiceSecond, CKVStaff::VOICES).c_str(),
             Hex(staff.m_byVoiceThird, CKVStaff::VOICES).c_str(), staff.m_byDisplayFlags, staff.m_byGroupBracket[0],
             staff.m_byGroupBracket[1], staff.m_byGroupBracket[2], staff.m_wStaffWord,
             static_cast<int>(staff.GetMeasNum()));
        DumpNode(depth + 1, staff);
        for (LONG m = 0; m < staff.GetMeasNum(); ++m)
            DumpMeas(depth + 1, *staff.GetMeas(m));
    }

    int StaffIndex(CKVStaff* staff, bool ossia) const
    {
        CKVStaffPtrArray* list = ossia ? m_system->m_pOssiaStaffArray : m_system->m_pStaffArray;
        for (int i = 0; list && i < list->GetSize(); ++i) {
            if (list->GetAt(i) == staff)
                return i;
        }
        return -1;
    }

    void DumpBlock(int depth, CKVBlock& block)
    {
        const bool ossia = block.m_byKind != CKVBlock::KIND_NORMAL;
        Line(depth, "block kind %u first %d count %d rect %d,%d,%d,%d", block.m_byKind, block.m_nFirstMeas,
             block.m_nMeasCount, static_cast<int>(block.m_rcBlock.left), static_cast<int>(block.m_rcBlock.top),
             static_cast<int>(block.m_rcBlock.right), static_cast<int>(block.m_rcBlock.bottom));
        for (short s = 0; s < block.GetStaffNum(); ++s) {
            CKVStaff* staff = block.GetStaff(s);
            int value = -20;
            for (int e = 0; e < block.m_arrStaffEntry.GetSize(); ++e) {
                const BlockStaffEntry* entry = block.m_arrStaffEntry.GetAt(e);
                if (entry && entry->pStaff == staff) {
                    value = entry->wValue;
                    break;
                }
            }
            const int y = s < block.m_arrStaffY.GetSize() ? static_cast<short>(block.m_arrStaffY.GetAt(s)) : 0;
            Line(depth + 1, "staff %d y %d value %d", m_system ? StaffIndex(staff, ossia) : -1, y, value);
        }
        std::string bounds;
        for (int i = 0; i < block.m_arrMeasX.GetSize(); ++i)
            bounds += " " + std::to_string(block.m_arrMeasX.GetAt(i));
        Line(depth + 1, "bounds%s", bounds.c_str());
        for (int i = 0; i < block.m_arrStaffNamePoint.GetSize(); ++i) {
            const POINT* point = block.m_arrStaffNamePoint.GetAt(i);
            if (point)
                Line(depth + 1, "name-point %d,%d", static_cast<int>(point->x), static_cast<int>(point->y));
            else
                Line(depth + 1, "name-point none");
        }
    }

    void DumpPage(int depth, CKVPage& page)
    {
        Line(depth, "page print %d,%d,%d,%d blocks %d ossia %d symbols %d", static_cast<int>(page.m_rcPrint.left),
             static_cast<int>(page.m_rcPrint.top), static_cast<int>(page.m_rcPrint.right),
             static_cast<int>(page.m_rcPrint.bottom), page.GetBlockNum(), page.m_arrOssiaBlock.GetSize(),
             page.GetMsgNum());
        for (short b = 0; b < page.GetBlockNum(); ++b)
            DumpBlock(depth + 1, *page.GetBlock(b));
        for (int b = 0; b < page.m_arrOssiaBlock.GetSize(); ++b)
            DumpBlock(depth + 1, *page.m_arrOssiaBlock.GetAt(b));
        for (short i = 0; i < page.GetMsgNum(); ++i)
            DumpMsg(depth + 1, *page.GetMsg(i));
    }

    CKVDoc& m_doc;
    CKVSystem* m_system;
    std::map<DWORD, int> m_order;
    std::string m_out;
};

} // namespace

std::string CanonicalDump(CKVDoc& doc)
{
    return Dumper(doc).Run();
}

} // namespace kvtest
