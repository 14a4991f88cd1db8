// The records' out-of-line parts: the write-once label identity, the label collection with its
// never-resetting 16-bit counter, and the intersection-angle collection. None catches anything:
// the collection failures (9, 5, 457) and the counter's Overflow reach the caller.
#include <memory>

#include "parallo/records.h"
#include "platform/numbers.h"

namespace parallo {

// ---- GridLabel ----------------------------------------------------------------------------

void GridLabel::SetID(const std::string &id) {
    if (idSet_) return; // the identity a collection keys the label by never changes
    id_ = id;
    idSet_ = true;
}

// ---- GridLabels ---------------------------------------------------------------------------

std::shared_ptr<GridLabel> GridLabels::Add(const std::string &label) {
    // The counter advances only once the label is in the collection, so a failing call (the
    // 32768th, whose count does not fit in 16 bits) leaves everything as it was.
    const std::int16_t next = platform::Add16(counter_, 1);
    auto item = std::make_shared<GridLabel>();
    item->SetID(platform::Str(next));
    item->LabelString = label;
    labels_.Add(item, item->ID());
    counter_ = next;
    return item;
}

std::shared_ptr<GridLabel> GridLabels::Item(std::int32_t index) const { return labels_.Item(index); }

std::shared_ptr<GridLabel> GridLabels::Item(const std::string &key) const { return labels_.Item(key); }

void GridLabels::Delete(std::int32_t index) { labels_.Remove(index); }

void GridLabels::Delete(const std::string &key) { labels_.Remove(key); }

// ---- IntersectionAnglesColl ---------------------------------------------------------------

std::shared_ptr<IntersectionAngleCls> IntersectionAnglesColl::Add(double angle, const std::string &sKey) {
    auto item = std::make_shared<IntersectionAngleCls>();
    item->SetAngle(angle);
    angles_.Add(item, sKey); // an empty key appends without a key; Key stays empty either way
    return item;
}

std::shared_ptr<IntersectionAngleCls> IntersectionAnglesColl::Item(std::int32_t index) const {
    return angles_.Item(index);
}

std::shared_ptr<IntersectionAngleCls> IntersectionAnglesColl::Item(const std::string &key) const {
    return angles_.Item(key);
}

void IntersectionAnglesColl::Remove(std::int32_t index) { angles_.Remove(index); }

void IntersectionAnglesColl::Remove(const std::string &key) { angles_.Remove(key); }

} // namespace parallo
