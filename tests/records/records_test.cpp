// The records: labels with their write-once identity, the label collection and the
// intersection-angle collection (positions, keys, removal, identity, iteration, failures).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "parallo/records.h"

namespace {

using namespace parallo;

/// Runs a statement that must raise the platform error `number` and returns its description.
template <class F> std::string ExpectRaises(F &&statement, std::int32_t number) {
    try {
        statement();
    } catch (const Error &e) {
        EXPECT_EQ(e.Number(), number) << e.Description();
        return e.Description();
    }
    ADD_FAILURE() << "nothing raised";
    return std::string();
}

std::vector<std::string> Ids(const GridLabels &labels) { // in position order
    std::vector<std::string> ids;
    for (const auto &label : labels)
        ids.push_back(label->ID());
    return ids;
}

TEST(GridLabelRecord, IdIsWriteOnce) {
    GridLabel label; // made by the host, not by a collection
    EXPECT_EQ(label.ID(), "");
    label.SetID("mine");
    label.SetID("other");
    EXPECT_EQ(label.ID(), "mine");
    GridLabel blank;
    blank.SetID(""); // an empty first identity still counts as the first
    blank.SetID("late");
    EXPECT_EQ(blank.ID(), "");
}

TEST(GridLabelsColl, AddGivesSignedDecimalIdsAndLookupFailures) {
    GridLabels labels;
    ExpectRaises([&] { labels.Item(1); }, kSubscriptOutOfRange);
    for (int i = 1; i <= 10; ++i)
        labels.Add("L" + std::to_string(i));
    EXPECT_EQ(labels.Count(), 10);
    EXPECT_EQ(labels.Item(10)->ID(), " 10");
    EXPECT_EQ(labels.Item(" 7")->LabelString, "L7");
    ExpectRaises([&] { labels.Item("7"); }, kInvalidProcedureCall); // the key has its sign space
    for (int bad : {0, 11, -1})
        ExpectRaises([&] { labels.Item(bad); }, kSubscriptOutOfRange);
    // Item is the element itself, and a collection's labels keep the identity it gave them.
    auto added = labels.Item(1);
    labels.Item(" 1")->Angle = 45.0;
    EXPECT_EQ(added->Angle, 45.0);
    added->SetID("renamed");
    EXPECT_EQ(labels.Item(" 1")->ID(), " 1");
}

TEST(GridLabelsColl, DeleteMovesPositionsUpButKeepsKeysAndCounter) {
    GridLabels labels;
    auto first = labels.Add("a");
    auto second = labels.Add("b");
    auto third = labels.Add("c");
    labels.Delete(1);
    EXPECT_EQ(Ids(labels), (std::vector<std::string>{" 2", " 3"}));
    EXPECT_EQ(labels.Item(1), second);
    EXPECT_EQ(labels.Item(" 3"), third);
    ExpectRaises([&] { labels.Item(" 1"); }, kInvalidProcedureCall);
    EXPECT_EQ(first->LabelString, "a"); // the host's reference lives on

    EXPECT_EQ(labels.Add("d")->ID(), " 4"); // the counter never resets
    labels.Delete(" 3");
    EXPECT_EQ(Ids(labels), (std::vector<std::string>{" 2", " 4"}));
    ExpectRaises([&] { labels.Delete(3); }, kSubscriptOutOfRange);
    ExpectRaises([&] { labels.Delete(0); }, kSubscriptOutOfRange);
    ExpectRaises([&] { labels.Delete(" 9"); }, kInvalidProcedureCall);
    ExpectRaises([&] { labels.Delete(""); }, kInvalidProcedureCall);
    EXPECT_EQ(labels.Count(), 2);
    labels.Delete(2);
    labels.Delete(1);
    EXPECT_EQ(labels.Add("e")->ID(), " 5");
}

TEST(GridLabelsColl, The32768thAddOverflowsAndChangesNothing) {
    GridLabels labels;
    std::shared_ptr<GridLabel> last;
    for (int i = 0; i < 32767; ++i)
        last = labels.Add("v");
    EXPECT_EQ(last->ID(), " 32767");
    ExpectRaises([&] { labels.Add("too many"); }, kOverflow);
    EXPECT_EQ(labels.Count(), 32767);
    EXPECT_EQ(labels.Item(32767), last);
    // Deleting does not free identities: the counter is spent for the life of the collection.
    labels.Delete(1);
    ExpectRaises([&] { labels.Add("still too many"); }, kOverflow);
    EXPECT_EQ(labels.Count(), 32766);
    EXPECT_EQ(labels.Item(" 32767"), last);
}

TEST(IntersectionAngles, KeysPositionsAndFailures) {
    IntersectionAnglesColl angles;
    auto unkeyed = angles.Add(0.5);
    auto keyed = angles.Add(0.7, "a");
    EXPECT_EQ(angles.Item(1), unkeyed);
    EXPECT_EQ(angles.Item("a"), keyed);
    EXPECT_EQ(keyed->Key, ""); // the key lives only in the collection
    ExpectRaises([&] { angles.Item(""); }, kInvalidProcedureCall);
    ExpectRaises([&] { angles.Item("b"); }, kInvalidProcedureCall);
    ExpectRaises([&] { angles.Item(3); }, kSubscriptOutOfRange);
    // A key clash is 457 and changes nothing; many elements may go without a key.
    const std::string text = ExpectRaises([&] { angles.Add(20.0, "a"); }, kDuplicateKey);
    EXPECT_EQ(text, "This key is already associated with an element of this collection");
    EXPECT_EQ(angles.Count(), 2);
    EXPECT_EQ(angles.Item("a"), keyed);
    angles.Add(30.0);
    EXPECT_EQ(angles.Count(), 3);
}

TEST(IntersectionAngles, RemoveByPositionOrKeyFreesTheKey) {
    IntersectionAnglesColl angles;
    angles.Add(1.0, "a");
    angles.Add(2.0);
    angles.Add(3.0, "c");
    angles.Remove("a");
    EXPECT_EQ(angles.Item(1)->Angle(), 2.0);
    EXPECT_EQ(angles.Item("c")->Angle(), 3.0);
    ExpectRaises([&] { angles.Item("a"); }, kInvalidProcedureCall);
    angles.Add(4.0, "a"); // the key is free again
    EXPECT_EQ(angles.Item("a")->Angle(), 4.0);
    angles.Remove(2); // "c", by position: its key goes with it
    ExpectRaises([&] { angles.Item("c"); }, kInvalidProcedureCall);
    ExpectRaises([&] { angles.Remove(5); }, kSubscriptOutOfRange);
    ExpectRaises([&] { angles.Remove("zz"); }, kInvalidProcedureCall);
    std::vector<double> seen;
    for (const auto &angle : angles)
        seen.push_back(angle->Angle());
    EXPECT_EQ(seen, (std::vector<double>{2.0, 4.0}));
}

} // namespace
