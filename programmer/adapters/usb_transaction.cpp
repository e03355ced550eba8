#include "adapters/usb_transaction.h"

#include <new>

#include "adapters/winusb_link.h"

namespace brivel {

namespace {

// Request and reply fragments start with their type byte; counts are big-endian.
constexpr uint8_t kTypeShift = 0x00;
constexpr uint8_t kTypeEnable = 0x01;
constexpr uint8_t kTypeLine = 0x03;
constexpr uint8_t kLineFixedBit = 0x08;
constexpr uint8_t kEnableOn = 0x09;
constexpr uint8_t kEnableOff = 0x08;
constexpr uint8_t kShiftCapture = 0x10;
constexpr uint8_t kShiftDataFollow = 0x08;
constexpr uint32_t kLongestShift = 0xFFFF;

void AppendHeader(std::vector<uint8_t>& request, uint8_t type, uint8_t flags, uint32_t count) {
    request.push_back(type);
    request.push_back(flags);
    request.push_back(static_cast<uint8_t>(count >> 8));
    request.push_back(static_cast<uint8_t>(count));
}

}  // namespace

bool TransactionItem::Parse(const uint8_t*&, size_t&) {
    return true;
}

bool LineItem::Serialize(std::vector<uint8_t>& request) const {
    if (m_line < 1 || m_line > 3 || (m_level != 0 && m_level != 1)) {
        return false;
    }
    AppendHeader(request, kTypeLine,
                 static_cast<uint8_t>(kLineFixedBit | ((m_line * 2) & 0x06) | m_level), 0);
    return true;
}

bool EnableItem::Serialize(std::vector<uint8_t>& request) const {
    AppendHeader(request, kTypeEnable, m_on ? kEnableOn : kEnableOff, 0);
    return true;
}

ShiftItem::ShiftItem(bool capture, std::vector<uint8_t> data, uint32_t bitCount)
    : m_capture(capture), m_data(std::move(data)), m_bitCount(bitCount) {}

std::unique_ptr<ShiftItem> ShiftItem::Out(std::vector<uint8_t> bytes) {
    const auto bits = static_cast<uint32_t>(bytes.size() * 8);
    return std::unique_ptr<ShiftItem>(new ShiftItem(false, std::move(bytes), bits));
}

std::unique_ptr<ShiftItem> ShiftItem::Capture(uint32_t byteCount) {
    return std::unique_ptr<ShiftItem>(new ShiftItem(true, {}, byteCount * 8));
}

// This program shifts whole bytes only, so bits 7..5 of the flags (valid bits of the last
// byte) stay 0.
bool ShiftItem::Serialize(std::vector<uint8_t>& request) const {
    if (m_bitCount == 0) {
        return false;
    }
    const uint32_t count = (m_bitCount - 1) / 8 + 1;
    if (count > kLongestShift) {
        return false;
    }
    AppendHeader(request, kTypeShift, m_capture ? kShiftCapture : kShiftDataFollow, count);
    if (!m_capture) {
        request.insert(request.end(), m_data.begin(), m_data.end());
    }
    return true;
}

// A reply part: 0x00, flags (bits 7..5 the valid bits of the last byte, 0 = all 8), a
// non-zero big-endian byte count, the bytes.
bool ShiftItem::Parse(const uint8_t*& reply, size_t& remaining) {
    if (!m_capture) {
        return true;
    }
    if (remaining < 4 || reply[0] != kTypeShift) {
        return false;
    }
    const uint32_t count = static_cast<uint32_t>(reply[2]) << 8 | reply[3];
    if (count == 0) {
        return false;
    }
    const uint32_t lastBits = reply[1] >> 5;
    const uint32_t bits = lastBits != 0 ? (count - 1) * 8 + lastBits : count * 8;
    if (bits != m_bitCount || remaining - 4 < count) {
        return false;
    }
    m_captured.assign(reply + 4, reply + 4 + count);
    reply += 4 + count;
    remaining -= 4 + count;
    return true;
}

Transaction& Transaction::Line(int line, int level) {
    m_items.push_back(std::make_unique<LineItem>(line, level));
    return *this;
}

Transaction& Transaction::Enable(bool on) {
    m_items.push_back(std::make_unique<EnableItem>(on));
    return *this;
}

Transaction& Transaction::Out(std::vector<uint8_t> bytes) {
    m_items.push_back(ShiftItem::Out(std::move(bytes)));
    return *this;
}

const ShiftItem& Transaction::Capture(uint32_t byteCount) {
    auto item = ShiftItem::Capture(byteCount);
    const ShiftItem& result = *item;
    m_items.push_back(std::move(item));
    return result;
}

int Transaction::Run(WinUsbLink& link) {
    std::vector<uint8_t> request;
    try {
        for (const auto& item : m_items) {
            if (!item->Serialize(request)) {
                return kBadRequest;
            }
        }
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    if (request.empty()) {
        return kBadRequest;
    }
    std::vector<uint8_t> reply;
    if (link.Transfer(request, reply) != 0) {
        return kTransferFailed;
    }
    const uint8_t* at = reply.data();
    size_t remaining = reply.size();
    for (const auto& item : m_items) {
        if (!item->Parse(at, remaining)) {
            return kBadReply;
        }
    }
    return remaining == 0 ? kOk : kBadReply;
}

}  // namespace brivel
