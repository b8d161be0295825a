// The thread index: which rows a base gives, in which order, and what each row says. Bases are
// written with jamgen; damaged reply links are written as raw header values.

#include "ThreadIndex.h"
#include "JamTestBase.h"
#include "ReadState.h"
#include "ThreadListRows.h"
#include "ThreadPlan.h"
#include "ThreadRows.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using jamgen::JamBaseModel;
using jamgen::JamField;

// A message row as the reader lays it out, written out independently of the builder: number
// right-aligned in 5 columns (wider numbers in full), the read mark, the sender in 18 columns.
std::string messageRow(long long number, bool unread, const std::string& from,
                       const std::string& subj) {
    char head[64];
    std::snprintf(head, sizeof head, "  %5lld %c %-18.18s  ", number, unread ? 'N' : ' ',
                  from.c_str());
    return std::string(head) + subj;
}

std::string headerRow(int count, const std::string& subject) {
    return "Thread (" + std::to_string(count) + " msgs): " + subject;
}

class ThreadIndexTest : public jamtest::JamTest {
protected:
    // Writes the model, walks it through the files and returns every row; the screen's list,
    // built over the plan, must say the same.
    Rows Build(const JamBaseModel& model) {
        Write(model);
        reader = Open();
        if (!reader) return {};
        CollectedRows rows;
        BuildThreadIndex(*reader, readState, rows);
        screen = std::make_unique<TThreadListRows>(readState);
        BuildWholeThreadIndex(*reader, readState, *screen);
        EXPECT_EQ(RowTexts(*screen), rows.All);
        return rows.All;
    }
    // A message with the plain names of jamtest::Numbered.
    static jamgen::JamMessage& Add(JamBaseModel& model, std::uint32_t n,
                                   std::uint32_t replyTo = 0) {
        return model.AddMessage(n, "From " + std::to_string(n), "To",
                                "Subject " + std::to_string(n), 0, replyTo);
    }
    static std::string Plain(long long n) {
        return messageRow(n, true, "From " + std::to_string(n), "Subject " + std::to_string(n));
    }

    TReadState readState{std::vector<std::uint8_t>(ReadBitmapStep, 0), ""};
    std::unique_ptr<TThreadListRows> screen;
    std::unique_ptr<TJamMsgBase> reader;
};

TEST_F(ThreadIndexTest, EmptyBasesGiveNoRows) {
    EXPECT_EQ(Build(JamBaseModel()), Rows());

    JamBaseModel allDeleted = jamtest::Numbered(1, 1, 3);
    for (auto& m : allDeleted.Messages) m.Deleted = true;
    EXPECT_EQ(Build(allDeleted), Rows());
}

TEST_F(ThreadIndexTest, RepliesFollowTheirParentDepthFirst) {
    // R=1 answered by A=2 and B=4; A answered by C=3. A second thread, 5, has no replies.
    JamBaseModel model;
    Add(model, 1);
    Add(model, 2, 1);
    Add(model, 3, 2);
    Add(model, 4, 1);
    Add(model, 5);
    EXPECT_EQ(Build(model), (Rows{headerRow(4, "Subject 1"), Plain(1), Plain(2), Plain(3), Plain(4),
                                  headerRow(1, "Subject 5"), Plain(5)}));
    // The walk leaves the scan past the last message.
    EXPECT_FALSE(reader->HasCurrent());
}

TEST_F(ThreadIndexTest, ThreadsComeInTheOrderOfTheirRoots) {
    // Roots 2 and 6 interleave with replies to each other; the later root 6 has the earlier reply.
    JamBaseModel model;
    Add(model, 2);
    Add(model, 3, 6);
    Add(model, 4, 2);
    Add(model, 6);
    EXPECT_EQ(Build(model), (Rows{headerRow(2, "Subject 2"), Plain(2), Plain(4),
                                  headerRow(2, "Subject 6"), Plain(6), Plain(3)}));
}

TEST_F(ThreadIndexTest, MessageRowColumns) {
    JamBaseModel model;
    model.Header.BaseMsgNum = 40;
    model.AddMessage(42, "Sysop", "All", "Hello");
    model.AddMessage(43, "A sender with thirty letters!!", "Sysop", "Re: Hello", 0, 42);
    model.AddMessage(44, "", "", "", 0, 42);
    MarkRead(readState, 44);
    Rows rows = Build(model);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], "Thread (3 msgs): Hello");

    // Positions counted from 1, as the screen column is that plus 2.
    const std::string& r42 = rows[1];
    EXPECT_EQ(r42.substr(0, 5), "     ");
    EXPECT_EQ(r42.substr(5, 2), "42");
    EXPECT_EQ(r42[7], ' ');
    EXPECT_EQ(r42[8], 'N');
    EXPECT_EQ(r42[9], ' ');
    EXPECT_EQ(r42.substr(10, 5), "Sysop");
    EXPECT_EQ(r42.substr(15, 15), std::string(15, ' '));
    EXPECT_EQ(r42.substr(30), "Hello");

    EXPECT_EQ(rows[2], "     43 N A sender with thir  Re: Hello");
    // A read message has a blank for its mark; empty fields keep every column.
    EXPECT_EQ(rows[3], "     44" + std::string(23, ' '));
}

