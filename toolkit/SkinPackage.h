// The skin package: a ZIP archive held in memory. Entry names match without
// regard to ASCII case, and "\" and "/" both separate folders.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace SkinUI {

class SkinPackage {
 public:
  SkinPackage();
  ~SkinPackage();
  SkinPackage(const SkinPackage&) = delete;
  SkinPackage& operator=(const SkinPackage&) = delete;

  // Far above the skin's own (about a hundred entries of some KiB): a package
  // beyond them is not read whole, whatever its directory claims.
  static constexpr size_t kMaxEntries = 4096;
  static constexpr size_t kMaxNameBytes = 1023;
  static constexpr size_t kMaxEntryBytes = 4u << 20;

  // Takes a copy of the bytes. False (and an empty package) when they are not
  // a ZIP or hold more than kMaxEntries entries; names longer than
  // kMaxNameBytes are left out.
  bool Open(const std::string& bytes);
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }

  bool Contains(const std::string& name) const;
  // The whole entry, decompressed. False when absent, damaged or larger than
  // kMaxEntryBytes.
  bool Extract(const std::string& name, std::string& out) const;
  std::vector<std::string> EntryNames() const;  // as stored

  static std::string NormalizeName(const std::string& name);

  struct MemoryStream;

 private:
  struct EntryPos {
    unsigned long long posInCentralDir;
    unsigned long long numFile;
    unsigned long long uncompressedSize;
    std::string storedName;
  };
  std::string bytes_;
  void* handle_ = nullptr;  // unzFile
  std::map<std::string, EntryPos> entries_;
  std::unique_ptr<MemoryStream> stream_;
};

}  // namespace SkinUI
