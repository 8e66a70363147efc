#include "FuntionImpl/PeSignature.h"

#include <cstring>

#include "platform/OwnedHandles.h"
#include "platform/Platform.h"

namespace FuntionImpl {

namespace {

constexpr uint32_t kPeHeaderPointerAt = 0x3C;  // e_lfanew of the DOS header
constexpr uint32_t kCoffHeaderSize = 20;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kSecurityDirectory = 4;
constexpr uint64_t kTableAlignment = 8;

bool ReadU16(ByteSource& s, uint64_t at, uint16_t& v) {
  unsigned char b[2];
  if (!s.Read(at, b, 2)) return false;
  v = static_cast<uint16_t>(b[0] | b[1] << 8);
  return true;
}

bool ReadU32(ByteSource& s, uint64_t at, uint32_t& v) {
  unsigned char b[4];
  if (!s.Read(at, b, 4)) return false;
  v = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
      static_cast<uint32_t>(b[3]) << 24;
  return true;
}

// Only zero bytes between the table's end and the next 8-byte boundary.
bool OnlyPadding(ByteSource& s, uint64_t from, uint64_t to) {
  const uint64_t aligned = (from + kTableAlignment - 1) / kTableAlignment * kTableAlignment;
  if (to > aligned) return false;
  unsigned char b[kTableAlignment] = {};
  if (!s.Read(from, b, static_cast<size_t>(to - from))) return false;
  for (uint64_t i = 0; i < to - from; ++i)
    if (b[i] != 0) return false;
  return true;
}

class BytesSource : public ByteSource {
 public:
  explicit BytesSource(const std::string& bytes) : bytes_(bytes) {}
  uint64_t Size() override { return bytes_.size(); }
  bool Read(uint64_t offset, void* out, size_t len) override {
    if (offset > bytes_.size() || len > bytes_.size() - offset) return false;
    std::memcpy(out, bytes_.data() + offset, len);
    return true;
  }

 private:
  const std::string& bytes_;
};

class FileSource : public ByteSource {
 public:
  explicit FileSource(const std::wstring& path) : file_(platform::os().OpenFileForRead(path)) {
    int64_t size = file_ ? platform::os().FileSize(path) : -1;
    size_ = size > 0 ? static_cast<uint64_t>(size) : 0;
  }
  uint64_t Size() override { return size_; }
  bool Read(uint64_t offset, void* out, size_t len) override {
    if (!file_ || offset > size_ || len > size_ - offset) return false;
    return platform::os().ReadFileAt(file_.get(), static_cast<int64_t>(offset), out, len) == len;
  }

 private:
  platform::OwnedFile file_;
  uint64_t size_ = 0;
};

}  // namespace

PeCertificateTable FindCertificateTable(ByteSource& s) {
  PeCertificateTable t;
  t.fileSize = s.Size();
  unsigned char mz[2];
  if (!s.Read(0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return t;
  uint32_t pe = 0;
  if (!ReadU32(s, kPeHeaderPointerAt, pe)) return t;
  unsigned char sig[4];
  if (!s.Read(pe, sig, 4) || std::memcmp(sig, "PE\0\0", 4) != 0) return t;

  const uint64_t coff = uint64_t{pe} + 4;
  uint16_t optionalSize = 0, magic = 0;
  if (!ReadU16(s, coff + 16, optionalSize)) return t;
  const uint64_t optional = coff + kCoffHeaderSize;
  if (!ReadU16(s, optional, magic)) return t;
  uint64_t countAt = 0;
  if (magic == kMagicPe32)
    countAt = 92;
  else if (magic == kMagicPe32Plus)
    countAt = 108;
  else
    return t;
  uint32_t directories = 0;
  if (!ReadU32(s, optional + countAt, directories)) return t;
  const uint64_t entryAt = countAt + 4 + kSecurityDirectory * 8;
  // A directory the optional header does not hold is absent.
  if (directories <= kSecurityDirectory || entryAt + 8 > optionalSize) {
    t.status = PeCertificateTable::Status::NoTable;
    return t;
  }
  uint32_t offset = 0, size = 0;
  if (!ReadU32(s, optional + entryAt, offset) || !ReadU32(s, optional + entryAt + 4, size)) return t;
  if (offset == 0 || size == 0) {
    t.status = PeCertificateTable::Status::NoTable;
    return t;
  }
  t.offset = offset;
  t.size = size;
  if (t.end() > t.fileSize) {
    t.status = PeCertificateTable::Status::Malformed;
    return t;
  }
  const bool ends = t.end() == t.fileSize || OnlyPadding(s, t.end(), t.fileSize);
  t.status = ends ? PeCertificateTable::Status::EndsFile : PeCertificateTable::Status::DataAfter;
  return t;
}

PeCertificateTable FindCertificateTableInFile(const std::wstring& path) {
  FileSource source(path);
  return FindCertificateTable(source);
}

PeCertificateTable FindCertificateTableInBytes(const std::string& bytes) {
  BytesSource source(bytes);
  return FindCertificateTable(source);
}

}  // namespace FuntionImpl
