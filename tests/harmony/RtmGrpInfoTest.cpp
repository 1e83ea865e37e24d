// Rhythm-pattern groups: group files, the group folder, the host's pickers
// and copies of the group list.

#include "harmony/ChordRtBsInfo.h"
#include "harmony/RtmGrpInfo.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries EntriesOf(const CRtmGrpInfo& group)
{
    Entries entries;
    for (POSITION pos = group.GetFirstRtmInfoPos(); pos;) {
        const RHYTHM_INFO* info = group.GetNextRtmInfo(pos);
        entries.emplace_back(std::string(info->m_strPatName), std::string(info->m_strFileName));
    }
    return entries;
}

CRtmGrpInfo* MakeGroup(const char* name, const Entries& entries)
{
    auto* group = new CRtmGrpInfo;
    group->m_strGrpName = name;
    for (const auto& [pattern, file] : entries) {
        auto* info = new RHYTHM_INFO;
        info->m_strPatName = pattern.c_str();
        info->m_strFileName = file.c_str();
        group->AddRtmInfo(info);
    }
    return group;
}

// The group itself, not its entries, goes into the list.
void AddGroup(CRtmGrpInfoProc& groups, CRtmGrpInfo* group)
{
    groups.AddTail(static_cast<void*>(group));
}

std::vector<std::string> GroupNames(const CRtmGrpInfoProc& groups)
{
    std::vector<std::string> names;
    for (POSITION pos = groups.GetHeadPosition(); pos;)
        names.emplace_back(static_cast<CRtmGrpInfo*>(groups.GetNext(pos))->m_strGrpName);
    return names;
}

class RtmGrpInfoTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        host.SetString(125, "rgp");
        std::filesystem::create_directories(TempDir() / "prog");
        std::strcpy(szCurDirectory, (TempDir() / "prog").c_str());
    }

    void FillTwoGroups()
    {
        AddGroup(procRtmGrpInfo, MakeGroup("Latin/Bossa", {{"Samba", "samba1.kvc"}}));
        AddGroup(procRtmGrpInfo, MakeGroup("Rock", {{"Straight", "rock1.kvc"}, {"Shuffle", "rock2.kvc"}}));
    }

    // The entries that a group file of these bytes gives.
    Entries ReadBytes(const std::string& bytes, int* result = nullptr)
    {
        WriteFile("prog/Rhythm/G.rgp", bytes);
        CRtmGrpInfo group;
        group.m_strGrpName = "G";
        const int ok = group.ReadRtmInfos("Rhythm");
        if (result)
            *result = ok;
        return EntriesOf(group);
    }
};

