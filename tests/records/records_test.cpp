// The records: label parts, labels with their write-once identity, the label collection and the
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

std::vector<std::string> Ids(const GridLabels &labels) {
    std::vector<std::string> ids;
    for (const auto &label : labels)
        ids.push_back(label->ID());
    return ids;
}

// ---- LabelPartCls -------------------------------------------------------------------------

TEST(LabelPart, DefaultsAndAccessors) {
    LabelPartCls part;
    EXPECT_EQ(part.Font(), nullptr);
    EXPECT_EQ(part.FontType(), pxgrdFontType_Normal);
    EXPECT_EQ(part.Text(), "");
    EXPECT_FALSE(part.bDisplay());
    part.SetFontType(pxgrdFontType_Subscript);
    part.SetText("12");
    part.SetbDisplay(true);
    EXPECT_EQ(part.FontType(), pxgrdFontType_Subscript);
    EXPECT_EQ(part.Text(), "12");
    EXPECT_TRUE(part.bDisplay());
    part.SetFont(nullptr);
    EXPECT_EQ(part.Font(), nullptr);
}

TEST(LabelPart, PartsGivenOneFontShareItsLaterChanges) {
    auto font = std::make_shared<StdFont>();
    font->Name = "Sans";
    font->Size = 8.0;
    LabelPartCls a;
    LabelPartCls b;
    a.SetFont(font);
    b.SetFont(font);
    font->Bold = true;
    font->Size = 10.0;
    EXPECT_EQ(a.Font().get(), b.Font().get());
    EXPECT_TRUE(b.Font()->Bold);
    EXPECT_EQ(a.Font()->Size, 10.0);
    a.Font()->Italic = true; // a change through one part is seen by the other and the host
    EXPECT_TRUE(b.Font()->Italic);
    EXPECT_TRUE(font->Italic);
}

// ---- GridLabel ----------------------------------------------------------------------------

TEST(GridLabelRecord, DefaultsAreEmpty) {
    GridLabel label;
    EXPECT_EQ(label.ID(), "");
    EXPECT_EQ(label.LabelString, "");
    EXPECT_EQ(label.LabelStringHemisphere, "");
    EXPECT_EQ(label.Origin, nullptr);
    EXPECT_EQ(label.Angle, 0.0);
    EXPECT_EQ(label.LabelAxis, pxgrdNorth);
    EXPECT_EQ(label.HorizontalJustification, drawkit::kHorizontalUnset);
    EXPECT_EQ(label.VerticalJustification, drawkit::kVerticalUnset);
}

TEST(GridLabelRecord, IdIsWriteOnce) {
    GridLabel label; // made by the host, not by a collection
    label.SetID("mine");
    EXPECT_EQ(label.ID(), "mine");
    label.SetID("other");
    EXPECT_EQ(label.ID(), "mine");
    GridLabel blank;
    blank.SetID(""); // an empty first identity still counts as the first
    blank.SetID("late");
    EXPECT_EQ(blank.ID(), "");
}

TEST(GridLabelRecord, OriginIsHeldByReference) {
    GridLabel label;
    auto origin = std::make_shared<shapekit::Point>(1.0, 2.0);
    label.Origin = origin;
    origin->x = 5.0;
    EXPECT_EQ(label.Origin->x, 5.0);
}

// ---- GridLabels ---------------------------------------------------------------------------

TEST(GridLabelsColl, NewCollectionIsEmpty) {
    GridLabels labels;
    EXPECT_EQ(labels.Count(), 0);
    EXPECT_TRUE(Ids(labels).empty());
    EXPECT_TRUE(labels.begin() == labels.end());
    ExpectRaises([&] { labels.Item(1); }, kSubscriptOutOfRange);
    ExpectRaises([&] { labels.Item(" 1"); }, kInvalidProcedureCall);
}

TEST(GridLabelsColl, AddGivesSignedDecimalIdsAndKeepsTheText) {
    GridLabels labels;
    for (int i = 1; i <= 10; ++i)
        labels.Add("L" + std::to_string(i));
    EXPECT_EQ(labels.Count(), 10);
    EXPECT_EQ(labels.Item(1)->ID(), " 1");
    EXPECT_EQ(labels.Item(10)->ID(), " 10");
    EXPECT_EQ(labels.Item(" 7")->LabelString, "L7");
    ExpectRaises([&] { labels.Item("7"); }, kInvalidProcedureCall); // the key has its sign space
    ExpectRaises([&] { labels.Item(0); }, kSubscriptOutOfRange);
    ExpectRaises([&] { labels.Item(11); }, kSubscriptOutOfRange);
    ExpectRaises([&] { labels.Item(-1); }, kSubscriptOutOfRange);
}

TEST(GridLabelsColl, DeleteMovesPositionsUpButKeepsKeysAndCounter) {
    GridLabels labels;
    auto first = labels.Add("a");
    auto second = labels.Add("b");
    auto third = labels.Add("c");
    EXPECT_EQ(Ids(labels), (std::vector<std::string>{" 1", " 2", " 3"}));

    labels.Delete(1);
    EXPECT_EQ(labels.Count(), 2);
    EXPECT_EQ(labels.Item(1), second);
    EXPECT_EQ(labels.Item(1)->ID(), " 2");
    EXPECT_EQ(labels.Item(" 3"), third);
    ExpectRaises([&] { labels.Item(" 1"); }, kInvalidProcedureCall);
    EXPECT_EQ(first->LabelString, "a"); // the host's reference lives on

    auto fourth = labels.Add("d"); // the counter never resets
    EXPECT_EQ(fourth->ID(), " 4");
    labels.Delete(" 3");
    EXPECT_EQ(Ids(labels), (std::vector<std::string>{" 2", " 4"}));
    labels.Delete(2);
    labels.Delete(1);
    EXPECT_EQ(labels.Count(), 0);
    EXPECT_EQ(labels.Add("e")->ID(), " 5");
}

