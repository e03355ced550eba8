#include "settings/address_text.h"

#include <cstdint>

namespace quillon {
namespace {

int FieldOf(std::string_view part) {
    if (part.empty()) {
        return kBlankField;
    }
    int value = 0;
    for (char c : part) {
        if (c < '0' || c > '9') {
            return kBlankField;
        }
        value = value * 10 + (c - '0');
        if (value > 255) {
            value = 256;  // held below any overflow; clamped after the loop
        }
    }
    return value > 255 ? 255 : value;
}

int FieldOrZero(int field) {
    return field == kBlankField ? 0 : field;
}

}  // namespace

AddressFields ParseAddressText(std::string_view text) {
    AddressFields fields{kBlankField, kBlankField, kBlankField, kBlankField};
    for (size_t i = 0; i < fields.size(); ++i) {
        const size_t dot = text.find('.');
        fields[i] = FieldOf(text.substr(0, dot));
        if (dot == std::string_view::npos) {
            break;
        }
        text.remove_prefix(dot + 1);
    }
    return fields;
}

std::string FormatAddressText(const AddressFields& fields) {
    std::string text;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            text.push_back('.');
        }
        text += std::to_string(FieldOrZero(fields[i]));
    }
    return text;
}

uint32_t AddressValue(const AddressFields& fields) {
    uint32_t value = 0;
    for (int field : fields) {
        value = (value << 8) | static_cast<uint32_t>(FieldOrZero(field) & 0xFF);
    }
    return value;
}

}  // namespace quillon
