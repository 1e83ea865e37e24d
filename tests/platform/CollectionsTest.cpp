#include "Platform.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Distinct addresses to store; nothing ever dereferences them.
char g_items[8];
void* const a = &g_items[0];
void* const b = &g_items[1];
void* const c = &g_items[2];
void* const d = &g_items[3];

std::vector<void*> Contents(const CPtrArray& array)
{
    return std::vector<void*>(array.GetData(), array.GetData() + array.GetSize());
}

std::vector<void*> Walk(const CPtrList& list)
{
    std::vector<void*> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(list.GetNext(pos));
    return out;
}

std::vector<void*> WalkBack(const CPtrList& list)
{
    std::vector<void*> out;
    for (POSITION pos = list.GetTailPosition(); pos;)
        out.push_back(list.GetPrev(pos));
    return out;
}

// Counts its destructions, to show that containers leave their pointees alone.
struct Counted : CObject {
    explicit Counted(int* deaths) : m_deaths(deaths) {}
    ~Counted() override { ++*m_deaths; }
    int* m_deaths;
};

TEST(PtrArray, InsertAtPastTheEndPadsWithNulls)
{
    CPtrArray array;
    array.InsertAt(5, a);
    ASSERT_EQ(array.GetSize(), 6);
    EXPECT_EQ(Contents(array), (std::vector<void*>{nullptr, nullptr, nullptr, nullptr, nullptr, a}));

    array.InsertAt(1, b, 2);
    EXPECT_EQ(Contents(array), (std::vector<void*>{nullptr, b, b, nullptr, nullptr, nullptr, nullptr, a}));
}

TEST(PtrArray, RemoveAtTakesOutARun)
{
    CPtrArray array;
    for (void* p : {a, b, c, d})
        array.Add(p);
    array.RemoveAt(1, 2);
    EXPECT_EQ(Contents(array), (std::vector<void*>{a, d}));
    array.RemoveAt(1);
    EXPECT_EQ(Contents(array), (std::vector<void*>{a}));
    array.RemoveAt(1, 0);
    EXPECT_EQ(array.GetSize(), 1);
}

TEST(PtrArray, ReserveKeepsTheSizeAndTheElementsInPlace)
{
    CPtrArray array;
    array.Add(a);
    array.Reserve(100);
    EXPECT_EQ(Contents(array), (std::vector<void*>{a}));
    void* const* data = array.GetData();
    for (int i = 1; i < 100; ++i)
        array.Add(b);
    EXPECT_EQ(array.GetData(), data); // no reallocation while filling the room
    EXPECT_EQ(array.GetSize(), 100);
}

TEST(PtrArray, GrowsWithZeroedSlots)
{
    CPtrArray array;
    EXPECT_EQ(array.Add(a), 0);
    EXPECT_EQ(array.Add(b), 1);
    array.SetSize(4, 16);
    EXPECT_EQ(Contents(array), (std::vector<void*>{a, b, nullptr, nullptr}));
    EXPECT_EQ(array.GetUpperBound(), 3);
    array.SetSize(1);
    EXPECT_EQ(Contents(array), (std::vector<void*>{a}));

    array.SetAtGrow(3, c);
    EXPECT_EQ(Contents(array), (std::vector<void*>{a, nullptr, nullptr, c}));
    array.SetAt(1, d);
    array.ElementAt(2) = b;
    array[0] = c;
    EXPECT_EQ(Contents(array), (std::vector<void*>{c, d, b, c}));
    EXPECT_EQ(array.GetAt(1), d);

    array.RemoveAll();
    EXPECT_EQ(array.GetSize(), 0);
    EXPECT_EQ(array.GetUpperBound(), -1);
}

TEST(PtrArray, CombinesWholeArraysIncludingItself)
{
    CPtrArray first;
    first.Add(a);
    first.Add(b);
    CPtrArray second;
    second.Add(c);

    EXPECT_EQ(second.Append(first), 1);
    EXPECT_EQ(Contents(second), (std::vector<void*>{c, a, b}));

    second.InsertAt(1, &first);
    EXPECT_EQ(Contents(second), (std::vector<void*>{c, a, b, a, b}));

    first.InsertAt(4, &first);
    EXPECT_EQ(Contents(first), (std::vector<void*>{a, b, nullptr, nullptr, a, b}));

    first.Copy(second);
    EXPECT_EQ(Contents(first), Contents(second));
    EXPECT_EQ(first.Append(first), 5);
    EXPECT_EQ(first.GetSize(), 10);
}

