#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "ChecksTestSupport.h"
#include "FuntionImpl/PeSignature.h"
#include "FuntionImpl/ProcessLaunch.h"
#include "platform/Utf.h"

using checkstest::ChecksOs;
using checkstest::LogLines;
using checkstest::MakePe;
using checkstest::Put16;
using checkstest::Put32;
using FuntionImpl::FindCertificateTableInBytes;
using FuntionImpl::PeCertificateTable;
using Status = PeCertificateTable::Status;

namespace {

TEST(PeCertificateTableTest, TableAtTheEndOfThePe32PlusAndPe32Images) {
  for (bool plus : {true, false}) {
    PeCertificateTable t = FindCertificateTableInBytes(MakePe(plus, 24));
    EXPECT_EQ(t.status, Status::EndsFile) << plus;
    EXPECT_EQ(t.offset, 512u);
    EXPECT_EQ(t.size, 24u);
    EXPECT_EQ(t.fileSize, 536u);
  }
}

TEST(PeCertificateTableTest, ZeroPaddingToEightBytesStillEndsTheFile) {
  EXPECT_EQ(FindCertificateTableInBytes(MakePe(true, 20, std::string(4, '\0'))).status, Status::EndsFile);
  // Padding that is not zero, or longer than the alignment, is data.
  EXPECT_EQ(FindCertificateTableInBytes(MakePe(true, 20, std::string("\0\0\0X", 4))).status, Status::DataAfter);
  EXPECT_EQ(FindCertificateTableInBytes(MakePe(true, 20, std::string(12, '\0'))).status, Status::DataAfter);
  EXPECT_EQ(FindCertificateTableInBytes(MakePe(true, 24, std::string(1, '\0'))).status, Status::DataAfter);
}

TEST(PeCertificateTableTest, AppendedBytesAreFound) {
  PeCertificateTable t = FindCertificateTableInBytes(MakePe(true, 24, "payload after the signature"));
  EXPECT_EQ(t.status, Status::DataAfter);
  EXPECT_EQ(t.end(), 536u);
  EXPECT_EQ(t.fileSize, 536u + 27u);
}

TEST(PeCertificateTableTest, ImagesWithoutATable) {
  EXPECT_EQ(FindCertificateTableInBytes(MakePe(true, 0)).status, Status::NoTable);
  // The directory count stops before the security entry: whatever follows is not one.
  std::string fewDirectories = MakePe(true, 24, "", 4);
  EXPECT_EQ(FindCertificateTableInBytes(fewDirectories).status, Status::NoTable);
}

TEST(PeCertificateTableTest, TableBeyondTheFileIsMalformed) {
  std::string image = MakePe(true, 24);
  image.resize(530);
  EXPECT_EQ(FindCertificateTableInBytes(image).status, Status::Malformed);
}

TEST(PeCertificateTableTest, TruncatedAndGarbageInputIsNotPe) {
  const std::string image = MakePe(true, 24);
  // Every cut inside the headers (the directory entry ends at 0x80 + 24 + 152).
  for (size_t n = 0; n < 0x80 + 24 + 152; ++n) {
    PeCertificateTable t = FindCertificateTableInBytes(image.substr(0, n));
    EXPECT_EQ(t.status, Status::NotPe) << n;
  }
  std::mt19937 random(7);
  for (int i = 0; i < 300; ++i) {
    std::string junk(2 + random() % 600, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    junk[0] = 'M';
    junk[1] = 'Z';
    // Sometimes point the header at "PE" inside the junk, so later reads run too.
    if (junk.size() >= 0x48 && i % 2) {
      Put32(junk, 0x3C, 0x40);
      junk.replace(0x40, 4, std::string("PE\0\0", 4));
    }
    FindCertificateTableInBytes(junk);  // must stay inside the bytes (ASan)
  }
  std::string badMagic = image;
  Put16(badMagic, 0x80 + 24, 0x107);
  EXPECT_EQ(FindCertificateTableInBytes(badMagic).status, Status::NotPe);
  std::string farHeader = image;
  Put32(farHeader, 0x3C, 0xFFFFFFF0u);
  EXPECT_EQ(FindCertificateTableInBytes(farHeader).status, Status::NotPe);
}

// A temporary file holding bytes, removed afterwards.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes) {
    static int n = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("lumevia-checks-" + std::to_string(platform::nativeOs().CurrentProcessId()) + "-" +
             std::to_string(n++) + ".exe");
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  ~TempFile() { std::filesystem::remove(path_); }
  std::wstring path() const { return path_.wstring(); }

 private:
  std::filesystem::path path_;
};

TEST(PeCertificateTableTest, FileReaderAgreesWithTheBytes) {
  const std::string image = MakePe(true, 24, "tail");
  TempFile file(image);
  PeCertificateTable fromFile = FuntionImpl::FindCertificateTableInFile(file.path());
  EXPECT_EQ(fromFile.status, Status::DataAfter);
  EXPECT_EQ(fromFile.fileSize, image.size());
  EXPECT_EQ(FuntionImpl::FindCertificateTableInFile(file.path() + L".missing").status, Status::NotPe);
}

constexpr long kNoSignature = static_cast<long>(0x800B0100);

class VerifyEmbeddedSignatureTest : public ::testing::Test {
 protected:
  bool Verify(const std::vector<std::wstring>& publishers = {}) {
    return FuntionImpl::VerifyEmbeddedSignature(signedFile.path(), publishers);
  }
  std::string Path() const { return platform::Utf8FromWide(signedFile.path()); }

