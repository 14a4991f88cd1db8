// The public records: label parts, labels, the label collection and intersection angles.
#ifndef PARALLO_RECORDS_H
#define PARALLO_RECORDS_H

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "parallo/drawkit.h"
#include "parallo/enums.h"
#include "parallo/error.h"
#include "parallo/export.h"
#include "parallo/shapekit.h"
#include "parallo/stdfont.h"

namespace parallo {

/// An ordered collection of object references with 1-based positions and optional unique text
/// keys. Item, Remove: 9 for a position out of range, 5 for an unknown key; Add: 457 for a key
/// already present.
template <class T> class KeyedCollection {
public:
    using Element = std::shared_ptr<T>;

    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }

    void Add(Element item, const std::string& key = std::string());
    const Element& Item(std::int32_t position) const;
    const Element& Item(const std::string& key) const;
    void Remove(std::int32_t position);
    void Remove(const std::string& key);

    class const_iterator {
    public:
        using Inner = typename std::vector<std::pair<std::string, Element>>::const_iterator;
        explicit const_iterator(Inner it) : it_(it) {}
        const Element& operator*() const { return it_->second; }
        const Element* operator->() const { return &it_->second; }
        const_iterator& operator++() { ++it_; return *this; }
        bool operator==(const const_iterator& o) const { return it_ == o.it_; }
        bool operator!=(const const_iterator& o) const { return it_ != o.it_; }

    private:
        Inner it_;
    };
    const_iterator begin() const { return const_iterator(items_.begin()); }
    const_iterator end() const { return const_iterator(items_.end()); }

private:
    std::size_t PositionOf(const std::string& key) const;
    std::vector<std::pair<std::string, Element>> items_; // key ("" for none), element
    std::unordered_map<std::string, T*> keys_;
};

/// Style and text of one part of a grid label (A, B, C, D, unit, hemisphere).
class PARALLO_EXPORT LabelPartCls {
public:
    const std::shared_ptr<StdFont>& Font() const noexcept { return font_; }
    void SetFont(std::shared_ptr<StdFont> font) { font_ = std::move(font); }
    pxgrdFontType FontType() const noexcept { return fontType_; }
    void SetFontType(pxgrdFontType type) noexcept { fontType_ = type; }
    const std::string& Text() const noexcept { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }
    bool bDisplay() const noexcept { return display_; }
    void SetbDisplay(bool display) noexcept { display_ = display; }

private:
    std::shared_ptr<StdFont> font_;
    pxgrdFontType fontType_ = pxgrdFontType_Normal;
    std::string text_;
    bool display_ = false;
};

/// One finished label. All members but ID are plain fields.
class PARALLO_EXPORT GridLabel {
public:
    std::string LabelString;
    std::string LabelStringA;
    std::string LabelStringB;
    std::string LabelStringC;
    std::string LabelStringD;
    std::shared_ptr<shapekit::Point> Origin; ///< anchor point in map-view coordinates
    drawkit::HorizontalJustification HorizontalJustification = drawkit::kHorizontalUnset;
    drawkit::VerticalJustification VerticalJustification = drawkit::kVerticalUnset;
    double Angle = 0.0; ///< rotation in degrees
    pxgrdLabelAxis LabelAxis = pxgrdNorth;
    std::string LabelStringUnit;
    std::string LabelStringHemisphere;

    /// Identity inside its collection; empty before the first SetID.
    const std::string& ID() const noexcept { return id_; }
    /// Write-once: the first call stores the text, every later call is ignored.
    void SetID(const std::string& id);

private:
    std::string id_;
    bool idSet_ = false;
};

/// The ordered collection of labels that CreateLabels hands to the host.
class PARALLO_EXPORT GridLabels {
public:
    /// Creates a label with the next identity (" 1", " 2", ...; the counter never resets) and
    /// LabelString `label`, appends it and returns it. The 32768th call raises Overflow (6) and
    /// leaves the collection unchanged.
    std::shared_ptr<GridLabel> Add(const std::string& label);
    /// By 1-based position or by ID key.
    std::shared_ptr<GridLabel> Item(std::int32_t index) const;
    std::shared_ptr<GridLabel> Item(const std::string& key) const;
    std::int32_t Count() const noexcept { return labels_.Count(); }
    /// Removes a label; later labels move up one position, their keys stay.
    void Delete(std::int32_t index);
    void Delete(const std::string& key);

    KeyedCollection<GridLabel>::const_iterator begin() const { return labels_.begin(); }
    KeyedCollection<GridLabel>::const_iterator end() const { return labels_.end(); }

private:
    KeyedCollection<GridLabel> labels_;
    std::int16_t counter_ = 0;
};

/// An angle at one intersection point of a grid line with the neatline, in degrees.
class PARALLO_EXPORT IntersectionAngleCls {
public:
    std::string Key; ///< free text; Add does not set it
    double Angle() const noexcept { return angle_; }
    void SetAngle(double angle) noexcept { angle_ = angle; }

private:
    double angle_ = 0.0;
};

/// The angles of the intersection points of one grid line, parallel to the points.
class PARALLO_EXPORT IntersectionAnglesColl {
public:
    /// Appends a new angle, under `sKey` when it is not empty (457 when the key is present).
    std::shared_ptr<IntersectionAngleCls> Add(double angle, const std::string& sKey = std::string());
    std::shared_ptr<IntersectionAngleCls> Item(std::int32_t index) const;
    std::shared_ptr<IntersectionAngleCls> Item(const std::string& key) const;
    std::int32_t Count() const noexcept { return angles_.Count(); }
    void Remove(std::int32_t index);
    void Remove(const std::string& key);

    KeyedCollection<IntersectionAngleCls>::const_iterator begin() const { return angles_.begin(); }
    KeyedCollection<IntersectionAngleCls>::const_iterator end() const { return angles_.end(); }

private:
    KeyedCollection<IntersectionAngleCls> angles_;
};

// ---- KeyedCollection ----------------------------------------------------------------------

template <class T> void KeyedCollection<T>::Add(Element item, const std::string& key) {
    if (!key.empty() && keys_.count(key) != 0) Raise(kDuplicateKey);
    T* raw = item.get();
    items_.emplace_back(key, std::move(item));
    if (!key.empty()) {
        // Take the element back out if the key cannot be recorded, so that a failed Add leaves
        // the collection as it was.
        try {
            keys_.emplace(key, raw);
        } catch (...) {
            items_.pop_back();
            throw;
        }
    }
}

template <class T> const typename KeyedCollection<T>::Element& KeyedCollection<T>::Item(std::int32_t position) const {
    if (position < 1 || position > Count()) Raise(kSubscriptOutOfRange);
    return items_[static_cast<std::size_t>(position - 1)].second;
}

template <class T> std::size_t KeyedCollection<T>::PositionOf(const std::string& key) const {
    if (key.empty() || keys_.count(key) == 0) Raise(kInvalidProcedureCall);
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].first == key) return i;
    Raise(kInvalidProcedureCall);
}

template <class T> const typename KeyedCollection<T>::Element& KeyedCollection<T>::Item(const std::string& key) const {
    return items_[PositionOf(key)].second;
}

template <class T> void KeyedCollection<T>::Remove(std::int32_t position) {
    if (position < 1 || position > Count()) Raise(kSubscriptOutOfRange);
    auto it = items_.begin() + (position - 1);
    if (!it->first.empty()) keys_.erase(it->first);
    items_.erase(it);
}

template <class T> void KeyedCollection<T>::Remove(const std::string& key) {
    std::size_t i = PositionOf(key);
    keys_.erase(key);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

} // namespace parallo

#endif
