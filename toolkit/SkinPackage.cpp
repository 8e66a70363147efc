#include "toolkit/SkinPackage.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace SkinUI {

// minizip reads through these callbacks from the bytes held in memory.
struct SkinPackage::MemoryStream {
  const std::string* data = nullptr;
  ZPOS64_T pos = 0;
  std::mutex lock;  // one unzFile has one cursor: extraction is serialised
};

namespace {
using Stream = SkinPackage::MemoryStream;

voidpf ZCALLBACK MemOpen(voidpf opaque, const void*, int) { return opaque; }
uLong ZCALLBACK MemWrite(voidpf, voidpf, const void*, uLong) { return 0; }
int ZCALLBACK MemClose(voidpf, voidpf) { return 0; }
int ZCALLBACK MemError(voidpf, voidpf) { return 0; }

uLong ZCALLBACK MemRead(voidpf, voidpf stream, void* buf, uLong size) {
  auto* s = static_cast<Stream*>(stream);
  ZPOS64_T total = s->data->size();
  if (s->pos >= total) return 0;
  uLong n = static_cast<uLong>(std::min<ZPOS64_T>(size, total - s->pos));
  std::memcpy(buf, s->data->data() + s->pos, n);
  s->pos += n;
  return n;
}
ZPOS64_T ZCALLBACK MemTell(voidpf, voidpf stream) { return static_cast<Stream*>(stream)->pos; }
long ZCALLBACK MemSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* s = static_cast<Stream*>(stream);
  ZPOS64_T base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = s->pos; break;
    case ZLIB_FILEFUNC_SEEK_END: base = s->data->size(); break;
    default: return -1;
  }
  ZPOS64_T target = base + offset;
  if (target > s->data->size()) return -1;
  s->pos = target;
  return 0;
}
}  // namespace

SkinPackage::SkinPackage() = default;
SkinPackage::~SkinPackage() { Close(); }

std::string SkinPackage::NormalizeName(const std::string& name) {
  std::string n = name;
  for (char& c : n) {
    if (c == '\\') c = '/';
    else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  while (!n.empty() && n[0] == '/') n.erase(0, 1);
  return n;
}

bool SkinPackage::Open(const std::string& bytes) {
  Close();
  if (bytes.empty()) return false;
  bytes_ = bytes;
  stream_ = std::make_unique<MemoryStream>();
  stream_->data = &bytes_;
  zlib_filefunc64_def funcs = {};
  funcs.zopen64_file = MemOpen;
  funcs.zread_file = MemRead;
  funcs.zwrite_file = MemWrite;
  funcs.ztell64_file = MemTell;
  funcs.zseek64_file = MemSeek;
  funcs.zclose_file = MemClose;
  funcs.zerror_file = MemError;
  funcs.opaque = stream_.get();
  unzFile zf = unzOpen2_64("memory", &funcs);
  if (!zf) {
    Close();
    return false;
  }
  handle_ = zf;
  size_t count = 0;
  for (int rc = unzGoToFirstFile(zf); rc == UNZ_OK; rc = unzGoToNextFile(zf)) {
    if (++count > kMaxEntries) {
      Close();
      return false;
    }
    unz_file_info64 info;
    // minizip ends a name with a zero only when the buffer has room for it.
    char name[kMaxNameBytes + 1];
    if (unzGetCurrentFileInfo64(zf, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    if (info.size_filename > kMaxNameBytes) continue;
    unz64_file_pos pos;
    if (unzGetFilePos64(zf, &pos) != UNZ_OK) break;
    std::string stored(name, info.size_filename);
    if (!stored.empty() && stored.back() == '/') continue;  // folder entry
    entries_.emplace(NormalizeName(stored),
                     EntryPos{pos.pos_in_zip_directory, pos.num_of_file, info.uncompressed_size, stored});
  }
  return true;
}

void SkinPackage::Close() {
  if (handle_) unzClose(static_cast<unzFile>(handle_));
  handle_ = nullptr;
  entries_.clear();
  stream_.reset();
  bytes_.clear();
  bytes_.shrink_to_fit();
}

bool SkinPackage::Contains(const std::string& name) const { return entries_.count(NormalizeName(name)) != 0; }

std::vector<std::string> SkinPackage::EntryNames() const {
  std::vector<std::string> names;
  for (const auto& e : entries_) names.push_back(e.second.storedName);
  return names;
}

bool SkinPackage::Extract(const std::string& name, std::string& out) const {
  out.clear();
  auto it = entries_.find(NormalizeName(name));
  if (it == entries_.end() || !handle_ || it->second.uncompressedSize > kMaxEntryBytes) return false;
  std::lock_guard<std::mutex> lock(stream_->lock);
  unzFile zf = static_cast<unzFile>(handle_);
  unz64_file_pos pos{it->second.posInCentralDir, it->second.numFile};
  if (unzGoToFilePos64(zf, &pos) != UNZ_OK) return false;
  if (unzOpenCurrentFile(zf) != UNZ_OK) return false;
  // The size in the directory is a hint, not a promise: the data may
  // inflate to more, which is refused as it comes.
  out.reserve(static_cast<size_t>(it->second.uncompressedSize));
  char buf[16384];
  int n;
  while ((n = unzReadCurrentFile(zf, buf, sizeof buf)) > 0 && out.size() + static_cast<size_t>(n) <= kMaxEntryBytes)
    out.append(buf, static_cast<size_t>(n));
  int closeRc = unzCloseCurrentFile(zf);  // reports a CRC mismatch
  if (n != 0 || closeRc != UNZ_OK) {
    out.clear();
    return false;
  }
  return true;
}

}  // namespace SkinUI
