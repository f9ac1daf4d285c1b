// Standard base64 (RFC 4648 alphabet, "=" padding, no line breaks): the
// attachments' lines, the signature's hashes and the AUTH exchanges all use it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace norvane {

// `size` bytes encoded and appended to `out`.
void AppendBase64(const unsigned char* data, std::size_t size, std::string& out);

std::string Base64(std::string_view bytes);

}  // namespace norvane
