// Decoders of the records of the three areas: each checks its record's size and inner layout
// and reads its values. The walker has checked the record's frame (size field, bounds,
// checksum) before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "inspect/area_format.h"
#include "inspect/area_report.h"

namespace quillon::inspect {

// An offset found inside a record, with what it must lead to.
struct Reference {
    size_t field = 0;
    int64_t target = 0;
    ItemKind kind = ItemKind::kUnknownRecord;
    uint16_t section = 0;
    uint16_t identifier = 0;
};

struct RecordView {
    std::span<const uint8_t> area;
    AreaKind areaKind = AreaKind::kLocal;
    size_t start = 0;
    size_t size = 0;  // at least 4 and inside the area
    uint16_t section = 0;
    uint16_t identifier = 0;

    uint8_t U8(size_t at) const { return area[start + at]; }
    uint16_t U16(size_t at) const { return ReadU16(area, start + at); }
    uint32_t U32(size_t at) const { return ReadU32(area, start + at); }
};

struct Findings {
    std::vector<AreaProblem>& problems;
    std::vector<Reference>& references;

    void Problem(size_t offset, std::string text) { problems.push_back({offset, std::move(text)}); }
};

// How a record is called in the report and in problem texts.
std::string ItemName(ItemKind kind, uint16_t section, uint16_t identifier);

ItemValue DecodeRecord(ItemKind kind, const RecordView& record, Findings& findings);

}  // namespace quillon::inspect
