#include "settings/setup_failure.h"

#include <utility>

#include "settings/cp1251.h"

namespace quillon {

SetupFailure::SetupFailure(std::string cp1251Message) : m_message(std::move(cp1251Message)) {}

SetupFailure SetupFailure::FromUtf8(std::string_view utf8Message) {
    return SetupFailure(ToCp1251(utf8Message));
}

}  // namespace quillon
