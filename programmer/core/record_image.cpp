#include "core/record_image.h"

namespace brivel {

void RecordImage::Add(const SRecordLine& record) {
    const int32_t length = record.length > 0 ? record.length : 0;
    m_records.push_back({record.type, record.address, m_bytes.size(), length});
    m_bytes.insert(m_bytes.end(), record.data, record.data + length);
}

void RecordImage::Clear() {
    m_records.clear();
    m_bytes.clear();
    m_next = 0;
}

int RecordImage::Rewind() {
    m_next = 0;
    return 0;
}

int RecordImage::NextRecord(SRecordLine& line) {
    if (m_next == m_records.size()) {
        line.type = -1;
        line.length = 0;
        return kReaderEnd;
    }
    const Kept& kept = m_records[m_next++];
    line.type = kept.type;
    line.address = kept.address;
    line.length = kept.length;
    line.data = m_bytes.data() + kept.offset;
    return kReaderRecord;
}

}  // namespace brivel
