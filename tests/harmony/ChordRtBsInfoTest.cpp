// Root and bass spellings: parsing typed names, the pickers, the names a
// shape is filed under, and numbers outside the table.

#include "harmony/ChordRtBsInfo.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

namespace {

class ChordRtBsInfoTest : public kvtest::KvTest {};

std::string Str(const CString& text)
{
    return std::string(text.View());
}

template <class Control>
std::vector<std::string> Items(Control& control)
{
    std::vector<std::string> items;
    for (int i = 0; i < control.GetCount(); ++i) {
        CString text;
        if constexpr (std::is_same_v<Control, CComboBox>)
            control.GetLBText(i, text);
        else
            control.GetText(i, text);
        items.push_back(Str(text));
    }
    return items;
}

const std::vector<std::string> kPickerNames = {"B#", "C",  "C#", "Db", "D",  "D#", "Eb", "E",  "E#", "Fb", "F",
                                               "F#", "Gb", "G",  "G#", "Ab", "A",  "A#", "Bb", "B",  "Cb", "H"};

TEST_F(ChordRtBsInfoTest, ParsingTakesTheNoteNameOffTheText)
{
    struct Case {
        const char* text;
        short bass;
        const char* left;
    };
    const Case cases[] = {
        {"Db", 3, ""}, {"E#", 8, ""},  {"Fb", 7, ""},   {"Cb", 18, ""},   {"B#", 1, ""},  {"X", 0, ""},
        {"X#", 1, ""}, {"Xb", 18, ""}, {"c7", 0, "c7"}, {"H", 0, "H"},    {"", 0, ""},
        // Only an accidental wraps the number: "Xm" is no bass followed by "m".
        {"Xm", 0, "m"},
    };
    for (const Case& c : cases) {
        CString text(c.text);
        EXPECT_EQ(procChordRtBsInfo.GetBaseNoFromStr(text), c.bass) << c.text;
        EXPECT_EQ(Str(text), c.left) << c.text;
    }
    CString chord("C#m7");
    EXPECT_EQ(procChordRtBsInfo.GetRootNoFromStr(chord), 1);
    EXPECT_EQ(Str(chord), "m7");
    CString noBass("Xm");
    EXPECT_EQ(procChordRtBsInfo.GetRootNoFromStr(noBass), 0);
}

TEST_F(ChordRtBsInfoTest, PickersListTheSpellingsInPickerOrder)
{
    host.SetString(25114, "(none)");
    CListBox roots;
    roots.AddString("old");
    procChordRtBsInfo.SetRootNamesToList(roots);
    EXPECT_EQ(Items(roots), kPickerNames);

    CComboBox basses;
    procChordRtBsInfo.SetBaseNamesToCombo(basses);
    std::vector<std::string> expected = {"(none)"};
    expected.insert(expected.end(), kPickerNames.begin(), kPickerNames.end());
    EXPECT_EQ(Items(basses), expected);

    // A picked index gives back the number whose name stands there.
    for (short i = 0; i < 22; ++i)
        EXPECT_EQ(Str(procChordRtBsInfo.GetRootName(procChordRtBsInfo.GetRootNoFromIndex(i))), kPickerNames[i]);
    EXPECT_EQ(procChordRtBsInfo.GetBaseNoFromIndex(0), 0);
    EXPECT_EQ(procChordRtBsInfo.GetBaseNoFromIndex(1), 19);
    EXPECT_EQ(procChordRtBsInfo.GetRootNoFromIndex(22), 0);
    EXPECT_EQ(procChordRtBsInfo.GetRootNoFromIndex(-1), 0);
}

TEST_F(ChordRtBsInfoTest, FiledNamesAndPitches)
{
    EXPECT_EQ(Str(procChordRtBsInfo.GetRealRootName(2)), "C#");
    EXPECT_EQ(Str(procChordRtBsInfo.GetRealRootName(15)), "A#");
    EXPECT_EQ(Str(procChordRtBsInfo.GetRealRootName(17)), "Cb");
    EXPECT_EQ(Str(procChordRtBsInfo.GetRealRootName(21)), "Fb");
    EXPECT_EQ(Str(procChordRtBsInfo.GetRealBaseName(3)), "C#");
    EXPECT_EQ(Str(procChordRtBsInfo.GetRealBaseName(8)), "F");
    EXPECT_EQ(Str(procChordRtBsInfo.GetRealBaseName(0)), "");
    EXPECT_EQ(procChordRtBsInfo.GetRootTemp(2), 'b');
    EXPECT_EQ(procChordRtBsInfo.GetBaseTemp(2), '#');
    EXPECT_EQ(procChordRtBsInfo.GetRootMidiKey(21), 4);
    EXPECT_EQ(procChordRtBsInfo.GetBaseMidiKey(22), 4);
    EXPECT_EQ(procChordRtBsInfo.GetBaseMidiKey(0), -1);

    // A copy holds the same table.
    CChordRtBsInfoProc copy(procChordRtBsInfo);
    for (short r = 0; r < 22; ++r)
        EXPECT_EQ(Str(copy.GetRootName(r)), Str(procChordRtBsInfo.GetRootName(r)));
}

TEST_F(ChordRtBsInfoTest, NumbersOutsideTheTableGiveNothing)
{
    for (short root : {22, -1, 300}) {
        EXPECT_EQ(Str(procChordRtBsInfo.GetRootName(root)), "") << root;
        EXPECT_EQ(Str(procChordRtBsInfo.GetRealRootName(root)), "") << root;
        EXPECT_EQ(procChordRtBsInfo.GetRootTemp(root), 0) << root;
        EXPECT_EQ(procChordRtBsInfo.GetRootMidiKey(root), -1) << root;
    }
    for (short bass : {23, -1}) {
        EXPECT_EQ(Str(procChordRtBsInfo.GetBaseName(bass)), "") << bass;
        EXPECT_EQ(Str(procChordRtBsInfo.GetRealBaseName(bass)), "") << bass;
        EXPECT_EQ(procChordRtBsInfo.GetBaseTemp(bass), 0) << bass;
        EXPECT_EQ(procChordRtBsInfo.GetBaseMidiKey(bass), -1) << bass;
    }
}

} // namespace
