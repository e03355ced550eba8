// The structural walk of one area: frame, section table, directories, every offset and what it
// leads to, every record's frame, and the bytes that nothing reaches.
#include <algorithm>
#include <deque>
#include <map>

#include "inspect/area_report.h"
#include "inspect/area_schema.h"
#include "inspect/record_decoders.h"
#include "inspect/text_format.h"

namespace quillon::inspect {
namespace {

class Walker {
public:
    Walker(std::span<const uint8_t> bytes, AreaKind kind, uint32_t base)
        : m_bytes(bytes), m_base(base) {
        m_report.kind = kind;
        m_report.size = bytes.size();
    }

    AreaReport Run() {
        if (Frame()) {
            Walk({kFirstRecord, kFirstRecord, ItemKind::kSectionTable, 0, 0}, false, std::nullopt);
            if (m_report.kind == AreaKind::kMeter) {
                PlaceMs744Speed();
            }
            RejectOverlaps();
            if (m_report.kind == AreaKind::kMeter) {
                CrossCheck();
            }
            ReportUnreached();
        }
        return Finish();
    }

private:
    struct Claimed {
        AreaItem item;
        std::vector<AreaProblem> problems;
        std::optional<size_t> parent;
        bool rejected = false;
    };

    std::string Where(uint64_t position) const { return FlashAddress(m_base + position); }

    void Problem(size_t offset, std::string text) {
        m_problems.push_back({offset, std::move(text)});
    }

    // Checks signature, size field and area checksum; false when nothing more can be read.
    bool Frame() {
        const size_t size = m_bytes.size();
        if (size >= kSignature.size() &&
            std::equal(kSignature.begin(), kSignature.end(), m_bytes.begin())) {
            m_report.signatureOk = true;
        } else {
            Problem(0, "сигнатура области неверна");
        }
        if (size < kFrameSize) {
            Problem(size, "область обрывается после " + std::to_string(size) + " байт");
            return false;
        }
        const size_t total = ReadU16(m_bytes, kTotalField);
        m_report.totalField = static_cast<uint16_t>(total);
        if (total < kFrameSize + 6) {
            Problem(kTotalField,
                    "поле размера области " + std::to_string(total) + " меньше наименьшей области");
            return false;
        }
        if (total > size) {
            Problem(size, "область обрывается: в ней " + std::to_string(size) +
                              " байт, а поле размера говорит " + std::to_string(total));
            m_end = size;
        } else {
            if (total < size) {
                Problem(total, "после конца области ещё " + std::to_string(size - total) + " байт");
            }
            m_end = total - 2;
            m_report.storedChecksum = ReadChecksum(m_bytes, m_end);
            m_report.computedChecksum = Crc16(m_bytes.first(m_end));
            if (*m_report.storedChecksum != m_report.computedChecksum) {
                Problem(m_end, "контрольная сумма области " + Hex4(*m_report.storedChecksum) +
                                   ", по содержимому " + Hex4(m_report.computedChecksum));
            }
        }
        return true;
    }

    void Walk(const Reference& first, bool hasField, std::optional<size_t> parent) {
        std::deque<std::pair<Reference, std::optional<size_t>>> queue;
        queue.emplace_back(first, parent);
        bool fieldKnown = hasField;
        while (!queue.empty()) {
            auto [reference, from] = queue.front();
            queue.pop_front();
            const size_t before = m_claimed.size();
            Claim(reference, fieldKnown, from);
            fieldKnown = true;
            if (m_claimed.size() > before) {
                for (const Reference& next : m_pending) {
                    queue.emplace_back(next, m_claimed.size() - 1);
                }
            }
            m_pending.clear();
        }
    }

    std::vector<AreaProblem>& ProblemsOf(std::optional<size_t> parent) {
        return parent ? m_claimed[*parent].problems : m_problems;
    }

