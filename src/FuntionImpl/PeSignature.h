// Where a PE file keeps its certificate table (the security data directory)
// and whether the table ends the file. The system's hash check skips the
// table and whatever follows it, so bytes appended after a signature would
// ride along unnoticed; the signature check refuses such files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace FuntionImpl {

// Random access to the bytes of one file.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() = 0;
  // Exactly len bytes at offset; false when they are not all there.
  virtual bool Read(uint64_t offset, void* out, size_t len) = 0;
};

struct PeCertificateTable {
  enum class Status {
    NotPe,      // not readable as a PE image (no MZ/PE headers, truncated)
    NoTable,    // a PE image without a certificate table
    Malformed,  // the directory points outside the file
    EndsFile,   // the table is the last thing in the file (zero padding to 8 bytes allowed)
    DataAfter,  // bytes follow the table
  };
  Status status = Status::NotPe;
  uint64_t offset = 0;    // file offset of the table
  uint64_t size = 0;      // its size as the directory gives it
  uint64_t fileSize = 0;
  uint64_t end() const { return offset + size; }
};

PeCertificateTable FindCertificateTable(ByteSource& source);
// The same over a file (read only where the headers point) or over bytes.
PeCertificateTable FindCertificateTableInFile(const std::wstring& path);
PeCertificateTable FindCertificateTableInBytes(const std::string& bytes);

}  // namespace FuntionImpl