  ChecksOs os;
  platform::ScopedOs scoped{os};
  LogLines log;
  TempFile signedFile{MakePe(true, 24)};
};

TEST_F(VerifyEmbeddedSignatureTest, EachTrustAnswerHasItsMessage) {
  struct Case {
    long result;
    unsigned long lastError;
    std::string message;
  };
  const std::vector<Case> cases = {
      {kNoSignature, 0x800B0100, "The file \"" + Path() + "\" is not signed."},
      {kNoSignature, 0x800B0003, "The file \"" + Path() + "\" is not signed."},
      {kNoSignature, 0x800B0001, "The file \"" + Path() + "\" is not signed."},
      {kNoSignature, 5, "An unknown error occurred trying to verify the signature of the \"" + Path() + "\" file."},
      {static_cast<long>(0x800B0111), 0, "The signature is present, but specifically disallowed."},
      {static_cast<long>(0x800B0004), 0, "The signature is present, but not trusted."},
      {static_cast<long>(0x80092026), 0,
       "CRYPT_E_SECURITY_SETTINGS - The hash representing the subject or the publisher wasn't explicitly trusted "
       "by the admin and admin policy has disabled user trust. No signature, publisher or timestamp errors."},
      {static_cast<long>(0x80096010), 0, "Error is: 0x80096010."},
  };
  for (const Case& c : cases) {
    os.hashTrust = {c.result, c.lastError, L"", false};
    EXPECT_FALSE(Verify());
    EXPECT_EQ(log.lines().back(), " VerifyEmbeddedSignature result is " +
                                      std::to_string(static_cast<int32_t>(c.result)) + ", " + c.message);
  }
  EXPECT_EQ(os.trustCalls, std::vector<bool>(cases.size(), false));

  os.hashTrust = {};
  EXPECT_TRUE(Verify());
  EXPECT_TRUE(log.has(" VerifyEmbeddedSignature result is 0, The file \"" + Path() +
                      "\" is signed and the signature was verified."));
}

TEST_F(VerifyEmbeddedSignatureTest, MessageIsCutAt255Characters) {
  os.hashTrust = {};
  const std::string longPath = Path() + std::string(300, 'x');
  EXPECT_FALSE(FuntionImpl::VerifyEmbeddedSignature(platform::WideFromUtf8(longPath), {}));  // no such file
  const std::string prefix = " VerifyEmbeddedSignature result is 0, ";
  EXPECT_EQ(log.lines().at(0), prefix + ("The file \"" + longPath).substr(0, 255));
}

TEST_F(VerifyEmbeddedSignatureTest, BytesAfterTheSignatureAreRefused) {
  TempFile appended{MakePe(true, 24, std::string(64, 'A'))};
  os.hashTrust = {};  // the system's hash check passes such a file
  EXPECT_FALSE(FuntionImpl::VerifyEmbeddedSignature(appended.path(), {}));
  EXPECT_TRUE(log.has("certificate table ends at 536, file size 600"));

  TempFile noTable{MakePe(true, 0)};
  EXPECT_FALSE(FuntionImpl::VerifyEmbeddedSignature(noTable.path(), {}));
}

TEST_F(VerifyEmbeddedSignatureTest, PinnedPublisherNeedsTheSignerAndItsChain) {
  const std::vector<std::wstring> pinned = {L"Other Maker", L"Lumevia Test Publisher"};
  os.hashTrust = {0, 0, L"Lumevia Test Publisher", false};

  os.chainTrust = {0, 0, L"Lumevia Test Publisher", true};
  EXPECT_TRUE(Verify(pinned));
  EXPECT_EQ(os.trustCalls, (std::vector<bool>{false, true}));

  os.chainTrust = {static_cast<long>(0x800B0109), 0, L"Lumevia Test Publisher", false};  // untrusted root
  EXPECT_FALSE(Verify(pinned));
  EXPECT_TRUE(log.has("signer \"Lumevia Test Publisher\" has no trusted chain"));

  os.chainTrust = {0, 0, L"Someone Else", true};
  EXPECT_FALSE(Verify(pinned));
  EXPECT_TRUE(log.has("signer \"Someone Else\" is not a trusted publisher"));

  os.chainTrust = {0, 0, L"lumevia test publisher", true};  // exact match only
  EXPECT_FALSE(Verify(pinned));

  // Without a list the chain is never asked for.
  os.trustCalls.clear();
  os.chainTrust = {0, 0, L"Someone Else", false};
  EXPECT_TRUE(Verify());
  EXPECT_EQ(os.trustCalls, std::vector<bool>{false});
}

// The build's list ("|" for ";"), as CMake handed it to this test.
TEST_F(VerifyEmbeddedSignatureTest, BuildOptionNamesThePinnedPublishers) {
  std::vector<std::wstring> configured;
  std::string list = LUMEVIA_TEST_TRUSTED_PUBLISHERS;
  for (size_t start = 0; !list.empty() && start <= list.size();) {
    size_t bar = std::min(list.find('|', start), list.size());
    configured.push_back(platform::WideFromUtf8(list.substr(start, bar - start)));
    start = bar + 1;
  }
  EXPECT_EQ(FuntionImpl::TrustedPublishers(), configured);
  if (!configured.empty()) return;
  // None pinned: any signer whose hash verifies passes, without a chain check.
  os.hashTrust = {0, 0, L"Anyone", false};
  EXPECT_TRUE(FuntionImpl::VerifyEmbeddedSignature(signedFile.path()));
  EXPECT_EQ(os.trustCalls, std::vector<bool>{false});
}

}  // namespace