TEST(ValueArrays, PadWithZeros)
{
    CDWordArray dwords;
    dwords.InsertAt(2, 0x80000000u);
    ASSERT_EQ(dwords.GetSize(), 3);
    EXPECT_EQ(dwords[0], 0u);
    EXPECT_EQ(dwords[2], 0x80000000u);

    CByteArray bytes;
    bytes.Add(0xFE);
    bytes.SetAtGrow(2, 7);
    EXPECT_EQ(bytes.GetData()[0], 0xFE);
    EXPECT_EQ(bytes.GetData()[1], 0);
    EXPECT_EQ(bytes.GetData()[2], 7);
}

TEST(ValueArrays, StringArrayCopiesStrings)
{
    CStringArray strings;
    CString text = "first";
    strings.Add(text);
    text = "changed";
    strings.Add("second");
    strings.InsertAt(3, "fourth");
    EXPECT_EQ(strings.GetSize(), 4);
    EXPECT_EQ(strings[0], "first");
    EXPECT_TRUE(strings[2].IsEmpty());
    EXPECT_EQ(strings.GetAt(3), "fourth");

    // Elements of the array itself may be added while it grows.
    for (int i = 0; i < 20; ++i)
        strings.Add(strings[0]);
    strings.SetAtGrow(40, strings[1]);
    EXPECT_EQ(strings[23], "first");
    EXPECT_EQ(strings[40], "second");
}

struct Tracked {
    Tracked() = default;
    explicit Tracked(int v) : value(v) {}
    Tracked(const Tracked& other) : value(other.value), copies(other.copies + 1) {}
    Tracked& operator=(const Tracked& other)
    {
        value = other.value;
        copies = other.copies + 1;
        return *this;
    }
    int value = -1;
    int copies = 0;
};

TEST(CArrayTemplate, CopiesElementsWithTheirOwnOperations)
{
    CArray<Tracked, const Tracked&> array;
    const Tracked original(42);
    array.Add(original);
    EXPECT_EQ(array[0].value, 42);
    EXPECT_GT(array[0].copies, 0);

    array.SetSize(3);
    EXPECT_EQ(array[2].value, -1);

    CArray<CPoint, CPoint> points;
    points.Add(CPoint(1, 2));
    points.InsertAt(0, CPoint(3, 4));
    EXPECT_EQ(points[0], CPoint(3, 4));
    EXPECT_EQ(points[1], CPoint(1, 2));
    EXPECT_EQ(points.GetData()[1].y, 2);
}

TEST(TypedPtrArray, HandsOutTypedPointers)
{
    int values[3] = {10, 20, 30};
    CTypedPtrArray<CPtrArray, int*> array;
    EXPECT_EQ(array.Add(&values[0]), 0);
    array.SetAtGrow(2, &values[2]);
    array.InsertAt(1, &values[1]);
    ASSERT_EQ(array.GetSize(), 4);
    EXPECT_EQ(*array.GetAt(0), 10);
    EXPECT_EQ(*array[1], 20);
    EXPECT_EQ(array[2], nullptr);
    array.ElementAt(2) = &values[0];
    EXPECT_EQ(*array.GetAt(2), 10);
    EXPECT_EQ(*array[3], 30);
}

TEST(Collections, NeverDeleteWhatElementsPointTo)
{
    int deaths = 0;
    Counted first(&deaths);
    Counted second(&deaths);
    {
        CPtrArray array;
        array.Add(&first);
        CObList list;
        list.AddTail(&first);
        list.AddTail(&second);
        list.RemoveHead();
        CMapPtrToPtr map;
        map.SetAt(&first, &second);
        map.RemoveKey(&first);
        map.SetAt(&second, &first);
    }
    EXPECT_EQ(deaths, 0);
}

using CollectionsDeathTest = ::testing::Test;

