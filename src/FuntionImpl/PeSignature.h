// Where a PE file keeps its certificate table (the security data directory),
// whether the table holds exactly one signature and nothing else, and whether
// it ends the file. The system's hash check skips the table and whatever
// follows it, so bytes added inside the table or after it would ride along
// with a valid signature; the signature check refuses such files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Platform.h"

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
    Malformed,  // the directory points outside the file or off the 8-byte grid
    BadEntry,   // the table is not one WIN_CERTIFICATE holding one signature (revision 2.0,
                // PKCS#7 SignedData of definite length, at most 7 zero bytes of padding)
    EndsFile,   // one sound entry, and the table is the last thing in the file
    DataAfter,  // a sound entry, but bytes follow the table
  };
  Status status = Status::NotPe;
  uint64_t offset = 0;    // file offset of the table
  uint64_t size = 0;      // its size as the directory gives it
  uint64_t fileSize = 0;
  uint64_t end() const { return offset + size; }
};

PeCertificateTable FindCertificateTable(ByteSource& source);
// The same over an open file (read only where the headers point) or over bytes.
PeCertificateTable FindCertificateTableInFile(platform::FileHandle file);
PeCertificateTable FindCertificateTableInBytes(const std::string& bytes);

}  // namespace FuntionImpl
