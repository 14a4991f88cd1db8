// The records: the write-once label identity, the label collection (signed decimal keys, a counter
// that never resets, the 16-bit limit) and the intersection-angle collection (keys, removal).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "parallo/records.h"
#include "support/raises.h"

namespace {

using namespace parallo;

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
    EXPECT_RAISES(labels.Item(1), kSubscriptOutOfRange);
    auto first = labels.Add("a");
    auto second = labels.Add("b");
    auto third = labels.Add("c");
    EXPECT_EQ(labels.Item(" 3"), third);
    EXPECT_RAISES(labels.Item("3"), kInvalidProcedureCall); // the key has its sign space
    for (int bad : {0, 4, -1})
        EXPECT_RAISES(labels.Item(bad), kSubscriptOutOfRange);
    first->SetID("renamed"); // a collection's labels keep the identity it gave them
    EXPECT_EQ(labels.Item(1)->ID(), " 1");

    // Deleting moves later positions up but keeps their keys; the counter never resets.
    labels.Delete(1);
    EXPECT_EQ(Ids(labels), (std::vector<std::string>{" 2", " 3"}));
    EXPECT_EQ(labels.Item(1), second);
    EXPECT_RAISES(labels.Item(" 1"), kInvalidProcedureCall);
    EXPECT_EQ(first->LabelString, "a"); // the host's reference lives on
    EXPECT_EQ(labels.Add("d")->ID(), " 4");
    labels.Delete(" 3");
    EXPECT_EQ(Ids(labels), (std::vector<std::string>{" 2", " 4"}));
    EXPECT_RAISES(labels.Delete(3), kSubscriptOutOfRange);
    EXPECT_RAISES(labels.Delete(" 9"), kInvalidProcedureCall);
    EXPECT_RAISES(labels.Delete(""), kInvalidProcedureCall);
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
    EXPECT_RAISES(labels.Add("too many"), kOverflow);
    EXPECT_EQ(labels.Count(), 32767);
    // Deleting does not free identities: the counter is spent for the life of the collection.
    labels.Delete(1);
    EXPECT_RAISES(labels.Add("still too many"), kOverflow);
    EXPECT_EQ(labels.Count(), 32766);
    EXPECT_EQ(labels.Item(" 32767"), last);
}

TEST(IntersectionAngles, KeysClashesAndRemoval) {
    IntersectionAnglesColl angles;
    auto keyed = angles.Add(1.0, "a");
    angles.Add(2.0);
    angles.Add(3.0, "c");
    EXPECT_EQ(keyed->Key, ""); // the key lives only in the collection
    EXPECT_RAISES(angles.Item(""), kInvalidProcedureCall);
    EXPECT_RAISES(angles.Item(4), kSubscriptOutOfRange);
    // A key clash is 457 (its standard text is the error object's) and changes nothing.
    EXPECT_RAISES(angles.Add(20.0, "a"), kDuplicateKey);
    EXPECT_EQ(angles.Count(), 3);
    EXPECT_EQ(angles.Item("a"), keyed);

    angles.Remove("a");
    EXPECT_EQ(angles.Item(1)->Angle(), 2.0);
    EXPECT_RAISES(angles.Item("a"), kInvalidProcedureCall);
    angles.Add(4.0, "a"); // the key is free again
    angles.Remove(2);     // "c", by position: its key goes with it
    EXPECT_RAISES(angles.Item("c"), kInvalidProcedureCall);
    EXPECT_RAISES(angles.Remove(5), kSubscriptOutOfRange);
    EXPECT_RAISES(angles.Remove("zz"), kInvalidProcedureCall);
    std::vector<double> seen;
    for (const auto &angle : angles)
        seen.push_back(angle->Angle());
    EXPECT_EQ(seen, (std::vector<double>{2.0, 4.0}));
}

} // namespace
