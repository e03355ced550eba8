// The byte format shared by the three setup areas: frame, records, self-relative offsets filled
// through labels, and deferred CRC-16 checksums.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon {

// A size function and its writer disagreed, or a writer tried to leave its buffer. This is a
// fault of the program, never of the settings, so it is not a setup failure.
class AreaInternalError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// The communicator recognises every setup area by these leading bytes.
inline constexpr std::array<uint8_t, 16> kAreaSignature = {
    0xAF, 0xEB, 0x8A, 0x8E, 0xDE, 0x10, 0x44, 0xE1, 0xA3, 0x50, 0xC7, 0x5A, 0xA0, 0x5D, 0x52, 0xAA};

// Signature, 16-bit total size and the final area checksum.
inline constexpr size_t kAreaFrameSize = 20;

// A record's size field and checksum around its payload.
inline constexpr size_t kRecordFrameSize = 4;

// Bytes of an offset table record with n entries.
constexpr size_t OffsetTableSize(size_t entries) {
    return 6 + 6 * entries;
}

// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final XOR.
uint16_t Crc16Modbus(std::span<const uint8_t> bytes);

// Bytes taken by an element header and its payload of the given length.
size_t ElementSize(size_t length);

// Bytes PutString writes for a text. The communicator reads a string up to its zero byte, so a
// text is stored only up to its first zero byte (one can come in through an INI file): the
// bytes after it would lie in the area where no offset leads.
size_t StringSize(std::string_view text);

// Base of the setup areas. A derived area binds its buffer with BeginArea, writes its records
// front to back with the primitives, and closes with EndArea. Every primitive takes the write
// cursor by reference and advances it past the bytes it reserved or wrote. A write that would
// leave the buffer, and any other misuse, throws AreaInternalError and writes nothing.
class CArea {
public:
    virtual ~CArea();

    void PutU8(uint8_t value, size_t& cursor);
    // Refuses a value above 0xFFFF rather than truncate a size field.
    void PutU16(uint64_t value, size_t& cursor);
    void PutU32(uint32_t value, size_t& cursor);
    void PutBytes(std::span<const uint8_t> bytes, size_t& cursor);
    // The text's bytes and a terminating zero byte; StringSize bytes.
    void PutString(std::string_view text, size_t& cursor);

    // Reserves a 4-byte offset field at the cursor for ResolveLabel to fill. A name that is still
    // pending is refused: its first placeholder would never be filled.
    void DefineLabel(size_t& cursor, std::string_view name);
    // Stores target minus the placeholder position in the placeholder of a pending label and
    // forgets the label; a name that is not pending is ignored.
    void ResolveLabel(size_t target, std::string_view name);

    // Reserves 2 bytes at the cursor for the CRC of the span bytes that end there.
    void AddChecksum(size_t& cursor, size_t span);
    // Computes every reserved checksum in the order they were requested.
    void FinishChecksums();

    // One-byte type and length header; lengths from 8 up take the long form, whose length bytes
    // are stored least significant first (unlike every other number of an area).
    void PutElementHeader(uint32_t type, size_t length, size_t& cursor);

    // Writes an offset table record whose entries are (identifier, label of the offset field).
    void PutOffsetTable(std::span<const std::pair<uint16_t, std::string_view>> entries,
                        size_t& cursor);

    size_t PendingLabelCount() const { return m_labels.size(); }

protected:
    // Binds a buffer for the primitives and forgets every pending label and checksum.
    void Bind(std::span<uint8_t> buffer);
    // Binds the buffer, which must hold exactly total bytes, and writes the signature and the
    // total. Returns the cursor after them.
    size_t BeginArea(std::span<uint8_t> buffer, size_t total);
    // Writes the area checksum, finishes every checksum and checks that the writers filled the
    // buffer exactly and resolved every label.
    void EndArea(size_t cursor);

private:
    uint8_t* Reserve(size_t cursor, size_t count, std::string_view what);

    std::span<uint8_t> m_buffer;
    std::map<std::string, size_t, std::less<>> m_labels;
    std::vector<std::pair<size_t, size_t>> m_checksums;
};

}  // namespace quillon