    // Claims what a reference leads to; the references it holds are left in m_pending.
    void Claim(const Reference& reference, bool hasField, std::optional<size_t> parent) {
        const std::string target =
            Where(static_cast<uint64_t>(std::max<int64_t>(reference.target, 0)));
        if (reference.target < static_cast<int64_t>(kFirstRecord) ||
            reference.target >= static_cast<int64_t>(m_end)) {
            ProblemsOf(parent).push_back(
                {reference.field,
                 "смещение ведёт за пределы записей области" +
                     (reference.target >= 0 ? " (к " + target + ")" : std::string())});
            return;
        }
        const auto start = static_cast<size_t>(reference.target);
        if (const auto seen = m_byStart.find(start); seen != m_byStart.end()) {
            const AreaItem& item = m_claimed[seen->second].item;
            if (item.kind != reference.kind) {
                ProblemsOf(parent).push_back(
                    {reference.field,
                     "смещение ведёт к " + target + ", где уже прочитана запись «" +
                         ItemName(item.kind, item.section, item.identifier) + "»"});
            }
            return;
        }
        Claimed claimed;
        claimed.parent = parent;
        AreaItem& item = claimed.item;
        item.kind = reference.kind;
        item.start = start;
        item.section = reference.section;
        item.identifier = reference.identifier;
        if (hasField) {
            item.field = reference.field;
        }
        const std::string name = ItemName(item.kind, item.section, item.identifier);
        if (item.kind == ItemKind::kString) {
            const auto text = m_bytes.subspan(start, m_end - start);
            const auto zero = std::find(text.begin(), text.end(), uint8_t{0});
            if (zero == text.end()) {
                ProblemsOf(parent).push_back(
                    {reference.field, "смещение ведёт к " + target +
                                          ", где строка не завершается нулевым байтом до конца "
                                          "записей области"});
                return;
            }
            item.size = static_cast<size_t>(zero - text.begin()) + 1;
            item.value = TextValue{std::string(text.begin(), zero)};
        } else {
            // A target where no whole record stands is the offset's fault as far as anyone can
            // tell; the bytes it should have reached show up as unreached.
            const size_t size = start + 2 <= m_end ? ReadU16(m_bytes, start) : 0;
            if (size < 4 || start + size > m_end) {
                ProblemsOf(parent).push_back(
                    {hasField ? reference.field : start,
                     (hasField
                          ? "смещение ведёт к " + target + ", где нет целой записи «" + name + "»: "
                          : name + ": ") +
                         (start + 2 > m_end ? std::string("нет места для поля размера")
                                            : "размер " + std::to_string(size) +
                                                  (size < 4 ? " меньше 4"
                                                            : " выводит её за конец записей "
                                                              "области"))});
                return;
            }
            item.size = size;
            const uint16_t stored = ReadChecksum(m_bytes, start + size - 2);
            const uint16_t computed = Crc16(m_bytes.subspan(start, size - 2));
            if (stored != computed) {
                claimed.problems.push_back({start, name + ": контрольная сумма записи " +
                                                       Hex4(stored) + ", по содержимому " +
                                                       Hex4(computed)});
            }
            const RecordView view{m_bytes, m_report.kind, start,
                                  size,    item.section,  item.identifier};
            Findings findings{claimed.problems, m_pending};
            item.value = DecodeRecord(item.kind, view, findings);
        }
        m_byStart.emplace(start, m_claimed.size());
        m_claimed.push_back(std::move(claimed));
    }

