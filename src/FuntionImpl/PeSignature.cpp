#include "FuntionImpl/PeSignature.h"

#include <cstring>

#include "platform/Platform.h"

namespace FuntionImpl {

namespace {

constexpr uint32_t kPeHeaderPointerAt = 0x3C;  // e_lfanew of the DOS header
constexpr uint32_t kCoffHeaderSize = 20;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kSecurityDirectory = 4;
constexpr uint64_t kTableAlignment = 8;
constexpr uint32_t kEntryHeader = 8;          // WIN_CERTIFICATE: dwLength, wRevision, wCertificateType
constexpr uint16_t kRevision2 = 0x0200;       // WIN_CERT_REVISION_2_0
constexpr uint16_t kPkcsSignedData = 0x0002;  // WIN_CERT_TYPE_PKCS_SIGNED_DATA
constexpr unsigned char kDerSequence = 0x30;

uint64_t AlignUp(uint64_t n) { return (n + kTableAlignment - 1) / kTableAlignment * kTableAlignment; }

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

// Only zero bytes in [from, to).
bool AllZero(ByteSource& s, uint64_t from, uint64_t to) {
  unsigned char b[2 * kTableAlignment] = {};
  if (to < from || to - from > sizeof b || !s.Read(from, b, static_cast<size_t>(to - from))) return false;
  for (uint64_t i = 0; i < to - from; ++i)
    if (b[i] != 0) return false;
  return true;
}

// The encoded length of the DER SEQUENCE at `at` (tag and length octets
// included); 0 when it is no SEQUENCE of definite length within `limit` bytes.
uint64_t DerSequenceLength(ByteSource& s, uint64_t at, uint64_t limit) {
  unsigned char head[2];
  if (limit < 2 || !s.Read(at, head, 2) || head[0] != kDerSequence) return 0;
  uint64_t length = head[1], octets = 2;
  if (head[1] & 0x80) {
    const unsigned count = head[1] & 0x7F;  // 0: indefinite length, no DER
    if (count == 0 || count > 4) return 0;
    unsigned char bytes[4];
    if (!s.Read(at + 2, bytes, count)) return 0;
    length = 0;
    for (unsigned i = 0; i < count; ++i) length = length << 8 | bytes[i];
    octets += count;
  }
  return octets + length <= limit ? octets + length : 0;
}

// The table holds one WIN_CERTIFICATE whose signature fills it: its length
// rounded to 8 is the directory size, and after the signature's own encoding
// come at most 7 zero bytes (and zeros up to the rounded size).
bool OneSoundEntry(ByteSource& s, uint64_t offset, uint64_t size) {
  uint32_t length = 0;
  uint16_t revision = 0, type = 0;
  if (!ReadU32(s, offset, length) || !ReadU16(s, offset + 4, revision) || !ReadU16(s, offset + 6, type)) return false;
  if (length <= kEntryHeader || AlignUp(length) != size || revision != kRevision2 || type != kPkcsSignedData)
    return false;
  const uint64_t der = DerSequenceLength(s, offset + kEntryHeader, length - kEntryHeader);
  if (der == 0 || length - kEntryHeader - der >= kTableAlignment) return false;
  return AllZero(s, offset + kEntryHeader + der, offset + size);
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
  explicit FileSource(platform::FileHandle file) : file_(file) {
    int64_t size = file_ ? platform::os().FileSizeOf(file_) : -1;
    size_ = size > 0 ? static_cast<uint64_t>(size) : 0;
  }
  uint64_t Size() override { return size_; }
  bool Read(uint64_t offset, void* out, size_t len) override {
    if (!file_ || offset > size_ || len > size_ - offset) return false;
    return platform::os().ReadFileAt(file_, static_cast<int64_t>(offset), out, len) == len;
  }

 private:
  platform::FileHandle file_;
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
  if (t.end() > t.fileSize || offset % kTableAlignment != 0) {
    t.status = PeCertificateTable::Status::Malformed;
    return t;
  }
  if (!OneSoundEntry(s, t.offset, t.size)) {
    t.status = PeCertificateTable::Status::BadEntry;
    return t;
  }
  t.status = t.end() == t.fileSize ? PeCertificateTable::Status::EndsFile : PeCertificateTable::Status::DataAfter;
  return t;
}

PeCertificateTable FindCertificateTableInFile(platform::FileHandle file) {
  FileSource source(file);
  return FindCertificateTable(source);
}

PeCertificateTable FindCertificateTableInBytes(const std::string& bytes) {
  BytesSource source(bytes);
  return FindCertificateTable(source);
}

}  // namespace FuntionImpl