TEST_F(RtmGrpInfoTest, FolderWritesOneFilePerGroupAndReadsThemBack)
{
    FillTwoGroups();
    EXPECT_EQ(procRtmGrpInfo.WriteGroupInfos("Rhythm"), 1);
    EXPECT_EQ(ReadFile(TempDir() / "prog/Rhythm/Latin~Bossa.rgp"), "Samba=samba1.kvc\r\n");
    EXPECT_EQ(ReadFile(TempDir() / "prog/Rhythm/Rock.rgp"), "Straight=rock1.kvc\r\nShuffle=rock2.kvc\r\n");
    // The names are kept with their slash.
    EXPECT_EQ(GroupNames(procRtmGrpInfo), (std::vector<std::string>{"Latin/Bossa", "Rock"}));

    WriteFile("prog/Rhythm/Empty.rgp", "");
    ASSERT_TRUE(procRtmGrpInfo.FindAndSetCurRtmGrp("Rock"));
    EXPECT_EQ(procRtmGrpInfo.ReadGroupInfos("Rhythm"), 1);
    EXPECT_EQ(GroupNames(procRtmGrpInfo), (std::vector<std::string>{"Empty", "Latin/Bossa", "Rock"}));
    EXPECT_EQ(procRtmGrpInfo.m_pCurGrpInfo, nullptr);
    POSITION rock = procRtmGrpInfo.FindRtmGrpName("Rock");
    ASSERT_NE(rock, nullptr);
    EXPECT_EQ(EntriesOf(*static_cast<CRtmGrpInfo*>(procRtmGrpInfo.GetAt(rock))),
              (Entries{{"Straight", "rock1.kvc"}, {"Shuffle", "rock2.kvc"}}));

    CString name = "Rock";
    EXPECT_EQ(procRtmGrpInfo.DelGroupInfo(name), 1);
    EXPECT_TRUE(std::filesystem::exists(TempDir() / "prog/Rhythm/Rock.rgp"));
    name = "Nope";
    EXPECT_EQ(procRtmGrpInfo.DelGroupInfo(name), 0);

    EXPECT_EQ(procRtmGrpInfo.ReadGroupInfos("Missing"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(TempDir() / "prog/Missing"));
    EXPECT_TRUE(procRtmGrpInfo.IsEmpty());
}

TEST_F(RtmGrpInfoTest, GroupFileLinesAndDamagedFiles)
{
    EXPECT_EQ(ReadBytes("A=a.kvc\r\nB=b.kvc"), (Entries{{"A", "a.kvc"}, {"B", "b.kvc"}}));
    EXPECT_EQ(ReadBytes("\r\nA=a\r\n\r\n"), (Entries{{"A", "a"}}));
    // Lone CRs end lines without eating the next name's first character.
    EXPECT_EQ(ReadBytes("A=a\r\rB=b"), (Entries{{"A", "a"}, {"B", "b"}}));
    // A line without '=' runs into the next name.
    EXPECT_EQ(ReadBytes("junk\r\nA=a\r\n"), (Entries{{"junk\r\nA", "a"}}));
    EXPECT_EQ(ReadBytes("A="), (Entries{{"A", ""}}));

    const std::string full = "One=1.kvc\r\nTwo=2.kvc\r\nThree=3.kvc\r\n";
    const Entries all{{"One", "1.kvc"}, {"Two", "2.kvc"}, {"Three", "3.kvc"}};
    const size_t boundaries[] = {11, 22, 35};
    for (size_t lines = 0; lines < 3; ++lines) {
        SCOPED_TRACE(lines);
        EXPECT_EQ(ReadBytes(full.substr(0, boundaries[lines])),
                  Entries(all.begin(), all.begin() + static_cast<long>(lines + 1)));
    }

    int result = -1;
    EXPECT_TRUE(ReadBytes("", &result).empty());
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(ReadBytes(std::string(17u * 1024u * 1024u, 'x') + "=y", &result).empty());
    EXPECT_EQ(result, 0);
}

TEST_F(RtmGrpInfoTest, UnsafeGroupNamesWriteNothing)
{
    std::filesystem::create_directories(TempDir() / "prog/Rhythm");
    for (const char* name : {"a\\b", "x:y", "..", "a/b", "tab\there"}) {
        SCOPED_TRACE(name);
        std::unique_ptr<CRtmGrpInfo> group(MakeGroup(name, {{"P", "p.kvc"}}));
        EXPECT_EQ(group->WriteRtmInfos("Rhythm"), 0);
    }
    AddGroup(procRtmGrpInfo, MakeGroup("a\\b", {{"P", "p.kvc"}}));
    AddGroup(procRtmGrpInfo, MakeGroup("ok", {{"P", "p.kvc"}}));
    EXPECT_EQ(procRtmGrpInfo.WriteGroupInfos("Rhythm"), 1);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TempDir() / "prog"))
        if (entry.is_regular_file())
            files.push_back(entry.path().filename().string());
    EXPECT_EQ(files, (std::vector<std::string>{"ok.rgp"}));
}

TEST_F(RtmGrpInfoTest, WrittenGroupReadsBackAndWritesIdentically)
{
    std::unique_ptr<CRtmGrpInfo> group(MakeGroup("G", {{"A b", "x y.kvc"}, {"", "empty.kvc"}, {"C", ""}}));
    std::filesystem::create_directories(TempDir() / "prog/Rhythm");
    ASSERT_EQ(group->WriteRtmInfos("Rhythm"), 1);
    const std::string first = ReadFile(TempDir() / "prog/Rhythm/G.rgp");
    CRtmGrpInfo back;
    back.m_strGrpName = "G";
    ASSERT_EQ(back.ReadRtmInfos("Rhythm"), 1);
    EXPECT_EQ(EntriesOf(back), EntriesOf(*group));
    ASSERT_EQ(back.WriteRtmInfos("Rhythm"), 1);
    EXPECT_EQ(ReadFile(TempDir() / "prog/Rhythm/G.rgp"), first);
}

