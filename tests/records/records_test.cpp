// The records: the write-once label identity, the label collection (signed decimal keys, a counter
// that never resets, the 16-bit limit) and the intersection-angle collection (keys, removal).
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

std::vector<std::string> Ids(const GridLabels &labels) {
    std::vector<std::string> ids;
    for (const auto &label : labels)
        ids.push_back(label->ID());
    return ids;
}

TEST(GridLabelRecord, IdIsWriteOnceEvenWhenTheFirstIsEmpty) {
    GridLabel label, blank;
    label.SetID("mine");
    label.SetID("other");
    EXPECT_EQ(label.ID(), "mine");
    blank.SetID("");
    blank.SetID("late");
    EXPECT_EQ(blank.ID(), "");
}

TEST(GridLabelsColl, SignedDecimalKeysPositionsAndDeletion) {
    GridLabels labels;
    ExpectRaises([&] { labels.Item(1); }, kSubscriptOutOfRange);
    auto first = labels.Add("a");
    auto second = labels.Add("b");
    auto third = labels.Add("c");
    EXPECT_EQ(labels.Item(" 3"), third);
    ExpectRaises([&] { labels.Item("3"); }, kInvalidProcedureCall); // the key has its sign space
    for (int bad : {0, 4, -1})
        ExpectRaises([&] { labels.Item(bad); }, kSubscriptOutOfRange);
    first->SetID("renamed"); // a collection's labels keep the identity it gave them
    EXPECT_EQ(labels.Item(1)->ID(), " 1");

    // Deleting moves later positions up but keeps their keys; the counter never resets.
    labels.Delete(1);
    EXPECT_EQ(Ids(labels), (std::vector<std::string>{" 2", " 3"}));
    EXPECT_EQ(labels.Item(1), second);
    ExpectRaises([&] { labels.Item(" 1"); }, kInvalidProcedureCall);
    EXPECT_EQ(first->LabelString, "a"); // the host's reference lives on
    EXPECT_EQ(labels.Add("d")->ID(), " 4");
    labels.Delete(" 3");
    EXPECT_EQ(Ids(labels), (std::vector<std::string>{" 2", " 4"}));
    ExpectRaises([&] { labels.Delete(3); }, kSubscriptOutOfRange);
    ExpectRaises([&] { labels.Delete(" 9"); }, kInvalidProcedureCall);
    ExpectRaises([&] { labels.Delete(""); }, kInvalidProcedureCall);
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
    // Deleting does not free identities: the counter is spent for the life of the collection.
    labels.Delete(1);
    ExpectRaises([&] { labels.Add("still too many"); }, kOverflow);
    EXPECT_EQ(labels.Count(), 32766);
    EXPECT_EQ(labels.Item(" 32767"), last);
}

TEST(IntersectionAngles, KeysClashesAndRemoval) {
    IntersectionAnglesColl angles;
    auto keyed = angles.Add(1.0, "a");
    angles.Add(2.0);
    angles.Add(3.0, "c");
    EXPECT_EQ(keyed->Key, ""); // the key lives only in the collection
    ExpectRaises([&] { angles.Item(""); }, kInvalidProcedureCall);
    ExpectRaises([&] { angles.Item(4); }, kSubscriptOutOfRange);
    // A key clash is 457 with its standard text and changes nothing.
    EXPECT_EQ(ExpectRaises([&] { angles.Add(20.0, "a"); }, kDuplicateKey),
              "This key is already associated with an element of this collection");
    EXPECT_EQ(angles.Count(), 3);
    EXPECT_EQ(angles.Item("a"), keyed);

    angles.Remove("a");
    EXPECT_EQ(angles.Item(1)->Angle(), 2.0);
    ExpectRaises([&] { angles.Item("a"); }, kInvalidProcedureCall);
    angles.Add(4.0, "a"); // the key is free again
    angles.Remove(2);     // "c", by position: its key goes with it
    ExpectRaises([&] { angles.Item("c"); }, kInvalidProcedureCall);
    ExpectRaises([&] { angles.Remove(5); }, kSubscriptOutOfRange);
    ExpectRaises([&] { angles.Remove("zz"); }, kInvalidProcedureCall);
    std::vector<double> seen;
    for (const auto &angle : angles)
        seen.push_back(angle->Angle());
    EXPECT_EQ(seen, (std::vector<double>{2.0, 4.0}));
}

} // namespace
