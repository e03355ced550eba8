#include "image/flash_image.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

namespace quillon {

namespace {

constexpr size_t kRecordDataBytes = 32;
constexpr uint64_t kAddressSpace = uint64_t{1} << 32;

constexpr std::array<char, 16> kHexDigits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                             '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};

void AppendHex(std::string& line, uint8_t byte) {
    line += kHexDigits[byte >> 4];
    line += kHexDigits[byte & 0x0F];
}

}  // namespace

CFlashImage::CFlashImage() : m_segments(1) {}

void CFlashImage::Seek(uint32_t address) {
    for (size_t i = 0; i < m_segments.size(); ++i) {
        const CImageSegment& segment = m_segments[i];
        if (segment.start <= address && address <= segment.End()) {
            m_current = i;
            m_offset = address - segment.start;
            return;
        }
    }
    m_segments.push_back(CImageSegment{address, {}});
    m_current = m_segments.size() - 1;
    m_offset = 0;
}

size_t CFlashImage::Write(std::span<const uint8_t> bytes) {
    const uint64_t position = uint64_t{m_segments[m_current].start} + m_offset;
    if (bytes.size() > kAddressSpace - position) {
        throw std::out_of_range("flash image: " + std::to_string(bytes.size()) +
                                " bytes at address " + std::to_string(position) +
                                " pass the end of the 32-bit address space");
    }
    std::span<const uint8_t> rest = bytes;
    while (!rest.empty()) {
        CImageSegment& segment = m_segments[m_current];
        if (m_offset < segment.data.size()) {
            const size_t count = std::min(segment.data.size() - m_offset, rest.size());
            std::copy_n(rest.begin(), count,
                        segment.data.begin() + static_cast<std::ptrdiff_t>(m_offset));
            m_offset += count;
            rest = rest.subspan(count);
            continue;
        }
        // At the segment's end: grow up to the start of the segment created next, so the two
        // never cover the same address. A next segment that lies below this end (the list is
        // in creation order, not address order) sets no limit.
        size_t growth = rest.size();
        const bool hasNext = m_current + 1 < m_segments.size();
        if (hasNext) {
            const CImageSegment& next = m_segments[m_current + 1];
            if (next.start >= segment.End()) {
                growth = std::min<uint64_t>(growth, next.start - segment.End());
            }
        }
        if (growth > 0) {
            segment.data.insert(segment.data.end(), rest.begin(),
                                rest.begin() + static_cast<std::ptrdiff_t>(growth));
            m_offset += growth;
            rest = rest.subspan(growth);
        } else {
            ++m_current;
            m_offset = 0;
        }
    }
    return bytes.size();
}

void CFlashImage::WriteSRecords(std::ostream& out, bool sMarker) const {
    std::string line;
    for (const CImageSegment& segment : m_segments) {
        for (size_t offset = 0; offset < segment.data.size(); offset += kRecordDataBytes) {
            const size_t count = std::min(kRecordDataBytes, segment.data.size() - offset);
            const uint32_t address = segment.start + static_cast<uint32_t>(offset);
            // Count byte: four address bytes, the data and the checksum byte.
            const uint8_t countByte = static_cast<uint8_t>(count + 5);
            const std::array<uint8_t, 4> addressBytes = {
                static_cast<uint8_t>(address >> 24), static_cast<uint8_t>(address >> 16),
                static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};

            line.assign(1, sMarker ? 'S' : ':');
            line += '3';
            AppendHex(line, countByte);
            unsigned sum = countByte;
            for (uint8_t byte : addressBytes) {
                AppendHex(line, byte);
                sum += byte;
            }
            for (size_t i = 0; i < count; ++i) {
                const uint8_t byte = segment.data[offset + i];
                AppendHex(line, byte);
                sum += byte;
            }
            AppendHex(line, static_cast<uint8_t>(~sum));
            line += "\r\n";
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
        }
    }
}

}  // namespace quillon