    // The MS744 speed record is written even without an MS744 section, and then no offset
    // leads to it: it follows the section table, or the directory of section 0x0000 when that
    // section exists.
    void PlaceMs744Speed() {
        if (m_claimed.empty() || m_claimed[0].item.kind != ItemKind::kSectionTable) {
            return;
        }
        const auto* table = std::get_if<OffsetTableValue>(&m_claimed[0].item.value);
        if (table == nullptr) {
            return;
        }
        size_t position = m_claimed[0].item.start + m_claimed[0].item.size;
        for (const OffsetEntry& entry : table->entries) {
            if (entry.identifier == kMs744Section) {
                return;
            }
        }
        for (const Claimed& claimed : m_claimed) {
            if (claimed.item.kind == ItemKind::kDirectory &&
                claimed.item.section == kPasswordSection && claimed.item.start == position) {
                position += claimed.item.size;
            }
        }
        for (const Claimed& claimed : m_claimed) {
            if (claimed.item.start == position) {
                Problem(position, "нет записи «" +
                                      ItemName(ItemKind::kMs744Baud, kMs744Section, 0x001B) +
                                      "», которая без секции 0x0013 стоит здесь без ссылки");
                return;
            }
        }
        Walk(
            {position, static_cast<int64_t>(position), ItemKind::kMs744Baud, kMs744Section, 0x001B},
            false, std::nullopt);
    }

    // An offset that leads into a record reached otherwise is the one at fault. Sound records
    // are placed first, so a damaged offset never discredits the record it runs into.
    void RejectOverlaps() {
        std::map<size_t, const AreaItem*> kept;  // by start
        const auto containing = [&](size_t position) -> const AreaItem* {
            auto next = kept.upper_bound(position);
            if (next == kept.begin()) {
                return nullptr;
            }
            const AreaItem* item = std::prev(next)->second;
            return position < item->start + item->size ? item : nullptr;
        };
        const auto nameOf = [](const AreaItem& item) {
            return ItemName(item.kind, item.section, item.identifier);
        };
        // Sound: no problem of its own, and reached through sound records only.
        std::vector<bool> soundness(m_claimed.size());
        for (size_t i = 0; i < m_claimed.size(); ++i) {
            const auto parent = m_claimed[i].parent;
            soundness[i] = m_claimed[i].problems.empty() && (!parent || soundness[*parent]);
        }
        for (const bool sound : {true, false}) {
            for (size_t i = 0; i < m_claimed.size(); ++i) {
                Claimed& claimed = m_claimed[i];
                if (soundness[i] != sound) {
                    continue;
                }
                const AreaItem& item = claimed.item;
                if (const AreaItem* host = containing(item.start)) {
                    claimed.rejected = true;
                    ProblemsOf(claimed.parent)
                        .push_back({item.field.value_or(item.start),
                                    "смещение ведёт в середину записи «" + nameOf(*host) + "» (" +
                                        Where(host->start) + ")"});
                    continue;
                }
                const auto next = kept.upper_bound(item.start);
                if (next != kept.end() && next->first < item.start + item.size) {
                    claimed.problems.push_back(
                        {item.start, nameOf(item) + ": запись перекрывает «" +
                                         nameOf(*next->second) + "» (" + Where(next->first) + ")"});
                }
                kept.emplace(item.start, &item);
            }
        }
        // What a rejected record holds is no evidence of anything.
        for (Claimed& claimed : m_claimed) {
            if (claimed.parent && m_claimed[*claimed.parent].rejected) {
                claimed.rejected = true;
            }
        }
    }

