#include "smtp/base64.h"

namespace norvane {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

void AppendBase64(const unsigned char* data, std::size_t size, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + (size + 2) / 3 * 4);
  char* dst = out.data() + start;
  std::size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    const unsigned v = (unsigned{data[i]} << 16) | (unsigned{data[i + 1]} << 8) | data[i + 2];
    *dst++ = kAlphabet[v >> 18];
    *dst++ = kAlphabet[(v >> 12) & 63];
    *dst++ = kAlphabet[(v >> 6) & 63];
    *dst++ = kAlphabet[v & 63];
  }
  if (size - i == 1) {
    const unsigned v = unsigned{data[i]} << 16;
    *dst++ = kAlphabet[v >> 18];
    *dst++ = kAlphabet[(v >> 12) & 63];
    *dst++ = '=';
    *dst++ = '=';
  } else if (size - i == 2) {
    const unsigned v = (unsigned{data[i]} << 16) | (unsigned{data[i + 1]} << 8);
    *dst++ = kAlphabet[v >> 18];
    *dst++ = kAlphabet[(v >> 12) & 63];
    *dst++ = kAlphabet[(v >> 6) & 63];
    *dst++ = '=';
  }
}

std::string Base64(std::string_view bytes) {
  std::string out;
  AppendBase64(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out);
  return out;
}

}  // namespace norvane
