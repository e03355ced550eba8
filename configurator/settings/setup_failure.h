#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace quillon {

// The one failure a configurator command raises: it ends the command, which shows the message.
class SetupFailure : public std::exception {
public:
    // The message is Windows-1251 bytes.
    explicit SetupFailure(std::string cp1251Message);

    // Builds the failure from a UTF-8 source literal.
    static SetupFailure FromUtf8(std::string_view utf8Message);

    const std::string& Message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

}  // namespace quillon