TEST_F(CollectionsDeathTest, ArrayIndexOutOfRangeEndsTheProcess)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    CPtrArray array;
    array.Add(a);
    array.Add(b);
    EXPECT_DEATH(array.GetAt(array.GetSize()), "CPtrArray::GetAt: index 2 out of range \\(size 2\\)");
    EXPECT_DEATH(array.GetAt(-1), "CPtrArray::GetAt: index -1");
    EXPECT_DEATH(array.SetAt(2, c), "CPtrArray::SetAt: index 2");
    EXPECT_DEATH(array.ElementAt(5), "CPtrArray::ElementAt: index 5");
    EXPECT_DEATH(array[2], "CPtrArray::operator\\[\\]: index 2");
    EXPECT_DEATH(array.RemoveAt(1, 2), "CPtrArray::RemoveAt: index 1 with count 2 out of range \\(size 2\\)");
    EXPECT_DEATH(array.RemoveAt(-1), "CPtrArray::RemoveAt");
    EXPECT_DEATH(array.InsertAt(-1, c), "CPtrArray::InsertAt");
    EXPECT_DEATH(array.SetSize(-1), "CPtrArray::SetSize: negative size -1");

    CStringArray strings;
    EXPECT_DEATH(strings.GetAt(0), "CStringArray::GetAt: index 0 out of range \\(size 0\\)");
    CArray<int, int> ints;
    EXPECT_DEATH(ints[0], "CArray::operator\\[\\]: index 0");
    CTypedPtrArray<CPtrArray, int*> typed;
    EXPECT_DEATH(typed.GetAt(3), "CPtrArray::GetAt: index 3 out of range \\(size 0\\)");
}

TEST_F(CollectionsDeathTest, ListFaultsEndTheProcess)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    CPtrList list;
    EXPECT_DEATH(list.GetHead(), "CPtrList::GetHead: the list is empty");
    EXPECT_DEATH(list.RemoveTail(), "CPtrList::RemoveTail: the list is empty");
    POSITION none = nullptr;
    EXPECT_DEATH(list.GetNext(none), "CPtrList::GetNext: null POSITION");
    EXPECT_DEATH(list.RemoveAt(nullptr), "CPtrList::RemoveAt: null POSITION");
    CObList objects;
    EXPECT_DEATH(objects.GetTail(), "CObList::GetTail: the list is empty");
}

TEST(PtrList, InsertBeforeAndWalkInBothDirections)
{
    CPtrList list;
    const POSITION posB = list.AddTail(b);
    list.AddTail(d);
    list.InsertBefore(posB, a);
    const POSITION posC = list.InsertBefore(list.Find(d), c);
    EXPECT_EQ(Walk(list), (std::vector<void*>{a, b, c, d}));
    EXPECT_EQ(WalkBack(list), (std::vector<void*>{d, c, b, a}));
    EXPECT_EQ(list.GetCount(), 4);

    // Positions stay valid while other nodes come and go.
    list.RemoveHead();
    list.AddHead(d);
    EXPECT_EQ(list.GetAt(posB), b);
    EXPECT_EQ(list.GetAt(posC), c);

    list.InsertAfter(posC, a);
    list.InsertAfter(nullptr, b);
    list.InsertBefore(nullptr, c);
    EXPECT_EQ(Walk(list), (std::vector<void*>{c, d, b, c, a, d, b}));
}

TEST(PtrList, FindsAndRemovesByPosition)
{
    CPtrList list(32);
    for (void* p : {a, b, a, c})
        list.AddTail(p);

    const POSITION firstA = list.Find(a);
    const POSITION secondA = list.Find(a, firstA);
    EXPECT_EQ(firstA, list.GetHeadPosition());
    EXPECT_EQ(secondA, list.FindIndex(2));
    EXPECT_EQ(list.Find(a, secondA), nullptr);
    EXPECT_EQ(list.Find(d), nullptr);
    EXPECT_EQ(list.FindIndex(4), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);

    list.RemoveAt(secondA);
    list.SetAt(list.FindIndex(1), d);
    EXPECT_EQ(Walk(list), (std::vector<void*>{a, d, c}));
    EXPECT_EQ(list.GetTailPosition(), list.FindIndex(2));

    EXPECT_EQ(list.RemoveTail(), c);
    EXPECT_EQ(list.RemoveHead(), a);
    EXPECT_EQ(list.GetHead(), d);
    EXPECT_EQ(list.GetTail(), d);
    list.RemoveAt(list.GetHeadPosition());
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.GetTailPosition(), nullptr);

    list.AddTail(a);
    list.RemoveAll();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(PtrList, AddsWholeLists)
{
    CPtrList list;
    list.AddTail(b);
    CPtrList other;
    other.AddTail(c);
    other.AddTail(d);
    list.AddTail(&other);
    list.AddHead(&other);
    EXPECT_EQ(Walk(list), (std::vector<void*>{c, d, b, c, d}));
    list.AddTail(&list);
    EXPECT_EQ(list.GetCount(), 10);
    EXPECT_EQ(WalkBack(list), (std::vector<void*>{d, c, b, d, c, d, c, b, d, c}));
}

