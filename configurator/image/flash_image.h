// Sparse flash image that collects the setup areas at their addresses and writes them as
// type-3 S-records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>
#include <vector>

namespace quillon {

// One contiguous run of bytes of the image.
struct CImageSegment {
    uint32_t start = 0;
    std::vector<uint8_t> data;

    uint32_t Length() const { return static_cast<uint32_t>(data.size()); }
    // One past the last byte; 64-bit so that a segment ending at 4 GiB is representable.
    uint64_t End() const { return uint64_t{start} + data.size(); }
};

class CFlashImage {
public:
    // Starts with an empty segment at address 0 holding the write position.
    CFlashImage();

    // Moves the write position to an address: into the first segment (in creation order) whose
    // bytes or whose end hold it, else into a new empty segment appended to the list.
    void Seek(uint32_t address);

    // Stores the bytes at the write position, overwriting what is there and growing the current
    // segment at its end, and advances the position. Returns the number of bytes stored, always
    // all of them. A run that would pass address 0xFFFFFFFF throws std::out_of_range and stores
    // nothing.
    size_t Write(std::span<const uint8_t> bytes);

    // Writes every segment in list order as records of up to 32 data bytes, lines beginning with
    // "S3" when sMarker is set and ":3" otherwise, each ended by CR LF. Write failures are left
    // in the stream's state for the caller to check.
    void WriteSRecords(std::ostream& out, bool sMarker) const;

    // The segments in creation order; each one's successor is the next element.
    const std::vector<CImageSegment>& Segments() const { return m_segments; }

private:
    std::vector<CImageSegment> m_segments;
    size_t m_current = 0;
    size_t m_offset = 0;
};

}  // namespace quillon
