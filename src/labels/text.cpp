// Label text: hemisphere texts, and a grid value split into separately styled parts.
#include "labels/text.h"

#include <cmath>
#include <string>

#include "labels/utilities.h"
#include "platform/angles.h"
#include "platform/numbers.h"

namespace parallo {
namespace detail {

namespace {

using PXSGridUtilities::FixWithTolerance;

const char *const kDegreeMark = "°";
const char *const kMinuteMark = "'";
const char *const kSecondMark = "\"";

/// A non-negative whole number in plain digits: no sign, no exponent, no leading blank.
std::string WholeNumberText(double w) {
    if (!(w >= 0.0) || w >= 9.2e18) Raise(kOverflow);
    // Str$ leaves a blank where the sign of a negative number would stand.
    return platform::Str(static_cast<std::int64_t>(w)).substr(1);
}

/// The first `length` characters of text; a negative length is an invalid argument.
std::string LeftText(const std::string &text, std::int32_t length) {
    if (length < 0) Raise(kInvalidProcedureCall);
    return text.substr(0, static_cast<std::size_t>(length));
}

/// `length` characters of text from 1-based position `start`; past the end gives "".
std::string MidText(const std::string &text, std::int32_t start, std::int32_t length) {
    if (start < 1 || length < 0) Raise(kInvalidProcedureCall);
    const auto from = static_cast<std::size_t>(start - 1);
    if (from >= text.size()) return std::string();
    return text.substr(from, static_cast<std::size_t>(length));
}

/// a - b on 16 bits; Overflow past the range, never a wrap.
std::int16_t Sub16(std::int16_t a, std::int16_t b) {
    return platform::CInt(static_cast<double>(a) - static_cast<double>(b));
}

/// The decimals of a fraction (0 <= f < 1 once rounded) in the label's decimal pattern: a point
/// and DecimalPlaces digits, or the digits alone in the DDMMSS form, where they follow the
/// preceding digits directly. With no decimal places the pattern is its point alone.
std::string DecimalText(double fraction, std::int16_t places, bool ddmmss) {
    if (places < 0) Raise(kInvalidProcedureCall); // a negative count of pattern zeros
    if (places == 0) return ddmmss ? std::string() : std::string(".");
    std::string text = platform::FormatDecimals(fraction, places);
    return ddmmss ? text.substr(1) : text;
}

/// A value read at the resolution a label shows: the whole part its decimals belong to, and
/// those decimals. A value short of the next whole number by at most tol reads as that number
/// with zero decimals; any other value reads as the whole number below it.
struct Reading {
    double whole = 0.0;
    double fraction = 0.0;
};

Reading ReadAt(double value, double &tol, std::int16_t places, bool withDecimals) {
    Reading r;
    r.whole = FixWithTolerance(value, tol);
    r.fraction = value - r.whole;
    if (r.fraction < 0.0) r.fraction = 0.0; // rounded up: nothing is left over
    if (withDecimals && places > 0 && platform::FormatDecimals(r.fraction, places)[0] != '.') {
        // The decimals themselves round to a whole unit: it belongs to the whole part.
        r.whole += 1.0;
        r.fraction = 0.0;
    }
    return r;
}

/// Whether written decimals show anything but zeros.
bool ShowsNonZeroDigit(const std::string &decimals) {
    return decimals.find_first_of("123456789") != std::string::npos;
}

void SetPart(LabelPartCls &part, std::string &field, const std::string &text) {
    part.SetText(text);
    field = text;
}

/// Lengths of the digit groups, kept for the failure report.
struct Portions {
    std::int16_t n = 0;
    std::int16_t lenA = 0;
    std::int16_t lenB = 0;
    std::int16_t lenC = 0;
};

void SplitProjected(const LabelStyle &s, GridLabel &label, double dValue, double &tol, std::string &trace,
                    Portions &p) {
    LabelPartCls &partA = platform::Deref(s.partA);
    LabelPartCls &partB = platform::Deref(s.partB);
    LabelPartCls &partC = platform::Deref(s.partC);
    LabelPartCls &partD = platform::Deref(s.partD);
    LabelPartCls &partUnit = platform::Deref(s.partUnit);

    const std::string sign = platform::Sgn(dValue) == -1 ? "-" : "";
    const double a = std::fabs(dValue);
    double w = FixWithTolerance(a, tol);

    // The decimals are read first: should they round to a whole unit, the unit belongs to the
    // digit groups.
    const bool showDecimals = partD.bDisplay() && s.decimalPlaces > 0;
    std::string decimals;
    if (showDecimals) {
        decimals = platform::FormatDecimals(std::fabs(a - w), s.decimalPlaces);
        if (decimals[0] != '.') {
            w += 1.0;
            decimals = platform::FormatDecimals(0.0, s.decimalPlaces);
        }
    }

    if (w == 0.0) {
        SetPart(partA, label.LabelStringA, "");
        SetPart(partB, label.LabelStringB, "");
        if (partC.bDisplay()) {
            SetPart(partC, label.LabelStringC, "0");
        } else {
            SetPart(partC, label.LabelStringC, "");
            if (partB.bDisplay())
                SetPart(partB, label.LabelStringB, "0");
            else if (partA.bDisplay())
                SetPart(partA, label.LabelStringA, "0");
        }
        label.LabelString = "0";
        // A value below zero whose decimals show keeps its sign with A: -0.4 with one decimal
        // reads -0.4, while with no decimals shown it reads 0.
        if (!sign.empty() && partA.bDisplay() && showDecimals && ShowsNonZeroDigit(decimals)) {
            SetPart(partA, label.LabelStringA, sign + partA.Text());
            label.LabelString = sign + "0";
        }
    } else {
        const std::string digits = WholeNumberText(w);
        trace = "Calculating portion lengths.";
        p.n = platform::CInt(static_cast<double>(digits.size()));
        if (p.n <= s.magnitudeBC) {
            p.lenC = p.n;
            p.lenB = 0;
            p.lenA = 0;
        } else if (p.n <= s.magnitudeAB) {
            p.lenC = s.magnitudeBC;
            p.lenB = Sub16(p.n, s.magnitudeBC);
            p.lenA = 0;
        } else {
            p.lenC = s.magnitudeBC;
            p.lenB = Sub16(s.magnitudeAB, s.magnitudeBC);
            p.lenA = Sub16(p.n, s.magnitudeAB);
        }

        trace += "\rSplitting string portion A";
        SetPart(partA, label.LabelStringA, sign + LeftText(digits, p.lenA));
        if (partA.bDisplay()) label.LabelString += partA.Text();
        trace += "\rPartA = " + partA.Text();

        trace += "\rSplitting string portion B";
        const std::int32_t startB = std::int32_t{p.lenA} + 1;
        SetPart(partB, label.LabelStringB, MidText(digits, startB, p.lenB));
        if (partB.bDisplay()) label.LabelString += partB.Text();
        trace += "\rPartB = " + partB.Text();

        trace += "\rSplitting string portion C";
        SetPart(partC, label.LabelStringC, MidText(digits, startB + p.lenB, p.lenC));
        if (partC.bDisplay()) label.LabelString += partC.Text();
        trace += "\rPartC = " + partC.Text();
    }

    trace += "\rSplitting string portion D";
    if (showDecimals) {
        SetPart(partD, label.LabelStringD, decimals);
        label.LabelString += decimals;
    }

    if (partUnit.bDisplay()) {
        label.LabelStringUnit = s.unitText;
        label.LabelString += s.unitText;
    }
}

void SplitGeographic(const Reporter &r, const LabelStyle &s, GridLabel &label, double dValue, double &tol) {
    LabelPartCls &partA = platform::Deref(s.partA);
    LabelPartCls &partB = platform::Deref(s.partB);
    LabelPartCls &partC = platform::Deref(s.partC);
    LabelPartCls &partD = platform::Deref(s.partD);
    LabelPartCls &partHemisphere = platform::Deref(s.partHemisphere);

    const double deg = platform::Mul(dValue, platform::kDegreesPerRadian);
    std::int16_t sign = 0;
    std::int16_t wholeDegrees = 0;
    std::int16_t wholeMinutes = 0;
    double seconds = 0.0;
    PXSGridUtilities::DecDegToDMS(r, deg, sign, wholeDegrees, wholeMinutes, seconds);

    const bool showB = partB.bDisplay();
    const bool showC = partC.bDisplay();
    const bool showD = partD.bDisplay();
    const bool ddmmss = s.geographicDDMMSS;
    const std::int16_t places = s.decimalPlaces;

    double degrees = std::fabs(static_cast<double>(wholeDegrees));
    double minutes = static_cast<double>(wholeMinutes);

    // Seconds that round up to a whole minute count as that minute.
    if (!showD && !ddmmss) {
        if (std::fabs(60.0 - FixWithTolerance(seconds, tol)) < tol) {
            seconds = 0.0;
            minutes += 1.0;
        }
    }

    // Read the last part shown at its resolution, so that every whole part shown is the one its
    // decimals belong to; 60 seconds or minutes carry into the part before.
    Reading secondsRead;
    Reading minutesRead;
    Reading degreesRead;
    if (showC) {
        secondsRead = ReadAt(seconds, tol, places, showD);
        if (secondsRead.whole >= 60.0) {
            secondsRead.whole -= 60.0;
            minutes += 1.0;
        }
    } else if (showB && showD) {
        minutesRead = ReadAt(minutes + seconds / 60.0, tol, places, true);
        minutes = minutesRead.whole;
    } else if (!showB && showD) {
        degreesRead = ReadAt(std::fabs(deg), tol, places, true);
        degrees = degreesRead.whole;
        minutes = 0.0;
    }
    if (minutes >= 60.0) {
        minutes -= 60.0;
        degrees += 1.0;
    }

    std::string a = WholeNumberText(degrees);
    if (!partHemisphere.bDisplay() && sign == -1) a = "-" + a;
    partA.SetText(a);

    const auto mark = [ddmmss](const char *m) { return ddmmss ? std::string() : std::string(m); };
    // A decimal pattern of a negative count of zeros is an invalid argument.
    if (places < 0) Raise(kInvalidProcedureCall);

    if (showB && showC && showD) {
        partA.SetText(partA.Text() + mark(kDegreeMark));
        partB.SetText(platform::Format00(minutes) + mark(kMinuteMark));
        partC.SetText(platform::Format00(secondsRead.whole));
        partD.SetText(DecimalText(secondsRead.fraction, places, ddmmss) + mark(kSecondMark));
    } else if (showB && showC) {
        partA.SetText(partA.Text() + mark(kDegreeMark));
        partB.SetText(platform::Format00(minutes) + mark(kMinuteMark));
        partC.SetText(platform::Format00(secondsRead.whole) + mark(kSecondMark));
    } else if (showB && showD) {
        partA.SetText(partA.Text() + mark(kDegreeMark));
        partB.SetText(platform::Format00(minutes));
        partD.SetText(DecimalText(minutesRead.fraction, places, ddmmss) + mark(kMinuteMark));
    } else if (showB) {
        partA.SetText(partA.Text() + mark(kDegreeMark));
        partB.SetText(platform::Format00(minutes) + mark(kMinuteMark));
    } else if (showC && showD) {
        partC.SetText(platform::Format00(secondsRead.whole));
        partD.SetText(DecimalText(secondsRead.fraction, places, ddmmss) + mark(kSecondMark));
    } else if (showC) {
        partC.SetText(platform::Format00(secondsRead.whole) + mark(kSecondMark));
    } else if (showD) {
        partD.SetText(DecimalText(degreesRead.fraction, places, ddmmss) + mark(kDegreeMark));
    } else {
        partA.SetText(partA.Text() + mark(kDegreeMark));
    }

    // Parts the table did not set keep the text of the previous label.
    label.LabelStringA = partA.Text();
    label.LabelStringB = partB.Text();
    label.LabelStringC = partC.Text();
    label.LabelStringD = partD.Text();

    std::string composed;
    if (partA.bDisplay()) {
        composed += partA.Text();
        if (ddmmss) composed += ".";
    }
    if (showB) composed += partB.Text();
    if (showC) composed += partC.Text();
    if (showD) composed += partD.Text();
    label.LabelString = composed;
}

} // namespace

void QuadrantStrings(const Reporter &r, std::int32_t LabelDisplayType, const HemisphereNames &names,
                     const std::shared_ptr<coordkit::CoordSystem> &cs, HemisphereTexts &texts) noexcept {
    std::string trace = "In QuadrantStrings";
    try {
        const auto projection = platform::Deref(cs).ProjectionSpace();
        const auto axis = platform::Deref(projection).AxisInfo();
        const coordkit::Axis &axisInfo = platform::Deref(axis);
        const std::string &east = names.east;
        const std::string &west = names.west;
        const std::string &north = names.north;
        const std::string &south = names.south;

        if (LabelDisplayType != 1) {
            texts.xNegative = "";
            texts.yNegative = "";
            switch (axisInfo.ProjectedQuadrant()) {
            case 0:
            case 6:
                texts.xPositive = east;
                texts.yPositive = north;
                break;
            case 1:
            case 3:
                texts.xPositive = east;
                texts.yPositive = south;
                break;
            case 2:
            case 5:
                texts.xPositive = west;
                texts.yPositive = south;
                break;
            case 4:
            case 7:
                texts.xPositive = west;
                texts.yPositive = north;
                break;
            default:
                break;
            }
        } else {
            const auto set = [&texts](const std::string &xPos, const std::string &xNeg,
                                      const std::string &yPos, const std::string &yNeg) {
                texts.xPositive = xPos;
                texts.xNegative = xNeg;
                texts.yPositive = yPos;
                texts.yNegative = yNeg;
            };
            switch (axisInfo.GeographicQuadrant()) {
            case 0:
                set(east, west, north, south);
                break;
            case 1:
                set(west, east, south, north);
                break;
            case 2:
                set(east, west, south, north);
                break;
            case 3:
                set(west, east, north, south);
                break;
            default:
                break;
            }
        }
    } catch (...) {
        r.ReportError(DescribeCurrentException(), trace, "QuadrantStrings Error");
    }
}

void SetHemisphere(const Reporter &r, const LabelStyle &style, const Point &pt,
                   std::int32_t LabelAxis) noexcept {
    std::string trace = "In SetHemisphere";
    try {
        LabelPartCls &part = platform::Deref(style.partHemisphere);
        const bool xAxis = LabelAxis == pxgrdNorth || LabelAxis == pxgrdSouth;
        const bool yAxis = LabelAxis == pxgrdWest || LabelAxis == pxgrdEast;
        if (style.displayType == 0) {
            // Projected values carry no hemisphere of their own: the axis decides.
            if (xAxis) part.SetText(style.hemispheres.xPositive);
            if (yAxis) part.SetText(style.hemispheres.yPositive);
        } else {
            if (xAxis) part.SetText(pt.x >= 0.0 ? style.hemispheres.xPositive : style.hemispheres.xNegative);
            if (yAxis) part.SetText(pt.y >= 0.0 ? style.hemispheres.yPositive : style.hemispheres.yNegative);
        }
    } catch (...) {
        r.ReportError(DescribeCurrentException(), trace, "SetHemisphere Error");
    }
}

std::shared_ptr<GridLabel> SplitUpLabel(const Reporter &r, const LabelStyle &s, GridLabels &labels,
                                        double dValue, std::int32_t LabelDisplayType) noexcept {
    std::string trace = "In SplitUpLabel";
    Portions portions;
    std::shared_ptr<GridLabel> made;
    try {
        // Half a unit of the last decimal shown: 0.5 for none, 0.005 for two.
        double tol = platform::Mul(5.0, platform::Finite(std::pow(10.0, -(s.decimalPlaces + 1.0))));
        const bool projected = LabelDisplayType == 0 || LabelDisplayType == 2;
        const bool geographic = LabelDisplayType == 1;
        if (projected || geographic) {
            made = labels.Add("");
            GridLabel &label = platform::Deref(made);
            if (projected) {
                trace = "Processing projected labels";
                SplitProjected(s, label, dValue, tol, trace, portions);
            } else {
                trace = "Processing Geographic Labels";
                SplitGeographic(r, s, label, dValue, tol);
            }
        }

        LabelPartCls &hemisphere = platform::Deref(s.partHemisphere);
        if (hemisphere.bDisplay()) {
            GridLabel &label = platform::Deref(made);
            label.LabelStringHemisphere = hemisphere.Text();
            if (s.hemisphereAsSuffix)
                label.LabelString += hemisphere.Text();
            else
                label.LabelString = hemisphere.Text() + label.LabelString;
        }
    } catch (...) {
        const std::string description = DescribeCurrentException();
        try {
            trace += "\rMagnitudeAB = " + std::to_string(s.magnitudeAB);
            trace += "\rMagnitudeBC = " + std::to_string(s.magnitudeBC);
            trace += "\riLenABC = " + std::to_string(portions.n);
            trace += "\riLenA = " + std::to_string(portions.lenA) +
                     " ; iLenB = " + std::to_string(portions.lenB) +
                     " ; iLenC = " + std::to_string(portions.lenC);
        } catch (...) {
            // Out of memory while describing the failure: report what there is.
        }
        r.ReportError(description, trace, "SplitUpLabel Error");
    }
    return made;
}

} // namespace detail
} // namespace parallo
