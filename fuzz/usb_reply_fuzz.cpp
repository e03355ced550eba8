// The USB programmer's reply parser: a transaction of items chosen by the input runs over a
// link whose device answers with the rest of the input, served in 1024-byte reads as the
// firmware sends it. Also the adapter's ReadStatus and Read over the same replies.
//
// Properties: a run gives 0 or 2 (never 1, 3 or 4 with these items and a device that takes
// the request); it gives 0 exactly when the reply is, in item order, one part per capture item
// (0x00, flags, a non-zero big-endian count whose bit count is the item's, the bytes) and
// nothing more; then each item holds exactly its part's bytes. Read copies exactly the
// captured bytes and fails with 101 otherwise.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "adapters/usb_pipes.h"
#include "adapters/usb_programmer.h"
#include "adapters/usb_transaction.h"
#include "adapters/winusb_link.h"
#include "fuzz_check.h"

namespace {

using brivel::Transaction;

// A device that takes every request and answers each with the same reply.
class ReplyingPipes : public brivel::UsbPipes {
public:
    explicit ReplyingPipes(std::vector<uint8_t> reply) : m_reply(std::move(reply)) {}

    bool SetPipePolicy(uint8_t, uint32_t, uint8_t) override { return true; }
    bool GetDescriptor(uint8_t, uint8_t, uint16_t, uint8_t*, uint32_t,
                       uint32_t* transferred) override {
        *transferred = 0;
        return false;
    }
    bool WritePipe(uint8_t, const uint8_t*, uint32_t length, uint32_t* written, uint32_t) override {
        FUZZ_CHECK(length > 0);
        *written = length;
        m_at = 0;
        return true;
    }
    // A full read is followed by a shorter one (a zero-length packet at the end).
    bool ReadPipe(uint8_t, uint8_t* buffer, uint32_t length, uint32_t* read, uint32_t) override {
        const size_t n = std::min<size_t>(length, m_reply.size() - m_at);
        std::copy_n(m_reply.begin() + static_cast<std::ptrdiff_t>(m_at), n, buffer);
        m_at += n;
        *read = static_cast<uint32_t>(n);
        return true;
    }

private:
    std::vector<uint8_t> m_reply;
    size_t m_at = 0;
};

// The reply rules, written from the item format: true when reply holds exactly one part per
// capture of counts[i] bytes.
bool ReplyMatches(const std::vector<uint32_t>& captures, const std::vector<uint8_t>& reply) {
    size_t at = 0;
    for (uint32_t bytes : captures) {
        if (reply.size() - at < 4 || reply[at] != 0x00) {
            return false;
        }
        const uint32_t count = reply[at + 2] << 8 | reply[at + 3];
        const uint32_t lastBits = reply[at + 1] >> 5;
        if (count == 0) {
            return false;
        }
        const uint64_t bits = lastBits == 0 ? count * 8ull : (count - 1) * 8ull + lastBits;
        if (bits != bytes * 8ull || reply.size() - at - 4 < count) {
            return false;
        }
        at += 4 + count;
    }
    return at == reply.size();
}

// Input: a mode byte, item bytes, then the reply.
//   mode % 3 == 0: up to 8 items, each one byte (kind in bits 1..0: line, enable, out, capture)
//                  and for captures two more bytes with the count (1..8192);
//   mode % 3 == 1: the adapter's ReadStatus;
//   mode % 3 == 2: the adapter's Read, two bytes of length (1..4096) first.
struct Cursor {
    const uint8_t* data;
    size_t size;
    uint8_t Take() {
        if (size == 0) {
            return 0;
        }
        --size;
        return *data++;
    }
    uint32_t Take16() { return static_cast<uint32_t>(Take()) << 8 | Take(); }
};

void FuzzTransaction(Cursor& in) {
    const int items = 1 + in.Take() % 8;
    Transaction transaction;
    std::vector<uint32_t> captures;
    std::vector<const brivel::ShiftItem*> captured;
    for (int i = 0; i < items; ++i) {
        const uint8_t kind = in.Take();
        switch (kind & 3) {
            case 0:
                transaction.Line(1 + (kind >> 2) % 3, (kind >> 4) & 1);
                break;
            case 1:
                transaction.Enable((kind >> 2) & 1);
                break;
            case 2:
                transaction.Out(std::vector<uint8_t>(1 + (kind >> 2), kind));
                break;
            default: {
                const uint32_t count = 1 + in.Take16() % 8192;
                captures.push_back(count);
                captured.push_back(&transaction.Capture(count));
                break;
            }
        }
    }
    const std::vector<uint8_t> reply(in.data, in.data + in.size);
    ReplyingPipes pipes(reply);
    brivel::WinUsbLink link;
    FUZZ_CHECK(link.Initialize(pipes) == 0);
    const int result = transaction.Run(link);
    const bool matches = ReplyMatches(captures, reply);
    FUZZ_CHECK(result == (matches ? Transaction::kOk : Transaction::kBadReply));
    if (result == Transaction::kOk) {
        size_t at = 0;
        for (size_t i = 0; i < captured.size(); ++i) {
            const std::vector<uint8_t>& bytes = captured[i]->Captured();
            FUZZ_CHECK(bytes.size() == captures[i]);
            FUZZ_CHECK(std::equal(bytes.begin(), bytes.end(), reply.begin() + at + 4));
            at += 4 + bytes.size();
        }
    }
}

void FuzzAdapter(Cursor& in, bool read) {
    const uint32_t length = read ? 1 + in.Take16() % 4096 : 1;
    const std::vector<uint8_t> reply(in.data, in.data + in.size);
    ReplyingPipes pipes(reply);
    FUZZ_CHECK(brivel::UsbOpen(pipes) == 0);
    const bool matches = ReplyMatches({length}, reply);
    if (read) {
        std::vector<uint8_t> buffer(length, 0xA5);
        const int result = brivel::kUsbOps.Read(0x1000, buffer.data(), length);
        FUZZ_CHECK(result == (matches ? 0 : 101));
        if (result == 0) {
            FUZZ_CHECK(std::equal(buffer.begin(), buffer.end(), reply.begin() + 4));
        }
    } else {
        uint8_t status = 0xA5;
        const int result = brivel::kUsbOps.ReadStatus(&status);
        FUZZ_CHECK(result == 0 || result == -1);
        if (matches) {
            FUZZ_CHECK(status == reply[4]);
            FUZZ_CHECK(result == ((status & 0x1C) != 0 ? -1 : 0));
        } else {
            FUZZ_CHECK(result == -1);
        }
    }
    brivel::UsbClose();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Cursor in{data, size};
    switch (in.Take() % 3) {
        case 0:
            FuzzTransaction(in);
            break;
        case 1:
            FuzzAdapter(in, false);
            break;
        default:
            FuzzAdapter(in, true);
            break;
    }
    return 0;
}