TEST(MessageRowTest, WideNumbersGrowTheRowAndLongSubjectsAreCutAt255) {
    const ShortStr name("Sysop");
    EXPECT_EQ(MessageRow(123456, false, name, "Hi").Str(), "  123456 N Sysop               Hi");
    EXPECT_EQ(MessageRow(-7, true, name, "").Str(), "     -7   Sysop" + std::string(15, ' '));
    const ShortStr row = MessageRow(1, false, name, ShortStr(std::string(255, 's')));
    EXPECT_EQ(row.Length(), 255u);
    EXPECT_EQ(row.Str().substr(30), std::string(225, 's'));
}

TEST_F(ThreadIndexTest, LongSubjectsAreShownWhole) {
    JamBaseModel model;
    const std::string subject(100, 's');
    model.AddMessage(1, "Sysop", "All", subject);
    model.AddMessage(2, "Sysop", "All", "Re", 0, 1);
    Rows rows = Build(model);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], headerRow(2, subject));
    EXPECT_EQ(rows[1], messageRow(1, true, "Sysop", subject));
    EXPECT_EQ(rows[1].size(), 130u);
}

TEST_F(ThreadIndexTest, AMessageLinkedFromTwoRootsIsListedUnderBoth) {
    JamBaseModel model;
    Add(model, 1);
    Add(model, 2).Overrides[JamField::Reply1st] = 3;
    Add(model, 3, 1);
    EXPECT_EQ(Build(model), (Rows{headerRow(2, "Subject 1"), Plain(1), Plain(3),
                                  headerRow(2, "Subject 2"), Plain(2), Plain(3)}));
}

TEST_F(ThreadIndexTest, RepliesWhoseParentIsGoneHeadThreadsInTheirPlace) {
    JamBaseModel model;
    Add(model, 1);
    Add(model, 2).Deleted = true;
    Add(model, 3, 2);  // its parent was deleted (purged)
    Add(model, 4, 90); // its parent never arrived
    Add(model, 5, 3);  // a reply to the orphan: listed under it
    Add(model, 6, 1).Overrides[JamField::ReplyNext] = 0;
    Add(model, 7, 1); // its parent leads only to 6: not to it
    Add(model, 8, 7);
    Add(model, 9);
    // Purged from below: the parent's number is under the base's first. A root whose ReplyNext
    // (a sibling's link) reaches a reply whose parent never arrived lists it in its thread only.
    JamBaseModel purged;
    purged.Header.BaseMsgNum = 100;
    Add(purged, 100, 42);
    Add(purged, 101, 100);
    Add(purged, 102).Overrides[JamField::ReplyNext] = 103;
    Add(purged, 103, 12000);

    EXPECT_EQ(Build(model), (Rows{headerRow(2, "Subject 1"), Plain(1), Plain(6),
                                  headerRow(2, "Subject 3"), Plain(3), Plain(5),
                                  headerRow(1, "Subject 4"), Plain(4), headerRow(2, "Subject 7"),
                                  Plain(7), Plain(8), headerRow(1, "Subject 9"), Plain(9)}));
    EXPECT_EQ(Build(purged), (Rows{headerRow(2, "Subject 100"), Plain(100), Plain(101),
                                   headerRow(2, "Subject 102"), Plain(102), Plain(103)}));
}

TEST_F(ThreadIndexTest, DamagedLinksEndAndListEachMessageOncePerThread) {
    JamBaseModel model;
    Add(model, 1);
    Add(model, 2, 1).Overrides[JamField::ReplyNext] = 2; // a self-link
    Add(model, 3, 2).Overrides[JamField::Reply1st] = 1;  // back to the root
    Add(model, 4);
    Add(model, 5, 4).Overrides[JamField::Reply1st] = 4; // back to its parent
    Add(model, 6);
    auto& six = model.Messages.back();
    six.Overrides[JamField::Reply1st] = 6; // the root itself
    six.Overrides[JamField::ReplyNext] = 1000;
    Add(model, 7);
    model.Messages.back().Overrides[JamField::Reply1st] = 0xFFFFFFFB; // -5: lands on message 1
    // Thread 7 takes in thread 1 through the link that lands on message 1, and stops where
    // thread 1's own damage loops.
    EXPECT_EQ(Build(model),
              (Rows{headerRow(3, "Subject 1"), Plain(1), Plain(2), Plain(3),
                    headerRow(2, "Subject 4"), Plain(4), Plain(5), headerRow(1, "Subject 6"),
                    Plain(6), headerRow(4, "Subject 7"), Plain(7), Plain(1), Plain(2), Plain(3)}));
}

