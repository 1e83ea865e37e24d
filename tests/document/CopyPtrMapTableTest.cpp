// The copy-pointer map: long runs of changes against
// a plain map, and the map emptied at every size.

#include "document/CopyPtrMap.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

class CopyPtrMapTableTest : public kvtest::KvTest {
protected:
    // Every key and value of the model, and some that are not there, answer
    // as the model does.
    void ExpectSameAs(const std::map<DWORD, DWORD>& model, DWORD keyLimit)
    {
        std::map<DWORD, int> values;
        for (const auto& [key, value] : model)
            ++values[value];
        for (DWORD key = 0; key < keyLimit; ++key) {
            DWORD found = 0xDEAD;
            const auto it = model.find(key);
            ASSERT_EQ(LookupCopyPtrMap(key, found), it != model.end() ? 1 : 0) << "key " << key;
            EXPECT_EQ(found, it != model.end() ? it->second : 0xDEADu) << "key " << key;
            EXPECT_EQ(FindCopyPtrMapValue(key), values.count(key) ? 1 : 0) << "value " << key;
        }
    }
};

TEST_F(CopyPtrMapTableTest, LongRunOfChangesAgreesWithAPlainMap)
{
    // Few keys, so that entries often share their slot runs and removals
    // move the ones after them; ids and values include 0.
    std::mt19937 random(11);
    std::map<DWORD, DWORD> model;
    constexpr DWORD kKeys = 97;
    for (int step = 0; step < 20000; ++step) {
        const DWORD key = random() % kKeys;
        const DWORD value = random() % kKeys;
        switch (random() % 4) {
        case 0:
        case 1:
            SetCopyPtrMap(key, value);
            model[key] = value;
            break;
        case 2:
            RemoveCopyPtrMapKey(key);
            model.erase(key);
            break;
        default:
            if (random() % 500 == 0) {
                ClearCopyPtrMap();
                model.clear();
            } else if (random() % 300 == 0) {
                // Room made ahead moves the entries there are.
                ReserveCopyPtrMap(random() % 400);
            }
            break;
        }
        if (step % 1000 == 0)
            ExpectSameAs(model, kKeys);
    }
    ExpectSameAs(model, kKeys);
}

TEST_F(CopyPtrMapTableTest, LargeMapEmptiesAndFillsAgain)
{
    std::map<DWORD, DWORD> model;
    for (DWORD key = 0; key < 5000; ++key) {
        // Keys far apart and close together, as stored ids are.
        const DWORD spread = key % 2 ? key * 65536u : key;
        SetCopyPtrMap(spread, key + 1);
        model[spread] = key + 1;
    }
    for (const auto& [key, value] : model) {
        DWORD found = 0;
        ASSERT_EQ(LookupCopyPtrMap(key, found), 1);
        EXPECT_EQ(found, value);
    }
    for (DWORD key = 0; key < 5000; key += 3)
        RemoveCopyPtrMapKey(key % 2 ? key * 65536u : key);
    for (DWORD key = 0; key < 5000; ++key) {
        DWORD found = 0;
        EXPECT_EQ(LookupCopyPtrMap(key % 2 ? key * 65536u : key, found), key % 3 ? 1 : 0);
    }

    ClearCopyPtrMap();
    model.clear();
    ExpectSameAs(model, 300);
    SetCopyPtrMap(7, 70);
    SetCopyPtrMap(8, 70);
    model = {{7, 70}, {8, 70}};
    ExpectSameAs(model, 300);
}

TEST_F(CopyPtrMapTableTest, KeysOnOneOffsetOfTheirRunsAgreeWithAPlainMap)
{
    // Neighbouring keys share a run of slots; keys a run apart land on the
    // same offset of their runs. Both kinds, with removals among them.
    std::mt19937 random(5);
    std::map<DWORD, DWORD> model;
    for (DWORD i = 0; i < 3000; ++i) {
        const DWORD key = random() % 3 == 0 ? i : i * 64;
        SetCopyPtrMap(key, i % 50);
        model[key] = i % 50;
        if (random() % 4 == 0) {
            const DWORD gone = (random() % (i + 1)) * 64;
            RemoveCopyPtrMapKey(gone);
            model.erase(gone);
        }
    }
    for (const auto& [key, value] : model) {
        DWORD found = 0;
        ASSERT_EQ(LookupCopyPtrMap(key, found), 1) << "key " << key;
        EXPECT_EQ(found, value);
    }
    for (DWORD key = 0; key < 3000 * 64; key += 7) {
        DWORD found = 0;
        EXPECT_EQ(LookupCopyPtrMap(key, found), model.count(key) ? 1 : 0) << "key " << key;
    }
    for (DWORD value = 0; value < 60; ++value) {
        bool held = false;
        for (const auto& entry : model)
            held = held || entry.second == value;
        EXPECT_EQ(FindCopyPtrMapValue(value), held ? 1 : 0) << "value " << value;
    }
}

} // namespace
