#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace brivel {

class WinUsbLink;

// One item of a request to the USB programmer. It appends its fragment to the request and
// consumes its part of the reply (items that capture nothing have no part).
class TransactionItem {
public:
    virtual ~TransactionItem() = default;
    virtual bool Serialize(std::vector<uint8_t>& request) const = 0;
    virtual bool Parse(const uint8_t*& reply, size_t& remaining);
};

// Sets a control line: 1 EzPort clock, 2 target reset (0 holds the target in reset),
// 3 EzPort chip select (0 selects).
class LineItem : public TransactionItem {
public:
    static constexpr int kClock = 1;
    static constexpr int kReset = 2;
    static constexpr int kChipSelect = 3;

    LineItem(int line, int level) : m_line(line), m_level(level) {}
    bool Serialize(std::vector<uint8_t>& request) const override;

private:
    int m_line;
    int m_level;
};

// Switches the drivers of the target lines on or off.
class EnableItem : public TransactionItem {
public:
    explicit EnableItem(bool on) : m_on(on) {}
    bool Serialize(std::vector<uint8_t>& request) const override;

private:
    bool m_on;
};

// Shifts whole bytes out, or captures a number of bytes shifted in.
class ShiftItem : public TransactionItem {
public:
    static std::unique_ptr<ShiftItem> Out(std::vector<uint8_t> bytes);
    static std::unique_ptr<ShiftItem> Capture(uint32_t byteCount);

    bool Serialize(std::vector<uint8_t>& request) const override;
    bool Parse(const uint8_t*& reply, size_t& remaining) override;
    const std::vector<uint8_t>& Captured() const { return m_captured; }

private:
    ShiftItem(bool capture, std::vector<uint8_t> data, uint32_t bitCount);

    bool m_capture;
    std::vector<uint8_t> m_data;
    uint32_t m_bitCount;
    std::vector<uint8_t> m_captured;
};

// An ordered list of items, built, run once and dropped.
class Transaction {
public:
    static constexpr int kOk = 0;
    static constexpr int kBadRequest = 1;  // an item failed to serialise, or nothing to send
    static constexpr int kBadReply = 2;    // the reply does not match the items
    static constexpr int kNoMemory = 3;
    static constexpr int kTransferFailed = 4;

    Transaction& Line(int line, int level);
    Transaction& Enable(bool on);
    Transaction& Out(std::vector<uint8_t> bytes);
    // The returned item holds the captured bytes after a successful run.
    const ShiftItem& Capture(uint32_t byteCount);

    int Run(WinUsbLink& link);

private:
    std::vector<std::unique_ptr<TransactionItem>> m_items;
};

}  // namespace brivel