TEST_F(ThreadIndexTest, ALinkToADeletedNumberListsTheNextMessage) {
    JamBaseModel model;
    Add(model, 1).Overrides[JamField::Reply1st] = 2;
    Add(model, 2).Deleted = true;
    Add(model, 3, 1);
    // The stale link to 2 lands on 3, the next message there is.
    EXPECT_EQ(Build(model), (Rows{headerRow(2, "Subject 1"), Plain(1), Plain(3)}));
}

TEST_F(ThreadIndexTest, AHeaderWhoseNumberPointsBackDoesNotRestartTheWalk) {
    JamBaseModel model = jamtest::Numbered(1, 1, 5);
    model.Messages[3].Overrides[JamField::MsgNum] = 1; // message 4 claims to be message 1
    Rows rows = Build(model);
    ASSERT_EQ(rows.size(), 10u);
    for (int n = 1; n <= 5; ++n) {
        const std::string subject = "Subject " + std::to_string(n);
        EXPECT_EQ(rows[2 * (n - 1)], headerRow(1, subject));
        EXPECT_EQ(rows[2 * (n - 1) + 1].substr(30), subject);
        // The row shows the number the index gives, so Enter opens the message listed.
        EXPECT_EQ(RowNumber(ShortStr(rows[2 * n - 1])), n);
        EXPECT_EQ(screen->Number(2 * n), n);
    }
}

TEST_F(ThreadIndexTest, NumbersOfSixOrMoreDigitsAreShownWholeAndReadBack) {
    JamBaseModel model;
    model.Header.BaseMsgNum = 999998;
    Add(model, 999998);
    Add(model, 999999, 999998);
    Add(model, 1000000, 999999);
    Rows rows = Build(model);
    EXPECT_EQ(rows,
              (Rows{headerRow(3, "Subject 999998"), Plain(999998), Plain(999999), Plain(1000000)}));
    std::map<std::int32_t, std::int32_t> shown;
    for (std::int32_t i = 1; i <= screen->Count(); ++i) {
        const ShortStr row(rows[static_cast<std::size_t>(i - 1)]);
        shown[i] = screen->Number(i);
        if (i > 1) {
            EXPECT_EQ(row[ReadMarkIndex(row)], 'N') << row.Str();
        }
    }
    EXPECT_EQ(shown, (std::map<std::int32_t, std::int32_t>{
                         {1, 0}, {2, 999998}, {3, 999999}, {4, 1000000}}));
}

TEST_F(ThreadIndexTest, TheHighestNumbersReadBack) {
    JamBaseModel model;
    model.Header.BaseMsgNum = 2147483646;
    Add(model, 2147483646);
    Add(model, 2147483647, 2147483646);
    Rows rows = Build(model);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], Plain(2147483647));
    EXPECT_EQ(screen->Number(3), 2147483647);
    EXPECT_EQ(RowNumber(ShortStr(rows[2])), 2147483647);
}

TEST_F(ThreadIndexTest, RowsThatReadAsNoNumber) {
    EXPECT_EQ(RowNumber(ShortStr("Thread (4 msgs): Hello")), 0);
    EXPECT_EQ(RowNumber(ShortStr("Thread")), 0);
    EXPECT_EQ(RowNumber(ShortStr("")), 0);
    EXPECT_EQ(RowNumber(ShortStr("  99999999999 N x")), 0); // beyond any message number
}

TEST_F(ThreadIndexTest, AChainOfTwoHundredThousandRepliesIsListedWhole) {
    JamBaseModel model;
    constexpr std::uint32_t count = 200000;
    for (std::uint32_t n = 1; n <= count; ++n) Add(model, n, n - 1);
    Rows rows = Build(model);
    ASSERT_EQ(rows.size(), count + 1);
    EXPECT_EQ(rows[0], headerRow(200000, "Subject 1"));
    EXPECT_EQ(rows[1], Plain(1));
    EXPECT_EQ(rows[count], Plain(count));
    EXPECT_EQ(screen->HeaderOf(static_cast<std::int32_t>(count) + 1), 1);
    EXPECT_EQ(screen->ThreadSize(1), 200000);
}

} // namespace