TEST_F(RtmGrpInfoTest, PickersDriveTheCurrentGroupAndPattern)
{
    FillTwoGroups();
    CComboBox groups;
    EXPECT_EQ(procRtmGrpInfo.SetGroupNamesToCombo(groups), 1);
    ASSERT_EQ(groups.GetCount(), 2);
    EXPECT_EQ(procRtmGrpInfo.GetCurGrpFromComboSel(groups), -1);
    EXPECT_EQ(procRtmGrpInfo.m_pCurGrpInfo, nullptr);
    // Nothing current: the pattern search changes nothing, the forwarders
    // give -1.
    EXPECT_EQ(procRtmGrpInfo.FindAndSetCurRtmPat("Samba"), 1);
    CListBox patterns;
    EXPECT_EQ(procRtmGrpInfo.SetCurRtmSelInList(patterns), -1);
    EXPECT_EQ(procRtmGrpInfo.GetCurRtmFromListSel(patterns), -1);
    EXPECT_EQ(procRtmGrpInfo.GetCurRtmFromComboSel(groups), -1);

    groups.SetCurSel(1);
    EXPECT_EQ(procRtmGrpInfo.GetCurGrpFromComboSel(groups), 1);
    ASSERT_NE(procRtmGrpInfo.m_pCurGrpInfo, nullptr);
    EXPECT_EQ(procRtmGrpInfo.m_pCurGrpInfo->m_strGrpName, CString("Rock"));
    EXPECT_EQ(procRtmGrpInfo.SetCurGrpSelInCombo(groups), 1);

    CRtmGrpInfo* rock = procRtmGrpInfo.m_pCurGrpInfo;
    rock->SetRtmNamesToList(patterns);
    patterns.AddString("shuffle");
    EXPECT_EQ(procRtmGrpInfo.FindAndSetCurRtmPat("shuffle"), 0);
    EXPECT_EQ(procRtmGrpInfo.FindAndSetCurRtmPat("Shuffle"), 1);
    EXPECT_EQ(procRtmGrpInfo.SetCurRtmSelInList(patterns), 1);
    EXPECT_EQ(patterns.GetCurSel(), 1);

    patterns.SetCurSel(-1);
    EXPECT_EQ(procRtmGrpInfo.GetCurRtmFromListSel(patterns), -1);
    EXPECT_EQ(rock->m_pCurRtmInfo, nullptr);
    patterns.SetCurSel(0);
    EXPECT_EQ(procRtmGrpInfo.GetCurRtmFromListSel(patterns), 0);
    ASSERT_NE(rock->m_pCurRtmInfo, nullptr);
    EXPECT_EQ(rock->m_pCurRtmInfo->m_strPatName, CString("Straight"));

    // Deleting the current pattern or group clears the pointer.
    rock->DeleteAt(rock->FindRtmPatName("Straight"));
    EXPECT_EQ(rock->m_pCurRtmInfo, nullptr);
    CString name = "Rock";
    procRtmGrpInfo.DelGroupInfo(name);
    EXPECT_EQ(procRtmGrpInfo.m_pCurGrpInfo, nullptr);
}

TEST_F(RtmGrpInfoTest, CopiesAreDeepAndKeepTheCurrentByName)
{
    FillTwoGroups();
    procRtmGrpInfo.FindAndSetCurRtmGrp("Rock");
    procRtmGrpInfo.FindAndSetCurRtmPat("Shuffle");
    CRtmGrpInfoProc copy;
    AddGroup(copy, MakeGroup("Old", {}));
    copy = procRtmGrpInfo;
    EXPECT_EQ(GroupNames(copy), (std::vector<std::string>{"Latin/Bossa", "Rock"}));
    ASSERT_NE(copy.m_pCurGrpInfo, nullptr);
    EXPECT_NE(copy.m_pCurGrpInfo, procRtmGrpInfo.m_pCurGrpInfo);
    EXPECT_EQ(copy.m_pCurGrpInfo->m_strGrpName, CString("Rock"));
    ASSERT_NE(copy.m_pCurGrpInfo->m_pCurRtmInfo, nullptr);
    EXPECT_NE(copy.m_pCurGrpInfo->m_pCurRtmInfo, procRtmGrpInfo.m_pCurGrpInfo->m_pCurRtmInfo);
    EXPECT_EQ(copy.m_pCurGrpInfo->m_pCurRtmInfo->m_strPatName, CString("Shuffle"));
    EXPECT_EQ(EntriesOf(*copy.m_pCurGrpInfo), EntriesOf(*procRtmGrpInfo.m_pCurGrpInfo));
}

} // namespace
