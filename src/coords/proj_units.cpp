// Linear units of measure from PROJ's unit database, with whole-number codes: 59 is the metre,
// every other EPSG unit keeps its EPSG code, and units of other authorities are numbered from
// 100001 on in the order of their authority and code.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "coords/proj_internal.h"
#include "parallo/coordkit_proj.h"
#include "parallo/error.h"

namespace coordkit {
namespace projdetail {

namespace {

constexpr std::int32_t kFirstOtherCode = 100001;

struct Abbreviation {
    const char *authority;
    const char *code;
    const char *text;
};

// The abbreviations surveyors and the EPSG dataset use for the linear units of map grids.
constexpr Abbreviation kAbbreviations[] = {
    {"EPSG", "9001", "m"},       {"EPSG", "9036", "km"},      {"EPSG", "1025", "mm"},
    {"EPSG", "1033", "cm"},      {"EPSG", "9002", "ft"},      {"EPSG", "9003", "ftUS"},
    {"EPSG", "9005", "ftCla"},   {"EPSG", "9014", "fath"},    {"EPSG", "9030", "nmi"},
    {"EPSG", "9031", "GLM"},     {"EPSG", "9033", "chUS"},    {"EPSG", "9034", "lkUS"},
    {"EPSG", "9035", "miUS"},    {"EPSG", "9037", "ydCla"},   {"EPSG", "9038", "chCla"},
    {"EPSG", "9039", "lkCla"},   {"EPSG", "9040", "ydSe"},    {"EPSG", "9041", "ftSe"},
    {"EPSG", "9042", "chSe"},    {"EPSG", "9043", "lkSe"},    {"EPSG", "9050", "ydBnA"},
    {"EPSG", "9051", "ftBnA"},   {"EPSG", "9052", "chBnA"},   {"EPSG", "9053", "lkBnA"},
    {"EPSG", "9060", "ydBnB"},   {"EPSG", "9061", "ftBnB"},   {"EPSG", "9062", "chBnB"},
    {"EPSG", "9063", "lkBnB"},   {"EPSG", "9070", "ftBr65"},  {"EPSG", "9080", "ftInd"},
    {"EPSG", "9081", "ftInd37"}, {"EPSG", "9082", "ftInd62"}, {"EPSG", "9083", "ftInd75"},
    {"EPSG", "9084", "ydInd"},   {"EPSG", "9085", "ydInd37"}, {"EPSG", "9086", "ydInd62"},
    {"EPSG", "9087", "ydInd75"}, {"EPSG", "9093", "mi"},      {"EPSG", "9094", "ftGC"},
    {"EPSG", "9095", "ftBr36"},  {"EPSG", "9096", "yd"},      {"EPSG", "9097", "ch"},
    {"EPSG", "9098", "lk"},      {"EPSG", "9099", "ydSe(T)"}, {"EPSG", "9300", "ftSe(T)"},
    {"EPSG", "9301", "chSe(T)"}, {"EPSG", "9302", "lkSe(T)"}, {"PROJ", "DM", "dm"},
    {"PROJ", "IN", "in"},        {"PROJ", "IND_CH", "chInd"}, {"PROJ", "US_IN", "inUS"},
    {"PROJ", "US_YD", "ydUS"},
};

const char *KnownAbbreviation(const std::string &authority, const std::string &code) {
    for (const Abbreviation &a : kAbbreviations) {
        if (authority == a.authority && code == a.code) return a.text;
    }
    return nullptr;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

struct UnitRecord {
    std::int32_t code = 0;
    std::string name;
    std::string abbreviation;
    std::string shortName; // PROJ's own short name ("us-ft"), accepted as another abbreviation
    double toMetre = 1.0;
};

class UnitTable {
public:
    UnitTable() {
        PJ_CONTEXT *ctx = ThreadContext();
        int count = 0;
        PROJ_UNIT_INFO **list = proj_get_units_from_database(ctx, nullptr, "linear", 0, &count);
        std::vector<const PROJ_UNIT_INFO *> others;
        for (int i = 0; list && i < count; ++i) {
            const PROJ_UNIT_INFO *info = list[i];
            if (!info || !info->name || !info->auth_name || !info->code || info->deprecated) continue;
            const std::string name = info->name;
            // Rates ("metres per year") are not lengths a grid is drawn in.
            if (name.find(" per ") != std::string::npos || !(info->conv_factor > 0.0)) continue;
            if (std::string(info->auth_name) == "EPSG") {
                char *end = nullptr;
                const long code = std::strtol(info->code, &end, 10);
                if (end && *end == '\0' && code > 0 && code < kFirstOtherCode) {
                    Add(*info, code == 9001 ? kMetreUnitCode : static_cast<std::int32_t>(code));
                    if (code == 9001) aliases_[9001] = kMetreUnitCode;
                    continue;
                }
            }
            others.push_back(info);
        }
        std::sort(others.begin(), others.end(), [](const PROJ_UNIT_INFO *a, const PROJ_UNIT_INFO *b) {
            const int byAuthority = std::string(a->auth_name).compare(b->auth_name);
            return byAuthority != 0 ? byAuthority < 0 : std::string(a->code) < std::string(b->code);
        });
        std::int32_t next = kFirstOtherCode;
        for (const PROJ_UNIT_INFO *info : others)
            Add(*info, next++);
        if (list) proj_unit_list_destroy(list);
        if (byCode_.find(kMetreUnitCode) == byCode_.end()) {
            // The metre is always there, even with a database that does not list it.
            UnitRecord metre;
            metre.code = kMetreUnitCode;
            metre.name = "metre";
            metre.abbreviation = "m";
            Index(metre);
        }
    }

    const UnitRecord *ByText(const std::string &text) const {
        auto it = byText_.find(Lower(Trimmed(text)));
        return it == byText_.end() ? nullptr : &records_[it->second];
    }

    const UnitRecord *ByCode(std::int32_t code) const {
        auto alias = aliases_.find(code);
        if (alias != aliases_.end()) code = alias->second;
        auto it = byCode_.find(code);
        return it == byCode_.end() ? nullptr : &records_[it->second];
    }

private:
    void Add(const PROJ_UNIT_INFO &info, std::int32_t code) {
        UnitRecord r;
        r.code = code;
        r.name = info.name;
        r.toMetre = info.conv_factor;
        // PROJ's database gives the decimetre a hundredth of a metre; a decimetre is a tenth.
        if (Lower(r.name) == "decimeter" || Lower(r.name) == "decimetre") r.toMetre = 0.1;
        const char *known = KnownAbbreviation(info.auth_name, info.code);
        r.shortName = info.proj_short_name ? info.proj_short_name : "";
        r.abbreviation = known ? known : (!r.shortName.empty() ? r.shortName : r.name);
        Index(r);
    }

    void Index(const UnitRecord &r) {
        const std::size_t index = records_.size();
        records_.push_back(r);
        byCode_.emplace(r.code, index);
        // The first unit to claim a text keeps it; names come before abbreviations.
        for (const std::string &text : {r.name, r.abbreviation, r.shortName}) {
            if (!text.empty()) byText_.emplace(Lower(text), index);
        }
        const std::string lower = Lower(r.name);
        const auto metre = lower.find("metre");
        if (metre != std::string::npos) {
            std::string american = lower;
            american.replace(metre, 5, "meter");
            byText_.emplace(american, index);
        }
    }

    std::vector<UnitRecord> records_;
    std::unordered_map<std::string, std::size_t> byText_;
    std::unordered_map<std::int32_t, std::size_t> byCode_;
    std::unordered_map<std::int32_t, std::int32_t> aliases_;
};

const UnitTable &Units() {
    static std::once_flag once;
    static const UnitTable *table = nullptr;
    // Built once per process from whichever thread asks first; it is only read afterwards.
    std::call_once(once, [] { table = new UnitTable(); });
    return *table;
}

class ProjUnitsOfMeasure : public UnitsOfMeasure {
public:
    std::int32_t GetUnitCode(std::int32_t kind, const std::string &unit) const override {
        CheckKind(kind, "GetUnitCode");
        // The metre's abbreviation, which every metre system gives as its unit, needs no table.
        if (unit == "m") return kMetreUnitCode;
        const UnitRecord *r = Units().ByText(unit);
        if (!r) Fail("Unknown linear unit \"" + unit + "\"", "GetUnitCode");
        return r->code;
    }

    double ConvertValue(std::int32_t kind, double value, std::int32_t fromCode,
                        std::int32_t toCode) const override {
        CheckKind(kind, "ConvertValue");
        const UnitRecord *from = Units().ByCode(fromCode);
        const UnitRecord *to = Units().ByCode(toCode);
        if (!from) Fail("Unknown linear unit code " + std::to_string(fromCode), "ConvertValue");
        if (!to) Fail("Unknown linear unit code " + std::to_string(toCode), "ConvertValue");
        if (from == to) {
            if (!std::isfinite(value)) parallo::Raise(parallo::kOverflow, "ConvertValue");
            return value;
        }
        const double result = value * from->toMetre / to->toMetre;
        if (!std::isfinite(result)) parallo::Raise(parallo::kOverflow, "ConvertValue");
        return result;
    }

private:
    static void CheckKind(std::int32_t kind, const char *source) {
        if (kind != 1) Fail("Only linear units (kind 1) are known, not kind " + std::to_string(kind), source);
    }
};

} // namespace

std::string LinearUnitAbbreviation(const std::string &authority, const std::string &code,
                                   const std::string &name, double toMetre) {
    if (const char *known = KnownAbbreviation(authority, code)) return known;
    if (const UnitRecord *r = Units().ByText(name)) {
        if (std::fabs(r->toMetre - toMetre) <= 1e-12 * toMetre) return r->abbreviation;
    }
    return name;
}

} // namespace projdetail

std::shared_ptr<UnitsOfMeasure> CreateProjUnitsOfMeasure() {
    // The table is read from PROJ's database on the first look-up, not here: a map whose lengths
    // are all in its systems' own units never needs it.
    return std::make_shared<projdetail::ProjUnitsOfMeasure>();
}

} // namespace coordkit
