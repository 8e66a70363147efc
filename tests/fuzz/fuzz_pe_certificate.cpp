// The certificate-table reader of the signature check over any bytes.
#include <string>

#include "FuntionImpl/PeSignature.h"
#include "FuzzSupport.h"

using FuntionImpl::PeCertificateTable;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const PeCertificateTable t =
      FuntionImpl::FindCertificateTableInBytes(std::string(reinterpret_cast<const char*>(data), size));
  fuzz::Require(t.fileSize == size || t.status == PeCertificateTable::Status::NotPe, "the file size is the input's");
  if (t.status == PeCertificateTable::Status::EndsFile || t.status == PeCertificateTable::Status::DataAfter)
    fuzz::Require(t.size > 0 && t.offset <= t.fileSize && t.size <= t.fileSize - t.offset,
                  "a found table lies inside the file");
  if (t.status == PeCertificateTable::Status::EndsFile) fuzz::Require(t.fileSize - t.end() < 8, "only padding follows");
  return 0;
}
