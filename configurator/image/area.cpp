#include "image/area.h"

#include <algorithm>
#include <bit>

namespace quillon {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw AreaInternalError("setup area: " + what);
}

// The fewest bytes that hold the length, at least one.
size_t LengthBytes(size_t length) {
    return std::max<size_t>(1, (std::bit_width(length) + 7) / 8);
}

}  // namespace

uint16_t Crc16Modbus(std::span<const uint8_t> bytes) {
    uint16_t crc = 0xFFFF;
    for (uint8_t byte : bytes) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool low = ((crc ^ byte) & 1) != 0;
            crc >>= 1;
            if (low) {
                crc ^= 0xA001;
            }
            byte >>= 1;
        }
    }
    return crc;
}

size_t ElementSize(size_t length) {
    if (length <= 7) {
        return 1 + length;
    }
    return 1 + LengthBytes(length) + length;
}

CArea::~CArea() = default;

uint8_t* CArea::Reserve(size_t cursor, size_t count, std::string_view what) {
    if (cursor > m_buffer.size() || count > m_buffer.size() - cursor) {
        Fail(std::string(what) + " of " + std::to_string(count) + " bytes at position " +
             std::to_string(cursor) + " passes the end of the " + std::to_string(m_buffer.size()) +
             "-byte buffer");
    }
    return m_buffer.data() + cursor;
}

void CArea::PutU8(uint8_t value, size_t& cursor) {
    *Reserve(cursor, 1, "byte") = value;
    cursor += 1;
}

void CArea::PutU16(uint64_t value, size_t& cursor) {
    if (value > 0xFFFF) {
        Fail("value " + std::to_string(value) + " does not fit a 16-bit field");
    }
    uint8_t* out = Reserve(cursor, 2, "16-bit field");
    out[0] = static_cast<uint8_t>(value >> 8);
    out[1] = static_cast<uint8_t>(value);
    cursor += 2;
}

void CArea::PutU32(uint32_t value, size_t& cursor) {
    uint8_t* out = Reserve(cursor, 4, "32-bit field");
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
    cursor += 4;
}

void CArea::PutBytes(std::span<const uint8_t> bytes, size_t& cursor) {
    uint8_t* out = Reserve(cursor, bytes.size(), "byte run");
    std::copy(bytes.begin(), bytes.end(), out);
    cursor += bytes.size();
}

size_t StringSize(std::string_view text) {
    return text.substr(0, text.find('\0')).size() + 1;
}

void CArea::PutString(std::string_view text, size_t& cursor) {
    const size_t size = StringSize(text);
    uint8_t* out = Reserve(cursor, size, "string");
    std::copy_n(text.begin(), size - 1, out);
    out[size - 1] = 0;
    cursor += size;
}

void CArea::DefineLabel(size_t& cursor, std::string_view name) {
    // Replacing a pending label would leave its first placeholder unfilled.
    if (m_labels.find(name) != m_labels.end()) {
        Fail("label " + std::string(name) + " defined again while pending");
    }
    Reserve(cursor, 4, "offset field");
    m_labels.emplace(std::string(name), cursor);
    cursor += 4;
}

void CArea::ResolveLabel(size_t target, std::string_view name) {
    const auto it = m_labels.find(name);
    if (it == m_labels.end()) {
        return;
    }
    if (target >= m_buffer.size()) {
        Fail("label " + std::string(name) + " resolved to position " + std::to_string(target) +
             " outside the buffer");
    }
    size_t placeholder = it->second;
    // Offsets are signed 32-bit; two's complement keeps a backward one exact.
    PutU32(static_cast<uint32_t>(target - placeholder), placeholder);
    m_labels.erase(it);
}

void CArea::AddChecksum(size_t& cursor, size_t span) {
    Reserve(cursor, 2, "checksum");
    if (span > cursor) {
        Fail("checksum at position " + std::to_string(cursor) + " spans " + std::to_string(span) +
             " bytes");
    }
    m_checksums.emplace_back(cursor, span);
    cursor += 2;
}

void CArea::FinishChecksums() {
    for (const auto& [position, span] : m_checksums) {
        const uint16_t crc = Crc16Modbus(m_buffer.subspan(position - span, span));
        m_buffer[position] = static_cast<uint8_t>(crc);
        m_buffer[position + 1] = static_cast<uint8_t>(crc >> 8);
    }
    m_checksums.clear();
}

void CArea::PutElementHeader(uint32_t type, size_t length, size_t& cursor) {
    if (type > 7) {
        Fail("element type " + std::to_string(type) + " above 7");
    }
    if (length <= 7) {
        PutU8(static_cast<uint8_t>((length << 4) | type), cursor);
        return;
    }
    const size_t count = LengthBytes(length);
    if (count > 7) {
        Fail("element length " + std::to_string(length) + " too large");
    }
    // Built first and put in one piece, so a header that does not fit writes nothing.
    uint8_t header[8] = {static_cast<uint8_t>(0x80 | (count << 4) | type)};
    for (size_t i = 0; i < count; ++i) {
        header[1 + i] = static_cast<uint8_t>(length >> (8 * i));
    }
    PutBytes(std::span(header, 1 + count), cursor);
}

void CArea::PutOffsetTable(std::span<const std::pair<uint16_t, std::string_view>> entries,
                           size_t& cursor) {
    const size_t size = OffsetTableSize(entries.size());
    PutU16(size, cursor);
    PutU16(entries.size(), cursor);
    for (const auto& [identifier, label] : entries) {
        PutU16(identifier, cursor);
        DefineLabel(cursor, label);
    }
    AddChecksum(cursor, size - 2);
}

void CArea::Bind(std::span<uint8_t> buffer) {
    m_buffer = buffer;
    m_labels.clear();
    m_checksums.clear();
}

size_t CArea::BeginArea(std::span<uint8_t> buffer, size_t total) {
    if (buffer.size() != total) {
        Fail("buffer of " + std::to_string(buffer.size()) + " bytes for an area of " +
             std::to_string(total) + " bytes");
    }
    Bind(buffer);
    size_t cursor = 0;
    PutBytes(kAreaSignature, cursor);
    PutU16(total, cursor);
    return cursor;
}

void CArea::EndArea(size_t cursor) {
    if (cursor + 2 != m_buffer.size()) {
        Fail("records end at position " + std::to_string(cursor) + " in an area of " +
             std::to_string(m_buffer.size()) + " bytes");
    }
    if (!m_labels.empty()) {
        std::string names;
        for (const auto& [name, position] : m_labels) {
            names += (names.empty() ? "" : ", ") + name;
        }
        Fail("offsets left unresolved: " + names);
    }
    // Requested last, so it covers the finished record checksums.
    AddChecksum(cursor, cursor);
    FinishChecksums();
    m_buffer = {};
}

}  // namespace quillon