TEST(GridLabelsColl, DeleteOfAMissingLabelFailsAndChangesNothing) {
    GridLabels labels;
    labels.Add("a");
    ExpectRaises([&] { labels.Delete(2); }, kSubscriptOutOfRange);
    ExpectRaises([&] { labels.Delete(0); }, kSubscriptOutOfRange);
    ExpectRaises([&] { labels.Delete(" 9"); }, kInvalidProcedureCall);
    ExpectRaises([&] { labels.Delete(""); }, kInvalidProcedureCall);
    EXPECT_EQ(labels.Count(), 1);
}

TEST(GridLabelsColl, ItemIsTheSameObjectAsTheElement) {
    GridLabels labels;
    auto added = labels.Add("x");
    labels.Item(1)->Angle = 45.0;
    labels.Item(" 1")->LabelAxis = pxgrdEast;
    EXPECT_EQ(added->Angle, 45.0);
    EXPECT_EQ(added->LabelAxis, pxgrdEast);
    added->LabelStringA = "12";
    EXPECT_EQ(labels.Item(1)->LabelStringA, "12");
    // A collection's labels keep the identity it gave them.
    added->SetID("renamed");
    EXPECT_EQ(labels.Item(" 1")->ID(), " 1");
}

TEST(GridLabelsColl, RangeForWalksInPositionOrder) {
    GridLabels labels;
    for (const char *text : {"w", "x", "y", "z"})
        labels.Add(text);
    labels.Delete(2);
    std::string seen;
    for (const auto &label : labels)
        seen += label->LabelString;
    EXPECT_EQ(seen, "wyz");
}

TEST(GridLabelsColl, LabelsOutliveTheirCollection) {
    std::shared_ptr<GridLabel> kept;
    {
        GridLabels labels;
        kept = labels.Add("survivor");
    }
    EXPECT_EQ(kept->LabelString, "survivor");
    EXPECT_EQ(kept.use_count(), 1);
}

TEST(GridLabelsColl, The32768thAddOverflowsAndChangesNothing) {
    GridLabels labels;
    std::shared_ptr<GridLabel> last;
    for (int i = 0; i < 32767; ++i)
        last = labels.Add("v");
    EXPECT_EQ(last->ID(), " 32767");
    EXPECT_EQ(labels.Count(), 32767);

    ExpectRaises([&] { labels.Add("too many"); }, kOverflow);
    EXPECT_EQ(labels.Count(), 32767);
    EXPECT_EQ(labels.Item(32767), last);

    // Deleting does not free identities: the counter is spent for the life of the collection.
    labels.Delete(1);
    ExpectRaises([&] { labels.Add("still too many"); }, kOverflow);
    EXPECT_EQ(labels.Count(), 32766);
    EXPECT_EQ(labels.Item(" 32767"), last);
}

// ---- IntersectionAngleCls and IntersectionAnglesColl ---------------------------------------

TEST(IntersectionAngle, DefaultsAndAccessors) {
    IntersectionAngleCls angle;
    EXPECT_EQ(angle.Key, "");
    EXPECT_EQ(angle.Angle(), 0.0);
    angle.SetAngle(270.0);
    angle.Key = "free";
    EXPECT_EQ(angle.Angle(), 270.0);
    EXPECT_EQ(angle.Key, "free");
}

TEST(IntersectionAngles, WithoutKeyOnlyByPositionWithKeyBothWays) {
    IntersectionAnglesColl angles;
    EXPECT_EQ(angles.Count(), 0);
    auto unkeyed = angles.Add(0.5);
    auto keyed = angles.Add(0.7, "a");
    EXPECT_EQ(angles.Count(), 2);
    EXPECT_EQ(angles.Item(1), unkeyed);
    EXPECT_EQ(angles.Item(2), keyed);
    EXPECT_EQ(angles.Item("a"), keyed);
    EXPECT_EQ(angles.Item("a")->Angle(), 0.7);
    EXPECT_EQ(keyed->Key, ""); // the key lives only in the collection
    ExpectRaises([&] { angles.Item(""); }, kInvalidProcedureCall);
    ExpectRaises([&] { angles.Item("b"); }, kInvalidProcedureCall);
    ExpectRaises([&] { angles.Item(3); }, kSubscriptOutOfRange);
}

TEST(IntersectionAngles, KeyClashIs457AndChangesNothing) {
    IntersectionAnglesColl angles;
    auto first = angles.Add(10.0, "k");
    const std::string text = ExpectRaises([&] { angles.Add(20.0, "k"); }, kDuplicateKey);
    EXPECT_EQ(text, "This key is already associated with an element of this collection");
    EXPECT_EQ(angles.Count(), 1);
    EXPECT_EQ(angles.Item("k"), first);
    // Many elements may go without a key.
    angles.Add(30.0);
    angles.Add(40.0);
    EXPECT_EQ(angles.Count(), 3);
}

TEST(IntersectionAngles, RemoveByPositionOrKeyFreesTheKey) {
    IntersectionAnglesColl angles;
    angles.Add(1.0, "a");
    angles.Add(2.0);
    angles.Add(3.0, "c");
    angles.Remove("a");
    EXPECT_EQ(angles.Count(), 2);
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

TEST(IntersectionAngles, ElementIsShared) {
    IntersectionAnglesColl angles;
    auto added = angles.Add(90.0, "n");
    angles.Item("n")->SetAngle(180.0);
    EXPECT_EQ(added->Angle(), 180.0);
}

} // namespace
