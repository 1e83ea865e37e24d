#pragma once
// Small makers and readers of score nodes that the tests of several classes
// share: a symbol that counts its deletion, a bare note, a node's head, the
// symbols its references reach and the notes under it.

#include "model/KVMsg.h"
#include "model/KVObject.h"

#include <vector>

namespace kvtest {

// A note that reports its own deletion.
class CountedMsg : public CKVMsg {
public:
    explicit CountedMsg(int* deleted) : m_deleted(deleted) { m_byKind = MSG_NOTE; }
    ~CountedMsg() override { ++*m_deleted; }

private:
    int* m_deleted;
};

// A note of no measure.
inline CKVMsg* NewNote(short x = 0, short y = 0, BYTE voice = 0)
{
    CKVMsg* msg = new CKVMsg();
    msg->m_byKind = MSG_NOTE;
    msg->m_nPosX = x;
    msg->m_nPosY = y;
    msg->m_byVoice = voice;
    return msg;
}

// A copy of the node's head; empty when it has none.
inline std::vector<BYTE> HeadOf(CKVObject& node)
{
    unsigned char* head = nullptr;
    const short length = node.GetHead(&head);
    if (length <= 0 || !head)
        return {};
    return std::vector<BYTE>(head, head + length);
}

inline std::vector<BYTE> HeadOf(CKVObject* node)
{
    return HeadOf(*node);
}

// The symbols that a node's references reach, in order.
inline std::vector<CKVMsg*> Children(CKVObject& node)
{
    std::vector<CKVMsg*> out;
    for (short i = 0; i < node.GetMsgNum(); ++i)
        out.push_back(node.GetMsg(i));
    return out;
}

inline std::vector<CKVMsg*> Children(CKVObject* node)
{
    return Children(*node);
}

// Appends the notes under a node in child order, the members of its chords
// and beam groups (and of chords in groups) included.
inline void AppendNotesUnder(CKVObject& node, std::vector<CKVMsg*>& notes, int depth = 0)
{
    for (short i = 0; i < node.GetMsgNum() && depth < 4; ++i) {
        CKVMsg* msg = node.GetMsg(i);
        if (!msg || msg == &node)
            continue;
        if (msg->m_byKind == MSG_NOTE)
            notes.push_back(msg);
        else if (msg->m_byKind == MSG_CHORD || msg->m_byKind == MSG_BEAM)
            AppendNotesUnder(*msg, notes, depth + 1);
    }
}

} // namespace kvtest