// A list that is used as a base class, with state of its own.
class GroupList : public CPtrList {
public:
    GroupList() : CPtrList(4) {}
    int m_group = 7;
};

TEST(PtrList, WorksAsAPublicBaseClass)
{
    CPtrList* list = new GroupList;
    list->AddTail(a);
    list->AddTail(b);
    EXPECT_EQ(static_cast<GroupList*>(list)->m_group, 7);
    EXPECT_EQ(Walk(*list), (std::vector<void*>{a, b}));
    // Deleting through the base frees the nodes (the sanitizer build checks).
    delete list;
}

TEST(TypedPtrList, HandsOutTypedPointersOverBothBases)
{
    int deaths = 0;
    Counted first(&deaths);
    Counted second(&deaths);

    CTypedPtrList<CObList, Counted*> objects(10);
    objects.AddTail(&second);
    objects.AddHead(&first);
    Counted* head = objects.GetHead();
    EXPECT_EQ(head, &first);
    POSITION pos = objects.GetHeadPosition();
    EXPECT_EQ(objects.GetNext(pos), &first);
    EXPECT_EQ(objects.GetNext(pos), &second);
    EXPECT_EQ(pos, nullptr);
    EXPECT_EQ(objects.Find(&second), objects.GetTailPosition());
    objects.GetTail() = &first;
    EXPECT_EQ(objects.RemoveTail(), &first);

    int values[2] = {1, 2};
    CTypedPtrList<CPtrList, int*> ints;
    ints.AddTail(&values[0]);
    ints.InsertAfter(ints.GetHeadPosition(), &values[1]);
    POSITION back = ints.GetTailPosition();
    EXPECT_EQ(*ints.GetPrev(back), 2);
    EXPECT_EQ(*ints.GetAt(back), 1);
    ints.SetAt(back, &values[1]);
    EXPECT_EQ(*ints.RemoveHead(), 2);
    EXPECT_EQ(deaths, 0);
}

TEST(MapPtrToPtr, SetLookupAndRemoveRoundTrip)
{
    CMapPtrToPtr map;
    void* value = c;
    EXPECT_FALSE(map.Lookup(a, value));
    EXPECT_EQ(value, c);

    map.SetAt(a, b);
    map.SetAt(nullptr, d);
    EXPECT_EQ(map.GetCount(), 2);
    ASSERT_TRUE(map.Lookup(a, value));
    EXPECT_EQ(value, b);
    ASSERT_TRUE(map.Lookup(nullptr, value));
    EXPECT_EQ(value, d);

    map.SetAt(a, c);
    EXPECT_EQ(map.GetCount(), 2);
    ASSERT_TRUE(map.Lookup(a, value));
    EXPECT_EQ(value, c);

    EXPECT_TRUE(map.RemoveKey(a));
    EXPECT_FALSE(map.RemoveKey(a));
    EXPECT_FALSE(map.Lookup(a, value));
    EXPECT_EQ(map.GetCount(), 1);

    // operator[] adds a missing key with a null value.
    EXPECT_EQ(map[b], nullptr);
    map[b] = a;
    ASSERT_TRUE(map.Lookup(b, value));
    EXPECT_EQ(value, a);
    map.RemoveAll();
    EXPECT_EQ(map.GetCount(), 0);
    EXPECT_EQ(map.GetStartPosition(), nullptr);
}

TEST(MapPtrToPtr, IteratesInInsertionOrderAndAllowsRemovingTheCurrentKey)
{
    CMapPtrToPtr map;
    map[c] = a;
    map[a] = b;
    map[d] = c;
    map[b] = d;
    map.RemoveKey(d);
    map[d] = nullptr;

    std::vector<void*> keys;
    POSITION pos = map.GetStartPosition();
    while (pos) {
        void* key = nullptr;
        void* value = nullptr;
        map.GetNextAssoc(pos, key, value);
        keys.push_back(key);
        void* found = nullptr;
        EXPECT_TRUE(map.Lookup(key, found));
        EXPECT_EQ(found, value);
        EXPECT_TRUE(map.RemoveKey(key));
    }
    EXPECT_EQ(keys, (std::vector<void*>{c, a, b, d}));
    EXPECT_EQ(map.GetCount(), 0);
}

} // namespace
