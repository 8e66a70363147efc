// MD5 (RFC 1321), streaming.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace FuntionImpl {

class Md5 {
 public:
  Md5();
  void Update(const void* data, size_t len);
  // Finishes the digest; the object must be Reset() before reuse.
  void Final(uint8_t digest[16]);
  std::string FinalHex();  // 32 lower-case hexadecimal digits
  void Reset();

 private:
  void Transform(const uint8_t block[64]);
  uint32_t state_[4];
  uint64_t bytes_;
  uint8_t buffer_[64];
};

std::string Md5Hex(const std::string& text);

}  // namespace FuntionImpl