    // References between the meter area's records: password set references into the set list,
    // password indexes into the unique password table, mask bits within their group.
    void CrossCheck() {
        const PasswordSetsValue* sets = nullptr;
        const PasswordTableValue* passwords = nullptr;
        std::map<uint16_t, size_t> groupSizes;
        for (const Claimed& claimed : m_claimed) {
            if (claimed.rejected) {
                continue;
            }
            if (const auto* v = std::get_if<PasswordSetsValue>(&claimed.item.value)) {
                sets = v;
            }
            if (claimed.item.kind == ItemKind::kPasswordTable) {
                passwords = std::get_if<PasswordTableValue>(&claimed.item.value);
            }
            if (const auto* v = std::get_if<AddressTableValue>(&claimed.item.value)) {
                groupSizes[claimed.item.section] = v->addresses.size();
            }
        }
        for (Claimed& claimed : m_claimed) {
            if (claimed.rejected) {
                continue;
            }
            const AreaItem& item = claimed.item;
            const std::string name = ItemName(item.kind, item.section, item.identifier);
            if (const auto* v = std::get_if<SetReferenceValue>(&item.value)) {
                for (uint8_t set : v->sets) {
                    if (sets == nullptr || set >= sets->sets.size()) {
                        claimed.problems.push_back(
                            {item.start, name + ": ссылка на набор паролей " + std::to_string(set) +
                                             ", а наборов " +
                                             std::to_string(sets ? sets->sets.size() : 0)});
                    }
                }
            }
            if (const auto* v = std::get_if<PasswordSetsValue>(&item.value)) {
                const size_t count = passwords ? passwords->passwords.size() : 0;
                for (size_t s = 0; s < v->sets.size(); ++s) {
                    for (const PasswordElement& element : v->sets[s]) {
                        if (element.meter > 32) {
                            claimed.problems.push_back(
                                {item.start, name + ": в наборе " + std::to_string(s) +
                                                 " счетчик " + std::to_string(element.meter) +
                                                 " вне группы из 32"});
                        }
                        for (uint8_t index : element.passwords) {
                            if (index >= count) {
                                claimed.problems.push_back(
                                    {item.start, name + ": в наборе " + std::to_string(s) +
                                                     " ссылка на пароль " + std::to_string(index) +
                                                     ", а паролей " + std::to_string(count)});
                            }
                        }
                    }
                }
            }
            if (const auto* v = std::get_if<MaskValue>(&item.value)) {
                const auto group = groupSizes.find(item.section);
                if (group != groupSizes.end() && group->second < 32 &&
                    (v->mask >> group->second) != 0) {
                    claimed.problems.push_back(
                        {item.start + 2, name + ": отмечены счетчики за пределами группы из " +
                                             std::to_string(group->second)});
                }
            }
        }
    }

    void ReportUnreached() {
        std::vector<std::pair<size_t, size_t>> covered;
        for (const Claimed& claimed : m_claimed) {
            if (!claimed.rejected) {
                covered.emplace_back(claimed.item.start, claimed.item.start + claimed.item.size);
            }
        }
        std::sort(covered.begin(), covered.end());
        size_t position = kFirstRecord;
        const auto gap = [&](size_t until) {
            if (until > position) {
                Problem(position, std::to_string(until - position) +
                                      " байт, к которым не ведёт ни одно смещение");
            }
        };
        for (const auto& [start, end] : covered) {
            gap(start);
            position = std::max(position, end);
        }
        gap(m_end);
    }

    AreaReport Finish() {
        for (Claimed& claimed : m_claimed) {
            if (claimed.rejected) {
                continue;
            }
            m_report.items.push_back(std::move(claimed.item));
            for (AreaProblem& problem : claimed.problems) {
                m_problems.push_back(std::move(problem));
            }
        }
        std::stable_sort(m_report.items.begin(), m_report.items.end(),
                         [](const AreaItem& a, const AreaItem& b) { return a.start < b.start; });
        std::stable_sort(
            m_problems.begin(), m_problems.end(),
            [](const AreaProblem& a, const AreaProblem& b) { return a.offset < b.offset; });
        m_report.problems = std::move(m_problems);
        return std::move(m_report);
    }

    std::span<const uint8_t> m_bytes;
    uint32_t m_base;
    size_t m_end = 0;
    AreaReport m_report;
    std::vector<Claimed> m_claimed;
    // Claimed starts, so that every offset to one place costs a lookup.
    std::map<size_t, size_t> m_byStart;
    std::vector<Reference> m_pending;
    std::vector<AreaProblem> m_problems;
};

}  // namespace

AreaReport WalkArea(std::span<const uint8_t> bytes, AreaKind kind, uint32_t base) {
    return Walker(bytes, kind, base).Run();
}

std::vector<AreaProblem> CheckArea(std::span<const uint8_t> bytes, AreaKind kind) {
    return WalkArea(bytes, kind, 0).problems;
}

}  // namespace quillon::inspect
