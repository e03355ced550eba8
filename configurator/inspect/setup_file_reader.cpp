#include "inspect/setup_file_reader.h"

#include <iterator>

#include "inspect/text_format.h"

namespace quillon::inspect {
namespace {

constexpr uint64_t kAddressSpace = uint64_t{1} << 32;

// Value of an upper-case hexadecimal digit, or -1. The programmer reads upper case only.
int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

class LineReader {
public:
    LineReader(SetupFileContents& contents, size_t number) : m_contents(contents), m_line(number) {}

    void Read(std::string_view line) {
        if (line.empty()) {
            return;
        }
        if (line[0] != ':' && line[0] != 'S') {
            return Fail("строка не является S-записью: она должна начинаться с \":\" или \"S\"");
        }
        if (line.size() < 4) {
            return Fail("S-запись короче четырёх знаков");
        }
        const char type = line[1];
        if (type < '0' || type > '9') {
            return Fail("тип S-записи не цифра");
        }
        const std::string_view digits = line.substr(2);
        if (digits.size() % 2 != 0) {
            return Fail("нечётное число шестнадцатеричных цифр");
        }
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < digits.size(); i += 2) {
            const int high = DigitValue(digits[i]);
            const int low = DigitValue(digits[i + 1]);
            if (high < 0 || low < 0) {
                const char bad = high < 0 ? digits[i] : digits[i + 1];
                if ((bad >= 'a' && bad <= 'f')) {
                    return Fail(
                        "строчная шестнадцатеричная цифра: программатор принимает только "
                        "прописные");
                }
                return Fail("знак, который не является шестнадцатеричной цифрой");
            }
            bytes.push_back(static_cast<uint8_t>(high << 4 | low));
        }
        // bytes[0] is the count field, the last byte the checksum.
        if (bytes.size() < 2) {
            return Fail("в S-записи нет байтов после поля длины");
        }
        unsigned sum = 0;
        for (size_t i = 0; i + 1 < bytes.size(); ++i) {
            sum += bytes[i];
        }
        const auto expected = static_cast<uint8_t>(~sum);
        if (bytes.back() != expected) {
            return Fail("контрольная сумма S-записи " + HexDigits(bytes.back(), 2) +
                        ", ожидалась " + HexDigits(expected, 2));
        }
        if (bytes[0] != bytes.size() - 1) {
            return Fail("поле длины S-записи " + std::to_string(bytes[0]) +
                        " не совпадает с числом байтов в строке " +
                        std::to_string(bytes.size() - 1));
        }
        const std::span<const uint8_t> body = std::span(bytes).subspan(1, bytes.size() - 2);
        switch (type) {
            case '3':
                return Data(body);
            case '0':
                return Note("заголовок S0 пропущен");
            case '5':
            case '6':
                return Note("запись S" + std::string(1, type) + " с числом записей пропущена");
            case '7':
            case '8':
            case '9':
                return Note("завершающая запись S" + std::string(1, type) + " пропущена");
            case '1':
            case '2':
                return Fail("данные записи S" + std::string(1, type) +
                            " программатор не записывает; файл настроек состоит из записей S3");
            default:
                return Fail("S-запись неизвестного типа " + std::string(1, type));
        }
    }

private:
    void Data(std::span<const uint8_t> body) {
        if (body.size() < 4) {
            return Fail("в записи S3 меньше четырёх байтов адреса");
        }
        const uint32_t address =
            uint32_t{body[0]} << 24 | uint32_t{body[1]} << 16 | uint32_t{body[2]} << 8 | body[3];
        m_address = address;
        const std::span<const uint8_t> data = body.subspan(4);
        ++m_contents.dataRecords;
        if (address + uint64_t{data.size()} > kAddressSpace) {
            return Fail("данные выходят за конец 32-битного адресного пространства");
        }
        if (!m_contents.image.Insert(address, data)) {
            return Fail("байты по этим адресам уже заданы другой строкой");
        }
    }

    void Fail(std::string text) {
        m_contents.problems.push_back({m_line, m_address, std::move(text)});
    }
    void Note(std::string text) {
        m_contents.notes.push_back({m_line, m_address, std::move(text)});
    }

    SetupFileContents& m_contents;
    size_t m_line;
    std::optional<uint32_t> m_address;
};

}  // namespace

bool SparseImage::Insert(uint32_t address, std::span<const uint8_t> bytes) {
    if (bytes.empty()) {
        return true;
    }
    const uint64_t end = uint64_t{address} + bytes.size();
    if (end > kAddressSpace) {
        return false;
    }
    // The run at or before the address, and the one after it, are the only ones that can meet.
    auto next = m_runs.upper_bound(address);
    if (next != m_runs.end() && next->first < end) {
        return false;
    }
    auto previous = next == m_runs.begin() ? m_runs.end() : std::prev(next);
    if (previous != m_runs.end() && previous->first + uint64_t{previous->second.size()} > address) {
        return false;
    }
    std::vector<uint8_t>* run = nullptr;
    if (previous != m_runs.end() &&
        previous->first + uint64_t{previous->second.size()} == address) {
        run = &previous->second;
        run->insert(run->end(), bytes.begin(), bytes.end());
    } else {
        run = &m_runs.emplace(address, std::vector<uint8_t>(bytes.begin(), bytes.end()))
                   .first->second;
    }
    if (next != m_runs.end() && next->first == end) {
        run->insert(run->end(), next->second.begin(), next->second.end());
        m_runs.erase(next);
    }
    return true;
}

std::span<const uint8_t> SparseImage::RunFrom(uint32_t address) const {
    auto run = m_runs.upper_bound(address);
    if (run == m_runs.begin()) {
        return {};
    }
    --run;
    const uint64_t skip = uint64_t{address} - run->first;
    if (skip >= run->second.size()) {
        return {};
    }
    return std::span(run->second).subspan(static_cast<size_t>(skip));
}

SetupFileContents ReadSetupFile(std::string_view content) {
    SetupFileContents contents;
    size_t number = 0;
    while (!content.empty()) {
        ++number;
        const size_t newline = content.find('\n');
        std::string_view line = content.substr(0, newline);
        content.remove_prefix(newline == std::string_view::npos ? content.size() : newline + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        LineReader(contents, number).Read(line);
    }
    return contents;
}

}  // namespace quillon::inspect
